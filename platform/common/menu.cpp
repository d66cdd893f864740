// Menus: the items of a menu and CMenu over them.
#include "menu_data.h"

void HMENU__::SetDefaultSystemItems() {
    // A dialog without minimise and maximise boxes offers only Close; the
    // window manager moves the window by its title bar.
    items = {{MF_STRING, SC_CLOSE, "关闭(&C)\tAlt+F4"}};
}

CMenu* CMenu::FromHandle(HMENU menu) { return menu ? &menu->object : nullptr; }

BOOL AppendMenu(HMENU menu, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
    if (!menu) return FALSE;
    if (nFlags & MF_SEPARATOR) {
        menu->items.push_back({nFlags, 0, std::string()});
        return TRUE;
    }
    if (!lpszNewItem) return FALSE;
    menu->items.push_back({nFlags, static_cast<UINT>(nIDNewItem), lpszNewItem});
    return TRUE;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
    return ::AppendMenu(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}

int CMenu::GetMenuItemCount() const { return m_hMenu ? static_cast<int>(m_hMenu->items.size()) : -1; }

namespace {
const HMENU__::Item* Find(HMENU menu, UINT nID, UINT nFlags) {
    if (!menu) return nullptr;
    if (nFlags & MF_BYPOSITION) return nID < menu->items.size() ? &menu->items[nID] : nullptr;
    for (const HMENU__::Item& item : menu->items)
        if (!(item.flags & MF_SEPARATOR) && item.id == nID) return &item;
    return nullptr;
}
}  // namespace

UINT CMenu::GetMenuItemID(int nPos) const {
    if (nPos < 0) return static_cast<UINT>(-1);
    const HMENU__::Item* item = Find(m_hMenu, static_cast<UINT>(nPos), MF_BYPOSITION);
    return item ? item->id : static_cast<UINT>(-1);
}

UINT CMenu::GetMenuState(UINT nID, UINT nFlags) const {
    const HMENU__::Item* item = Find(m_hMenu, nID, nFlags);
    return item ? (item->flags & ~MF_BYPOSITION) : static_cast<UINT>(-1);
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const {
    const HMENU__::Item* item = Find(m_hMenu, nIDItem, nFlags);
    rString = item ? item->text.c_str() : "";
    return item ? static_cast<int>(item->text.size()) : 0;
}
