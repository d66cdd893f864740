#include "viewer_app.h"

#include "viewer_dlg.h"

BOOL CViewerApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControls();
    AfxSetResourceHandle(m_program.resources);

    CViewerDlg dlg(m_program);
    m_pMainWnd = &dlg;
    dlg.DoModal();  // IDOK or IDCANCEL: either way the program ends
    m_pMainWnd = nullptr;

    // FALSE: no message loop of the application's own; the program ends.
    return FALSE;
}
