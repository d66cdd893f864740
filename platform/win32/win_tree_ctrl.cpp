// CTreeCtrl over the messages of our tree window (tree_protocol.h).
#include "afxcmn.h"
#include "tree_window.h"
#include "win_internal.h"

BOOL CTreeCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    if (m_hWnd) return FALSE;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!RegisterTreeWindowClass(instance)) return FALSE;
    HWND parent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    const DWORD style = dwStyle | (parent ? WS_CHILD : 0u);
    HWND hwnd = CreateWindowExW(0, kTreeWindowClass, L"", style, static_cast<int>(rect.left),
                                static_cast<int>(rect.top), static_cast<int>(rect.right - rect.left),
                                static_cast<int>(rect.bottom - rect.top), parent,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), instance, nullptr);
    if (!hwnd) return FALSE;
    AfxBind(hwnd, this);
    m_ownsWindow = true;
    return TRUE;
}

void CTreeCtrl::DestroyWindow() {
    if (!m_ownsWindow || !m_hWnd) return;
    HWND hwnd = m_hWnd;
    m_ownsWindow = false;
    AfxUnbind(hwnd, this);
    m_hWnd = nullptr;
    ::DestroyWindow(hwnd);
}

