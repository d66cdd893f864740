// Dialogs on Win32: DialogBoxParamW over the program's own dialog template,
// and a dialog procedure that routes each message to the bound object's
// message map before the system's dialog processing.
#include "test_hooks.h"
#include "tree_window.h"
#include "win_internal.h"

struct AfxWindowAccess {
    // Runs the object's map for a message of its window, with the message
    // recorded for Default(); false when no entry matched.
    static bool Route(CWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
        const UINT savedMessage = wnd.m_curMessage;
        const WPARAM savedW = wnd.m_curWParam;
        const LPARAM savedL = wnd.m_curLParam;
        wnd.m_curMessage = message;
        wnd.m_curWParam = wParam;
        wnd.m_curLParam = lParam;
        const bool handled = wnd.OnWndMsg(message, wParam, lParam, result) != FALSE;
        wnd.m_curMessage = savedMessage;
        wnd.m_curWParam = savedW;
        wnd.m_curLParam = savedL;
        return handled;
    }
};

namespace {

// Posted from WM_INITDIALOG: it arrives once the dialog is on screen and its
// loop runs, where the dialog-shown handler of the test seam is called.
constexpr UINT kShownMessage = WM_APP + 0x3A0;

bool IsSystemMenuKey(WPARAM wParam, LPARAM lParam) {
    return (wParam & 0xFFF0) == SC_KEYMENU && lParam == ' ';
}

// Centres a dialog over its owner, or in the work area when it has none.
void CentreWindow(HWND hwnd) {
    RECT window{}, area{};
    GetWindowRect(hwnd, &window);
    HWND owner = GetWindow(hwnd, GW_OWNER);
    if (!owner || !IsWindowVisible(owner) || IsIconic(owner) || !GetWindowRect(owner, &area)) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
        area = monitor.rcWork;
    }
    const LONG width = window.right - window.left, height = window.bottom - window.top;
    SetWindowPos(hwnd, nullptr, (area.left + area.right - width) / 2, (area.top + area.bottom - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR InitDialog(HWND hwnd, CDialog& dialog) {
    SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(&dialog));
    AfxBind(hwnd, &dialog);
    PostMessageW(hwnd, kShownMessage, 0, 0);
    RECT before{}, after{};
    GetWindowRect(hwnd, &before);
    const BOOL result = dialog.OnInitDialog();
    // As the framework does: a dialog that OnInitDialog did not move opens
    // centred over its owner (the main dialog in the middle of the screen).
    GetWindowRect(hwnd, &after);
    if (EqualRect(&before, &after) && !(GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD)) CentreWindow(hwnd);
    return result;
}

// The system menu goes through the test seam when a handler is set: on
// Alt+Space, and on a right-click on the dialog's background.
bool SystemMenuRequest(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSCOMMAND && IsSystemMenuKey(wParam, lParam) && MenuHandler()) {
        RECT rect{};
        GetWindowRect(hwnd, &rect);
        AfxTrackSystemMenu(hwnd, static_cast<int>(rect.left), static_cast<int>(rect.top), false);
        return true;
    }
    if (message == WM_CONTEXTMENU && reinterpret_cast<HWND>(wParam) == hwnd) {
        AfxTrackSystemMenu(hwnd, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), true);
        return true;
    }
    return false;
}

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return InitDialog(hwnd, *reinterpret_cast<CDialog*>(lParam));
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!dialog) return FALSE;
    if (message == kShownMessage) {
        if (ShownHandler()) ShownHandler()(*dialog);
        return TRUE;
    }
    if (message == WM_NCDESTROY) {
        AfxUnbind(hwnd, dialog);
        dialog->m_hWnd = nullptr;
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        AfxForgetDestroyedWindows();  // the controls went before the dialog
        return FALSE;
    }
    if (SystemMenuRequest(hwnd, message, wParam, lParam)) return TRUE;
    LRESULT result = 0;
    if (!AfxWindowAccess::Route(*dialog, message, wParam, lParam, &result)) return FALSE;
    // A handled message's value goes in the dialog's result slot; the drag
    // icon is one of the few a dialog procedure returns itself.
    if (message == WM_QUERYDRAGICON) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace

// The templates name the common controls' SysTreeView32 for the tree. Our
// tree window is registered under that name as a class of the program's
// own module: a module's own classes are found before the system's global
// ones, and the common controls library is never initialised, so every
// dialog built from a template gets our window with the template's id,
// rectangle and styles, and no code has to swap one control for another.
// Whether a class of that name exists says nothing: the common controls'
// own global one may be there already, loaded by the system for its own
// windows; the test is whether ours is.
void AfxRegisterTemplateTreeClass(HINSTANCE instance) {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    WNDCLASSEXW ours{};
    ours.cbSize = sizeof ours;
    if (!RegisterTreeWindowClass(instance) || !GetClassInfoExW(instance, kTreeWindowClass, &ours)) return;
    if (GetClassInfoExW(instance, L"SysTreeView32", &cls) && cls.lpfnWndProc == ours.lpfnWndProc) return;
    cls = ours;
    cls.cbSize = sizeof cls;
    cls.style &= ~static_cast<UINT>(CS_GLOBALCLASS);
    cls.hInstance = instance;
    cls.lpszClassName = L"SysTreeView32";
    RegisterClassExW(&cls);
}

// ---------------------------------------------------------------------------
// CDialog

void CDialog::EndDialog(int nResult) {
    if (m_hWnd) ::EndDialog(m_hWnd, nResult);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The dialog manager's own processing runs when the dialog procedure
    // declines a message; what a handler asks for by Default() is the
    // window's default processing underneath it.
    return m_hWnd ? ::DefWindowProcW(m_hWnd, message, wParam, lParam) : 0;
}

INT_PTR CDialog::DoModal() {
    LPCTSTR name = MAKEINTRESOURCE(m_nIDTemplate);
    HINSTANCE instance = AfxFindResourceHandle(name, RT_DIALOG);
    if (!instance) return -1;
    AfxRegisterTemplateTreeClass(instance);
    HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    CWinApp* app = AfxGetApp();
    if (!parent && app && app->m_pMainWnd && app->m_pMainWnd != this) parent = app->m_pMainWnd->m_hWnd;
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(m_nIDTemplate), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}
