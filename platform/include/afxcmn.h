// The tree control.
#pragma once

#include "afxwin.h"

struct _TREEITEM;
using HTREEITEM = _TREEITEM*;

#define TVI_ROOT (reinterpret_cast<HTREEITEM>(static_cast<intptr_t>(-0x10000)))
#define TVI_FIRST (reinterpret_cast<HTREEITEM>(static_cast<intptr_t>(-0x0FFFF)))
#define TVI_LAST (reinterpret_cast<HTREEITEM>(static_cast<intptr_t>(-0x0FFFE)))

#define TVIF_TEXT 0x0001u

#define TVS_HASBUTTONS 0x0001u
#define TVS_HASLINES 0x0002u
#define TVS_LINESATROOT 0x0004u
#define TVS_EDITLABELS 0x0008u
#define TVS_DISABLEDRAGDROP 0x0010u
#define TVS_SHOWSELALWAYS 0x0020u

#define TV_FIRST 0x1100u
#define TVM_INSERTITEM (TV_FIRST + 50)  // the UTF-8 variant
#define TVM_DELETEITEM (TV_FIRST + 1)
#define TVM_GETCOUNT (TV_FIRST + 5)
#define TVM_GETNEXTITEM (TV_FIRST + 10)
#define TVM_GETITEM (TV_FIRST + 62)
// Ours, beyond the system's tree messages: wParam items, lParam bytes of
// their texts (see CTreeCtrl::InitStorage).
#define TVM_INITSTORAGE (TV_FIRST + 0xE0)

#define TVGN_ROOT 0x0000u
#define TVGN_NEXT 0x0001u
#define TVGN_PARENT 0x0003u
#define TVGN_CHILD 0x0004u

struct TVITEM {
    UINT mask;
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    LPTSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;
    LPARAM lParam;
};

struct TVINSERTSTRUCT {
    HTREEITEM hParent;
    HTREEITEM hInsertAfter;
    TVITEM item;
};

class CTreeCtrl : public CWnd {
public:
    // Creates a tree control of its own (outside a dialog template).
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    void DestroyWindow();
    ~CTreeCtrl() override;

    // Appends an item with text lpszItem (UTF-8) under hParent (null or
    // TVI_ROOT: a top-level item) after the parent's last child. TVI_LAST is
    // the only position the control takes; it returns the new item's handle,
    // or null for any other position, an unknown parent or a full store.
    HTREEITEM InsertItem(UINT nMask, LPCTSTR lpszItem, int nImage, int nSelectedImage, UINT nState,
                         UINT nStateMask, LPARAM lParam, HTREEITEM hParent, HTREEITEM hInsertAfter);
    HTREEITEM InsertItem(LPCTSTR lpszItem, HTREEITEM hParent = TVI_ROOT, HTREEITEM hInsertAfter = TVI_LAST);
    BOOL DeleteAllItems();
    // Makes room for nItems items to be inserted next, whose texts take
    // nBytes bytes in all (a terminating zero counted for each), as a list
    // box's InitStorage does. Once it returns TRUE, inserting them cannot
    // fail for want of memory, whether or not the items there now are
    // deleted first; FALSE when memory runs short, with the items there
    // left as they are.
    BOOL InitStorage(UINT nItems, size_t nBytes);
    // What the control keeps for an item beyond its text, in bytes.
    static constexpr size_t kItemStorageBytes = 32;

    UINT GetCount() const;
    HTREEITEM GetRootItem() const;
    HTREEITEM GetChildItem(HTREEITEM hItem) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM hItem) const;
    HTREEITEM GetParentItem(HTREEITEM hItem) const;
    CString GetItemText(HTREEITEM hItem) const;

private:
    HTREEITEM GetNextItem(HTREEITEM hItem, UINT nCode) const;
    bool m_ownsWindow = false;
};
