// The tree control.
#pragma once

#include "afxwin.h"

struct _TREEITEM;
using HTREEITEM = _TREEITEM*;

#define TVI_ROOT (reinterpret_cast<HTREEITEM>(static_cast<intptr_t>(-0x10000)))
#define TVI_FIRST (reinterpret_cast<HTREEITEM>(static_cast<intptr_t>(-0x0FFFF)))
#define TVI_LAST (reinterpret_cast<HTREEITEM>(static_cast<intptr_t>(-0x0FFFE)))

#define TVIF_TEXT 0x0001u
#define TVIF_PARAM 0x0004u

#define TVS_HASBUTTONS 0x0001u
#define TVS_HASLINES 0x0002u
#define TVS_LINESATROOT 0x0004u
#define TVS_EDITLABELS 0x0008u
#define TVS_DISABLEDRAGDROP 0x0010u
#define TVS_SHOWSELALWAYS 0x0020u
#define TVS_INFOTIP 0x0800u  // the control asks its parent for a tip on hover (TVN_GETINFOTIP)

#define TV_FIRST 0x1100u
#define TVM_DELETEITEM (TV_FIRST + 1)
#define TVM_GETCOUNT (TV_FIRST + 5)
#define TVM_GETNEXTITEM (TV_FIRST + 10)
// Ours, beyond the system's tree messages (which end at TV_FIRST + 72):
// wParam items, lParam bytes of their texts (see CTreeCtrl::InitStorage).
#define TVM_INITSTORAGE (TV_FIRST + 0xE0)
// The item messages with UTF-8 text. They have numbers of their own: the
// system's TVM_INSERTITEMW and TVM_GETITEMW (TV_FIRST + 50 and + 62) carry
// UTF-16, and a Windows tree window answers those too, for whatever else
// reads it (screen readers).
#define TVM_INSERTITEM (TV_FIRST + 0xE1)
#define TVM_GETITEM (TV_FIRST + 0xE2)

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

// Notifications the tree control sends its parent as WM_NOTIFY.
#define NM_CUSTOMDRAW (static_cast<UINT>(-12))
#define TVN_GETINFOTIP (static_cast<UINT>(-400 - 14))  // the UTF-8 variant

// Custom draw: the control asks at CDDS_PREPAINT once per painting, and at
// CDDS_ITEMPREPAINT for each item when the answer was CDRF_NOTIFYITEMDRAW.
#define CDDS_PREPAINT 0x00000001u
#define CDDS_ITEM 0x00010000u
#define CDDS_ITEMPREPAINT (CDDS_ITEM | CDDS_PREPAINT)
#define CDRF_DODEFAULT 0x00000000u
#define CDRF_NEWFONT 0x00000002u
#define CDRF_NOTIFYITEMDRAW 0x00000020u
#define CLR_DEFAULT (static_cast<COLORREF>(0xFF000000u))

struct NMCUSTOMDRAW {
    NMHDR hdr;
    DWORD dwDrawStage;
    HDC hdc;
    RECT rc;
    UINT_PTR dwItemSpec;  // the item (HTREEITEM)
    UINT uItemState;
    LPARAM lItemlParam;  // the item's data
};

struct NMTVCUSTOMDRAW {
    NMCUSTOMDRAW nmcd;
    COLORREF clrText;  // CLR_DEFAULT: the control's own colour
    COLORREF clrTextBk;
    int iLevel;
};

// The parent writes the tip (UTF-8, lines separated by \n) into pszText;
// an empty text shows no tip.
struct NMTVGETINFOTIP {
    NMHDR hdr;
    LPTSTR pszText;
    int cchTextMax;
    HTREEITEM hItem;
    LPARAM lParam;  // the item's data
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
    // The item's data (lParam of an insertion with TVIF_PARAM), 0 without.
    DWORD_PTR GetItemData(HTREEITEM hItem) const;
    BOOL DeleteAllItems();
    // Makes room for nItems items to be inserted next, whose texts take
    // nBytes bytes in all (a terminating zero counted for each), as a list
    // box's InitStorage does. Once it returns TRUE, inserting them cannot
    // fail for want of memory, whether or not the items there now are
    // deleted first; FALSE when memory runs short, with the items there
    // left as they are.
    BOOL InitStorage(UINT nItems, size_t nBytes);
    // What the control keeps for an item beyond its text, in bytes: its
    // record and the room for its row, so that opening levels of a tree it
    // made room for takes no further memory.
    static constexpr size_t kItemStorageBytes = 45;

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
