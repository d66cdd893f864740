// Where rows go: the layout of a row, the scroll bars, scrolling, the
// selection and opening or closing items while keeping the selection shown.
#include <algorithm>
#include <climits>

#include "tree_view.h"

namespace tp = tree_protocol;

int RowLevel(TreeView& view, TreeStore::Index item) {
    // With lines at the root, top-level items get a column for their box.
    return static_cast<int>(view.rows.Depth(item)) + ((view.style & tp::kLinesAtRoot) ? 1 : 0);
}

int ButtonCenterX(const TreeView& view, int level) { return (level - 1) * view.indent + view.indent / 2 - view.hscroll; }

int LabelLeft(const TreeView& view, int level) { return level * view.indent + 2 - view.hscroll; }

RECT ButtonRect(const TreeView& view, size_t row, int level) {
    const int x = ButtonCenterX(view, level);
    const int y = static_cast<int>(row - view.top) * view.rowHeight + view.rowHeight / 2;
    return RECT{x - 4, y - 4, x + 5, y + 5};
}

void Redraw(TreeView& view) { InvalidateRect(view.hwnd, nullptr, FALSE); }

namespace {

RECT Client(const TreeView& view) {
    RECT r{};
    GetClientRect(view.hwnd, &r);
    return r;
}

size_t MaxTop(TreeView& view) {
    const size_t n = view.rows.Count(), page = PageRows(view);
    return n > page ? n - page : 0;
}

int MaxX(const TreeView& view) {
    const int width = static_cast<int>(Client(view).right);
    return view.extent > width ? view.extent - width : 0;
}

void SetBar(HWND hwnd, int bar, int max, int page, int pos) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = max;
    info.nPage = static_cast<UINT>(page);
    info.nPos = pos;
    SetScrollInfo(hwnd, bar, &info, TRUE);
}

int TrackPos(HWND hwnd, int bar) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(hwnd, bar, &info);
    return info.nTrackPos;
}

}  // namespace

size_t PageRows(const TreeView& view) {
    const int h = static_cast<int>(Client(view).bottom) / view.rowHeight;
    return h < 1 ? 1 : static_cast<size_t>(h);
}

void UpdateScrollBars(TreeView& view) {
    // Showing or hiding a bar resizes the client area, which comes back here
    // through WM_SIZE; the outer call finishes the job.
    if (view.updatingBars) return;
    view.updatingBars = true;
    view.barsStale = false;
    for (int pass = 0; pass < 2; ++pass) {
        const size_t rows = std::min<size_t>(view.rows.Count(), INT_MAX);
        view.top = std::min(view.top, MaxTop(view));
        SetBar(view.hwnd, SB_VERT, rows ? static_cast<int>(rows) - 1 : 0, static_cast<int>(PageRows(view)),
               static_cast<int>(view.top));
        view.hscroll = std::min(view.hscroll, MaxX(view));
        SetBar(view.hwnd, SB_HORZ, view.extent ? view.extent - 1 : 0, static_cast<int>(Client(view).right),
               view.hscroll);
    }
    view.updatingBars = false;
}

void ScrollToRow(TreeView& view, size_t top) {
    top = std::min(top, MaxTop(view));
    if (top == view.top) return;
    view.top = top;
    SetScrollPos(view.hwnd, SB_VERT, static_cast<int>(std::min<size_t>(top, INT_MAX)), TRUE);
    Redraw(view);
}

void ScrollToX(TreeView& view, int x) {
    x = std::clamp(x, 0, MaxX(view));
    if (x == view.hscroll) return;
    view.hscroll = x;
    SetScrollPos(view.hwnd, SB_HORZ, x, TRUE);
    Redraw(view);
}

void OnVScroll(TreeView& view, WORD code) {
    const size_t page = PageRows(view), top = view.top;
    switch (code) {
    case SB_LINEUP: ScrollToRow(view, top ? top - 1 : 0); break;
    case SB_LINEDOWN: ScrollToRow(view, top + 1); break;
    case SB_PAGEUP: ScrollToRow(view, top > page ? top - page : 0); break;
    case SB_PAGEDOWN: ScrollToRow(view, top + page); break;
    case SB_TOP: ScrollToRow(view, 0); break;
    case SB_BOTTOM: ScrollToRow(view, MaxTop(view)); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: ScrollToRow(view, static_cast<size_t>(std::max(0, TrackPos(view.hwnd, SB_VERT)))); break;
    default: break;
    }
}

void OnHScroll(TreeView& view, WORD code) {
    const int page = static_cast<int>(Client(view).right), x = view.hscroll;
    switch (code) {
    case SB_LINELEFT: ScrollToX(view, x - view.indent); break;
    case SB_LINERIGHT: ScrollToX(view, x + view.indent); break;
    case SB_PAGELEFT: ScrollToX(view, x - page); break;
    case SB_PAGERIGHT: ScrollToX(view, x + page); break;
    case SB_LEFT: ScrollToX(view, 0); break;
    case SB_RIGHT: ScrollToX(view, MaxX(view)); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: ScrollToX(view, TrackPos(view.hwnd, SB_HORZ)); break;
    default: break;
    }
}

void EnsureRowVisible(TreeView& view, size_t row) {
    const size_t page = PageRows(view);
    if (row < view.top)
        ScrollToRow(view, row);
    else if (row >= view.top + page)
        ScrollToRow(view, row - page + 1);
    // Horizontally: the whole label if it fits, else its start with the box.
    const TreeStore::Index item = view.rows.At(row);
    HDC dc = GetDC(view.hwnd);
    const int width = LabelWidth(view, dc, item);
    ReleaseDC(view.hwnd, dc);
    const int level = RowLevel(view, item);
    const int left = LabelLeft(view, level) + view.hscroll, right = left + width;
    if (right > view.extent) {
        view.extent = right;
        UpdateScrollBars(view);
    }
    const int client = static_cast<int>(Client(view).right);
    const int start = std::max(0, left - view.indent - 2);
    if (right - view.hscroll > client)
        ScrollToX(view, std::min(start, right - client));
    else if (left < view.hscroll)
        ScrollToX(view, start);
}

size_t SelectedRow(TreeView& view) {
    if (view.selected == TreeStore::kNone) return TreeRows::kNoRow;
    if (view.rows.At(view.selectedRow) != view.selected)
        view.selectedRow = view.rows.RowOf(view.selected, view.selectedRow);
    return view.selectedRow;
}

void SelectRow(TreeView& view, size_t row) {
    const TreeStore::Index item = view.rows.At(row);
    if (item == TreeStore::kNone) return;
    view.selected = item;
    view.selectedRow = row;
    EnsureRowVisible(view, row);
    Redraw(view);
}

void ToggleRow(TreeView& view, size_t row, Toggle how) {
    const TreeStore::Index item = view.rows.At(row);
    if (item == TreeStore::kNone) return;
    const size_t selected = SelectedRow(view);
    const bool open = view.rows.Expanded(item);
    if (how == Toggle::Flip) how = open ? Toggle::Collapse : Toggle::Expand;
    if (how == Toggle::Collapse) {
        const size_t end = view.rows.SubtreeEnd(row);
        view.rows.Collapse(row);
        // A selection inside the closed part moves to the item closed.
        if (selected != TreeRows::kNoRow && selected > row && selected < end) SelectRow(view, row);
    } else {
        if (how == Toggle::Expand) view.rows.Expand(row);
        else view.rows.ExpandAll(row);
    }
    UpdateScrollBars(view);
    Redraw(view);
}
