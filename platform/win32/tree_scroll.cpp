// The glue between the engine and the window: the scroll bars follow the
// engine's rows and extent, its changes repaint the window and take a stale
// tip down, and the scroll bars' requests go back to it.
#include <algorithm>
#include <climits>

#include "tree_view.h"

namespace {

void SetBar(HWND hwnd, int bar, TreeView::Bar& last, int max, int page, int pos) {
    if (last.max == max && last.page == page && last.pos == pos) return;
    last = TreeView::Bar{max, page, pos};
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

void UpdateScrollBars(TreeView& view) {
    // Showing or hiding a bar resizes the client area, which comes back
    // through WM_SIZE (SyncViewport); the outer call finishes the job.
    if (view.updatingBars) return;
    view.updatingBars = true;
    TreeEngine& e = view.engine;
    for (int pass = 0; pass < 2; ++pass) {
        const size_t rows = std::min<size_t>(e.RowCount(), INT_MAX);
        SetBar(view.hwnd, SB_VERT, view.vbar, rows ? static_cast<int>(rows) - 1 : 0, static_cast<int>(e.PageRows()),
               static_cast<int>(std::min<size_t>(e.Top(), INT_MAX)));
        SetBar(view.hwnd, SB_HORZ, view.hbar, e.Extent() ? e.Extent() - 1 : 0, e.ViewportWidth(), e.HScroll());
        SyncViewport(view);
    }
    // The bars are what the engine says now, whatever their own resizing
    // changed on the way.
    e.TakeChanges(kTreeScrollBars);
    view.updatingBars = false;
}

}  // namespace

void SyncViewport(TreeView& view) {
    RECT client{};
    GetClientRect(view.hwnd, &client);
    view.engine.SetViewport(static_cast<int>(client.right), static_cast<int>(client.bottom));
    if (!view.updatingBars) Apply(view);
}

void Apply(TreeView& view) {
    // Changes made while applying (the bars resize the client area) are
    // taken in the same call; bars that keep appearing and disappearing
    // at a border stop after a few rounds.
    unsigned changes;
    for (int round = 0; round < 4 && (changes = view.engine.TakeChanges()) != 0; ++round) {
        if (changes & kTreeScrollBars) UpdateScrollBars(view);
        if (changes & kTreeScrolled) OnScrolledTip(view);
        if (changes & (kTreeRepaint | kTreeScrollBars | kTreeScrolled)) InvalidateRect(view.hwnd, nullptr, FALSE);
        if (changes & (kTreeSelection | kTreeExpansion)) NotifyTreeEvents(view, changes);
    }
}

void OnVScroll(TreeView& view, WORD code) {
    TreeEngine& e = view.engine;
    const long long page = static_cast<long long>(e.PageRows());
    switch (code) {
    case SB_LINEUP: e.ScrollRows(-1); break;
    case SB_LINEDOWN: e.ScrollRows(1); break;
    case SB_PAGEUP: e.ScrollRows(-page); break;
    case SB_PAGEDOWN: e.ScrollRows(page); break;
    case SB_TOP: e.ScrollToRow(0); break;
    case SB_BOTTOM: e.ScrollToRow(e.MaxTop()); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: e.ScrollToRow(static_cast<size_t>(std::max(0, TrackPos(view.hwnd, SB_VERT)))); break;
    default: break;
    }
    Apply(view);
}

void OnHScroll(TreeView& view, WORD code) {
    TreeEngine& e = view.engine;
    const int page = e.ViewportWidth(), x = e.HScroll(), step = e.Metrics().indent;
    switch (code) {
    case SB_LINELEFT: e.ScrollToX(x - step); break;
    case SB_LINERIGHT: e.ScrollToX(x + step); break;
    case SB_PAGELEFT: e.ScrollToX(x - page); break;
    case SB_PAGERIGHT: e.ScrollToX(x + page); break;
    case SB_LEFT: e.ScrollToX(0); break;
    case SB_RIGHT: e.ScrollToX(e.MaxHScroll()); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: e.ScrollToX(TrackPos(view.hwnd, SB_HORZ)); break;
    default: break;
    }
    Apply(view);
}
