// The resource modules the build converts from the programs' scripts: one
// per program, handed to the dialog shell with the rest of the program.
#pragma once

#include <afxwin.h>

HINSTANCE TarnwickResources();  // from tarnwick.rc
HINSTANCE QuellbyResources();   // from quellby.rc
