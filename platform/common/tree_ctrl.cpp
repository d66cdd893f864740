// The tree control's members that every backend shares: each is one of the
// tree messages, sent to the window the backend made for the control.
#include "afxcmn.h"
#include "tree_engine.h"

static_assert(CTreeCtrl::kItemStorageBytes == TreeEngine::kItemBytes);

CTreeCtrl::~CTreeCtrl() { DestroyWindow(); }

HTREEITEM CTreeCtrl::InsertItem(UINT nMask, LPCTSTR lpszItem, int nImage, int nSelectedImage, UINT nState,
                                UINT nStateMask, LPARAM lParam, HTREEITEM hParent, HTREEITEM hInsertAfter) {
    TVINSERTSTRUCT insert{};
    insert.hParent = hParent;
    insert.hInsertAfter = hInsertAfter;
    insert.item.mask = nMask;
    insert.item.pszText = const_cast<LPTSTR>(lpszItem);
    insert.item.iImage = nImage;
    insert.item.iSelectedImage = nSelectedImage;
    insert.item.state = nState;
    insert.item.stateMask = nStateMask;
    insert.item.lParam = lParam;
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&insert)));
}

HTREEITEM CTreeCtrl::InsertItem(LPCTSTR lpszItem, HTREEITEM hParent, HTREEITEM hInsertAfter) {
    return InsertItem(TVIF_TEXT, lpszItem, 0, 0, 0, 0, 0, hParent, hInsertAfter);
}

BOOL CTreeCtrl::DeleteAllItems() {
    return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)));
}

BOOL CTreeCtrl::InitStorage(UINT nItems, size_t nBytes) {
    return static_cast<BOOL>(SendMessage(TVM_INITSTORAGE, nItems, static_cast<LPARAM>(nBytes)));
}

UINT CTreeCtrl::GetCount() const {
    return static_cast<UINT>(const_cast<CTreeCtrl*>(this)->SendMessage(TVM_GETCOUNT, 0, 0));
}

HTREEITEM CTreeCtrl::GetNextItem(HTREEITEM hItem, UINT nCode) const {
    return reinterpret_cast<HTREEITEM>(
        const_cast<CTreeCtrl*>(this)->SendMessage(TVM_GETNEXTITEM, nCode, reinterpret_cast<LPARAM>(hItem)));
}

HTREEITEM CTreeCtrl::GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_CHILD); }

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_NEXT); }

HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_PARENT); }

CString CTreeCtrl::GetItemText(HTREEITEM hItem) const {
    char buffer[1024];
    TVITEM item{};
    item.mask = TVIF_TEXT;
    item.hItem = hItem;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    if (!const_cast<CTreeCtrl*>(this)->SendMessage(TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item))) return CString();
    return CString(buffer);
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM hItem) const {
    TVITEM item{};
    item.mask = TVIF_PARAM;
    item.hItem = hItem;
    if (!const_cast<CTreeCtrl*>(this)->SendMessage(TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item))) return 0;
    return static_cast<DWORD_PTR>(item.lParam);
}
