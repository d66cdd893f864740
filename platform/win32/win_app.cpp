// The application object and start-up on Win32.
#include <objbase.h>

#include <string>

#include "win_internal.h"
#include "app_title.h"
#include "wait_cursor.h"

// The program file's name without its extension.
std::string AfxProgramTitle() {
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

namespace {
int g_waitCursors = 0;           // CWaitCursor objects alive
HCURSOR g_cursorBefore = nullptr;  // what the first one replaced
}  // namespace

// No messages run while the command works, so nothing sets the cursor back
// (WM_SETCURSOR) until it is done.
CWaitCursor::CWaitCursor() {
    HCURSOR wait = LoadCursorW(nullptr, MAKEINTRESOURCEW(32514));  // IDC_WAIT
    if (g_waitCursors++ == 0) g_cursorBefore = SetCursor(wait);
    else SetCursor(wait);
}

CWaitCursor::~CWaitCursor() {
    if (--g_waitCursors > 0) return;
    SetCursor(g_cursorBefore ? g_cursorBefore : LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));  // IDC_ARROW
    g_cursorBefore = nullptr;
}

AfxWaitCursorPause::AfxWaitCursorPause() {
    if (g_waitCursors == 0) return;
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));  // IDC_ARROW
    paused_ = true;
}

AfxWaitCursorPause::~AfxWaitCursorPause() {
    if (paused_) SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));
}

int CWinApp::Run() {
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return ExitInstance();
}

int AfxWinMain(int, char**) {
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    AfxGetAppName();
    // A single-threaded apartment for the user interface's thread: what
    // assistive technology asks of the windows (WM_GETOBJECT) is answered
    // with COM objects, and the common dialogs want one too.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int result = app->InitInstance() ? app->Run() : app->ExitInstance();
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}
