// The application object: runs the main dialog and ends when it ends.
#pragma once

#include <afxwin.h>

class CViewerApp : public CWinApp {
public:
    CViewerApp() = default;
    BOOL InitInstance() override;
};

extern CViewerApp theApp;
