// The messages the tree window answers, with the numbers and layouts of the
// facade's afxcmn.h, spelled without any of its types: the window's own
// files include <windows.h>, whose types clash with the facade's.
// tree_protocol_check.cpp holds the two side by side.
#pragma once

#include <cstdint>

namespace tree_protocol {

constexpr unsigned kFirst = 0x1100;  // TV_FIRST
constexpr unsigned kDeleteItem = kFirst + 1;  // only the root: clears the tree
constexpr unsigned kGetCount = kFirst + 5;
constexpr unsigned kGetNextItem = kFirst + 10;
// Ours, past the system's tree messages (the last, TVM_GETITEMPARTRECT, is
// kFirst + 72): the system's TVM_INSERTITEMW and TVM_GETITEMW take UTF-16,
// and assistive technology sends them to any SysTreeView32; the facade's
// text is UTF-8.
constexpr unsigned kInitStorage = kFirst + 0xE0;  // wParam items, lParam text bytes: room made beforehand
constexpr unsigned kInsertItem = kFirst + 0xE1;   // UTF-8 text
constexpr unsigned kGetItem = kFirst + 0xE2;      // copies the UTF-8 text

constexpr unsigned kNextRoot = 0x0000;
constexpr unsigned kNextSibling = 0x0001;
constexpr unsigned kNextParent = 0x0003;
constexpr unsigned kNextChild = 0x0004;

constexpr unsigned kMaskText = 0x0001;
constexpr unsigned kMaskParam = 0x0004;

constexpr unsigned kHasButtons = 0x0001;
constexpr unsigned kHasLines = 0x0002;
constexpr unsigned kLinesAtRoot = 0x0004;
constexpr unsigned kShowSelAlways = 0x0020;

constexpr intptr_t kRootHandle = -0x10000;
constexpr intptr_t kLastHandle = -0x0FFFE;

struct Item {
    unsigned mask;
    void* hItem;
    unsigned state;
    unsigned stateMask;
    char* pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;
    intptr_t lParam;
};

struct Insert {
    void* hParent;
    void* hInsertAfter;
    Item item;
};

// Custom draw, sent to the parent as WM_NOTIFY (NM_CUSTOMDRAW): once per
// painting (kDrawPrePaint); when the parent answers kNotifyItemDraw, once
// per row painted (kDrawItemPrePaint), whose text colour it may set.
constexpr unsigned kCustomDraw = static_cast<unsigned>(-12);
constexpr uint32_t kDrawPrePaint = 0x00000001;
constexpr uint32_t kDrawItemPrePaint = 0x00010001;
constexpr intptr_t kNotifyItemDraw = 0x00000020;
constexpr uint32_t kDefaultColor = 0xFF000000;

struct NotifyHeader {
    void* hwndFrom;
    uintptr_t idFrom;
    unsigned code;
};

struct CustomDraw {
    NotifyHeader hdr;
    uint32_t dwDrawStage;
    void* hdc;
    int32_t rc[4];
    uintptr_t dwItemSpec;
    unsigned uItemState;
    intptr_t lItemlParam;
    uint32_t clrText;
    uint32_t clrTextBk;
    int iLevel;
};

// Sent to the parent as WM_NOTIFY with TVS_INFOTIP, before the window's tip
// shows for an item: the parent writes the tip's text (UTF-8) into pszText.
constexpr unsigned kInfoTipStyle = 0x0800;
constexpr unsigned kGetInfoTip = static_cast<unsigned>(-414);  // the facade's UTF-8 variant

struct GetInfoTip {
    NotifyHeader hdr;
    char* pszText;
    int cchTextMax;
    void* hItem;
    intptr_t lParam;
};

// Queries of the window's state for tests and benchmarks; no facade
// counterpart. Not the system's TVM_GETVISIBLECOUNT, which counts the rows
// that fit in the window.
constexpr unsigned kGetVisibleCount = kFirst + 0xF0;  // rows shown (open levels included)
constexpr unsigned kGetRowItem = kFirst + 0xF1;       // wParam row: the item there, or 0
constexpr unsigned kGetSelection = kFirst + 0xF2;     // the selected item, or 0
constexpr unsigned kGetTopRow = kFirst + 0xF3;        // the first row in the window
constexpr unsigned kGetButtonRect = kFirst + 0xF4;    // wParam row, lParam RECT*: the +/- box, FALSE if none

// The numbers above that are ours, for the check that none is one of the
// system's tree messages.
constexpr unsigned kPrivateMessages[] = {kInitStorage,  kInsertItem,  kGetItem,      kGetVisibleCount,
                                         kGetRowItem, kGetSelection, kGetTopRow, kGetButtonRect};

// True when the handle values above are the facade's TVI_ROOT and TVI_LAST.
bool MatchesFacadeHandles();

}  // namespace tree_protocol
