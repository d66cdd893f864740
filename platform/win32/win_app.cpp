// The application object and start-up on Win32.
#include <string>

#include "win_internal.h"

namespace {

CWinApp* g_app = nullptr;

// The program file's name without its extension.
std::string ProgramTitle() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "Application";
    std::wstring name(path, length);
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0) name.erase(dot);
    return AfxNarrow(name.c_str());
}

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

int CWinApp::Run() {
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance() { return 0; }

CWinApp* AfxGetApp() { return g_app; }

LPCTSTR AfxGetAppName() {
    if (g_app) {
        if (!g_app->m_pszAppName) {
            g_app->m_appName = ProgramTitle();
            g_app->m_pszAppName = g_app->m_appName.c_str();
        }
        return g_app->m_pszAppName;
    }
    static const std::string title = ProgramTitle();
    return title.c_str();
}

int AfxWinMain(int, char**) {
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    AfxGetAppName();
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
