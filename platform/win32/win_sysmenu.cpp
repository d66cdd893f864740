// The system menu on Win32: CMenu over the window's real system menu, and
// its popup, which the test seam's handler may answer instead.
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "test_hooks.h"
#include "win_internal.h"

CMenu* CMenu::FromHandle(HMENU menu) {
    // One object per menu handle, kept while the process runs.
    static std::map<HMENU, std::unique_ptr<CMenu>> objects;
    if (!menu) return nullptr;
    std::unique_ptr<CMenu>& object = objects[menu];
    if (!object) {
        object = std::make_unique<CMenu>();
        object->m_hMenu = menu;
    }
    return object.get();
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const {
    return m_hWnd ? CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert)) : nullptr;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
    if (!m_hMenu) return FALSE;
    if (nFlags & MF_SEPARATOR) return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, nullptr);
    if (!lpszNewItem) return FALSE;
    return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, AfxWiden(lpszNewItem).c_str());
}

int CMenu::GetMenuItemCount() const { return m_hMenu ? ::GetMenuItemCount(m_hMenu) : -1; }

UINT CMenu::GetMenuItemID(int nPos) const {
    return m_hMenu ? ::GetMenuItemID(m_hMenu, nPos) : static_cast<UINT>(-1);
}

UINT CMenu::GetMenuState(UINT nID, UINT nFlags) const {
    return m_hMenu ? ::GetMenuState(m_hMenu, nID, nFlags) : static_cast<UINT>(-1);
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const {
    wchar_t buffer[256] = {};
    const int length = m_hMenu ? ::GetMenuStringW(m_hMenu, nIDItem, buffer, 256, nFlags) : 0;
    rString = AfxNarrow(buffer).c_str();
    return length > 0 ? static_cast<int>(rString.str().size()) : 0;
}

namespace {

MenuPopupRequest RequestFor(HMENU menu, int x, int y, bool byMouse) {
    MenuPopupRequest request{{}, x, y, byMouse};
    CMenu* object = CMenu::FromHandle(menu);
    for (int i = 0; i < object->GetMenuItemCount(); ++i) {
        const UINT pos = static_cast<UINT>(i);
        CString text;
        object->GetMenuString(pos, text, MF_BYPOSITION);
        const UINT state = object->GetMenuState(pos, MF_BYPOSITION);
        const UINT id = (state & MF_SEPARATOR) ? 0 : object->GetMenuItemID(i);
        request.items.push_back({text.str(), id, state & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED | MF_CHECKED)});
    }
    return request;
}

}  // namespace

void AfxTrackSystemMenu(HWND hWnd, int x, int y, bool byMouse) {
    HMENU menu = ::GetSystemMenu(hWnd, FALSE);
    if (!menu) return;
    std::optional<UINT> chosen;
    if (MenuHandler()) {
        chosen = MenuHandler()(RequestFor(menu, x, y, byMouse));
    } else {
        const BOOL command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, hWnd, nullptr);
        if (command) chosen = static_cast<UINT>(command);
    }
    if (chosen) SendMessageW(hWnd, WM_SYSCOMMAND, *chosen, byMouse ? MAKELPARAM(x, y) : 0);
}
