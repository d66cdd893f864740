// The state behind one tree window and the functions of its parts: the
// message protocol (tree_messages.cpp), scrolling and selection
// (tree_scroll.cpp), painting (tree_paint.cpp), keys and mouse
// (tree_input.cpp).
#pragma once

#include <windows.h>

#include <string>

#include "tree_protocol.h"
#include "tree_rows.h"
#include "tree_store.h"

struct TreeView {
    explicit TreeView(HWND window, DWORD windowStyle) : hwnd(window), style(windowStyle) {}

    HWND hwnd;
    DWORD style;
    TreeStore store;
    TreeRows rows{store};

    HFONT font = nullptr;
    int rowHeight = 16;
    int textHeight = 13;
    int indent = 19;

    size_t top = 0;    // first row in the window
    int hscroll = 0;   // pixels scrolled to the left
    int extent = 0;    // widest row seen so far, in pixels
    TreeStore::Index selected = TreeStore::kNone;
    size_t selectedRow = 0;  // where the selection was last seen
    bool focused = false;
    bool updatingBars = false;
    bool barsStale = false;  // items were added since the scroll bars were set
    bool itemDraw = false;   // the parent asked to be told of each row in this painting

    HWND tip = nullptr;                        // the info tip (TVS_INFOTIP), made on first hover
    TreeStore::Index tipItem = TreeStore::kNone;  // the item under the mouse
    std::wstring tipText;                      // what the tip shows now

    std::string typed;   // type-ahead prefix (UTF-8)
    DWORD typedAt = 0;   // tick count at its last character
    int wheelDelta = 0;  // wheel movement not scrolled yet
};

// Layout of a row: levels count the columns of indentation before the label.
int RowLevel(TreeView& view, TreeStore::Index item);
int ButtonCenterX(const TreeView& view, int level);
int LabelLeft(const TreeView& view, int level);
RECT ButtonRect(const TreeView& view, size_t row, int level);

// tree_messages.cpp
LRESULT TreeProtocol(TreeView& view, UINT message, WPARAM wParam, LPARAM lParam);

// tree_scroll.cpp
size_t PageRows(const TreeView& view);
void UpdateScrollBars(TreeView& view);
void ScrollToRow(TreeView& view, size_t top);
void ScrollToX(TreeView& view, int x);
void OnVScroll(TreeView& view, WORD code);
void OnHScroll(TreeView& view, WORD code);
void EnsureRowVisible(TreeView& view, size_t row);
size_t SelectedRow(TreeView& view);  // TreeRows::kNoRow when nothing is selected
void SelectRow(TreeView& view, size_t row);
// Opens, closes or fully opens the item at `row`, keeping the selection shown.
enum class Toggle { Expand, Collapse, Flip, ExpandAll };
void ToggleRow(TreeView& view, size_t row, Toggle how);
void Redraw(TreeView& view);

// tree_paint.cpp
void PaintTree(TreeView& view);
int LabelWidth(TreeView& view, HDC dc, TreeStore::Index item);

// tree_tip.cpp
void OnMouseMoveTip(TreeView& view, int x, int y);
// The tip asks for its text (TTN_GETDISPINFOW); true when `header` was that.
bool OnTipNotify(TreeView& view, NMHDR* header);
void ResizeTip(TreeView& view);

// tree_input.cpp
void OnKeyDown(TreeView& view, WPARAM key);
void OnChar(TreeView& view, WPARAM ch);
void OnMouseDown(TreeView& view, int x, int y, bool doubleClick);
void OnWheel(TreeView& view, int delta);
