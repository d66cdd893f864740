// The one application object and its name, the same on every backend; the
// backend says what the program's file is called (AfxProgramTitle).
#include <string>

#include "afxwin.h"
#include "app_title.h"

namespace {
CWinApp* g_app = nullptr;
}  // namespace

CWinApp::CWinApp(LPCTSTR lpszAppName) {
    g_app = this;
    if (lpszAppName) {
        m_appName = lpszAppName;
        m_pszAppName = m_appName.c_str();
    }
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

CWinApp* AfxGetApp() { return g_app; }

LPCTSTR AfxGetAppName() {
    if (g_app) {
        if (!g_app->m_pszAppName) {
            g_app->m_appName = AfxProgramTitle();
            g_app->m_pszAppName = g_app->m_appName.c_str();
        }
        return g_app->m_pszAppName;
    }
    static const std::string title = AfxProgramTitle();
    return title.c_str();
}
