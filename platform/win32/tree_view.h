// The state behind one tree window and the functions of its parts: the
// message protocol (tree_messages.cpp), scroll bars and the engine's changes
// (tree_scroll.cpp), painting (tree_paint.cpp), keys and mouse
// (tree_input.cpp), the info tip (tree_tip.cpp). What the control does is
// the engine's; these parts only carry the window system's messages to it
// and paint what it lays out.
#pragma once

#include <windows.h>

#include <string>

#include "tree_engine.h"
#include "tree_protocol.h"

struct TreeView {
    TreeView(HWND window, DWORD windowStyle);
    ~TreeView();

    HWND hwnd;
    DWORD style;
    TreeEngine engine;

    HFONT font = nullptr;
    HDC measureDc = nullptr;  // a memory DC with the font, for the engine's label widths
    bool updatingBars = false;
    // What the scroll bars were last set to (range end, page, position),
    // so that an unchanged bar is not set again.
    struct Bar {
        int max = -1, page = -1, pos = -1;
    } vbar, hbar;
    bool flushPosted = false;  // a flush message is on its way
    bool itemDraw = false;     // the parent asked to be told of each row in this painting

    HWND tip = nullptr;                           // the info tip (TVS_INFOTIP), made on first hover
    TreeStore::Index tipItem = TreeStore::kNone;  // the item whose label is under the pointer
    std::wstring tipText;                         // what the tip shows now

    int wheelDelta = 0;  // wheel movement not scrolled yet
};

// The message a tree window posts itself to catch up after insertions.
UINT TreeFlushMessage();

// The state of the tree window `hwnd`, or null when it is none (or gone).
TreeView* TreeViewOfWindow(HWND hwnd);

// tree_messages.cpp
LRESULT TreeProtocol(TreeView& view, UINT message, WPARAM wParam, LPARAM lParam);

// tree_native.cpp
// The system tree view's messages; false for any other.
bool TreeNativeMessage(TreeView& view, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
// An item's TVIS_ state bits: expanded, selected, focused.
UINT TreeItemState(TreeView& view, TreeStore::Index item);

// tree_access.cpp
// The answer to WM_GETOBJECT for OBJID_CLIENT: the tree's IAccessible.
LRESULT TreeAccessibleObject(TreeView& view, WPARAM wParam);
// Tells accessibility clients (NotifyWinEvent) of the engine's changes:
// the caret moved (kTreeSelection), an item opened or closed (kTreeExpansion).
void NotifyTreeEvents(TreeView& view, unsigned changes);
// The caret item has the focus now that the window has (an event for it).
void NotifyTreeFocus(TreeView& view);

// tree_scroll.cpp
// Acts on what the engine says changed: scroll bars, the tip, repainting.
void Apply(TreeView& view);
// The window's client size goes to the engine.
void SyncViewport(TreeView& view);
void OnVScroll(TreeView& view, WORD code);
void OnHScroll(TreeView& view, WORD code);

// tree_paint.cpp
void PaintTree(TreeView& view);

// tree_tip.cpp
void OnMouseMoveTip(TreeView& view, int x, int y);
// The rows moved under the pointer: the tip goes and is looked up again.
void OnScrolledTip(TreeView& view);
// The tip asks for its text (TTN_GETDISPINFOW); true when `header` was that.
bool OnTipNotify(TreeView& view, NMHDR* header);
// The tip text of `item` as the parent gives it (TVN_GETINFOTIP), empty for none.
std::wstring AskTipText(TreeView& view, TreeStore::Index item);
void ResizeTip(TreeView& view);

// tree_input.cpp
void OnKeyDown(TreeView& view, WPARAM key);
void OnChar(TreeView& view, WPARAM ch);
void OnMouseDown(TreeView& view, int x, int y, bool doubleClick);
void OnWheel(TreeView& view, int delta);
