// What makes one program out of the shared dialog shell: the path its field
// shows at start, the analysis 分析 runs, and its resources (captions,
// strings, icon, version). Tarnwick and Quellby are each one such value.
#pragma once

#include <afxwin.h>

#include "analysis.h"

struct ViewerProgram {
    const char* defaultPath;  // what the path field shows at start
    viewer::Walk analysis;    // what 分析 runs over the file named in the field
    HINSTANCE resources;      // the program's dialogs, strings, icon and version
};
