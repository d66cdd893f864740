// The application object: runs the program's main dialog and ends when it ends.
#pragma once

#include <afxwin.h>

#include "viewer_program.h"

class CViewerApp : public CWinApp {
public:
    // Each program defines its one global instance with its own value; the
    // value is read only once the program runs, so the order in which
    // statics are built does not matter.
    explicit CViewerApp(const ViewerProgram& program) : m_program(program) {}
    BOOL InitInstance() override;

private:
    const ViewerProgram& m_program;
};

// The one application object, defined by each program's entry point.
extern CViewerApp theApp;
