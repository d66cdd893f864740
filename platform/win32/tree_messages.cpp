// The tree messages (tree_protocol.h): items are appended, cleared all at
// once, and read back by handle; a handle is the item's index in the store
// plus one.
#include <algorithm>
#include <cstring>

#include "tree_protocol.h"
#include "tree_view.h"

namespace tp = tree_protocol;

namespace {

using Index = TreeStore::Index;
constexpr Index kNone = TreeStore::kNone;

LRESULT ToHandle(Index i) { return i == kNone ? 0 : static_cast<LRESULT>(i) + 1; }

// kNone for null and the root; `valid` false for a handle that names no item.
Index FromHandle(const TreeStore& store, LPARAM handle, bool* valid) {
    *valid = true;
    if (handle == 0 || handle == tp::kRootHandle) return kNone;
    const auto v = static_cast<uintptr_t>(handle);
    if (v - 1 >= store.Count()) {
        *valid = false;
        return kNone;
    }
    return static_cast<Index>(v - 1);
}

LRESULT InsertItem(TreeView& view, const tp::Insert* insert) {
    if (!insert || reinterpret_cast<intptr_t>(insert->hInsertAfter) != tp::kLastHandle) return 0;
    bool valid;
    const Index parent = FromHandle(view.store, reinterpret_cast<LPARAM>(insert->hParent), &valid);
    if (!valid) return 0;
    const char* text = (insert->item.mask & tp::kMaskText) && insert->item.pszText ? insert->item.pszText : "";
    const intptr_t param = (insert->item.mask & tp::kMaskParam) ? insert->item.lParam : 0;
    const Index i = view.store.Append(parent, text, std::strlen(text), param);
    if (i == kNone) return 0;
    view.rows.ItemAppended(i);
    // The scroll bars and the window catch up once, at the next painting: a
    // loop filling a million items asks the window system for nothing.
    if (!view.barsStale) {
        view.barsStale = true;
        Redraw(view);
    }
    return ToHandle(i);
}

LRESULT Clear(TreeView& view) {
    view.store.Clear();
    view.rows.Clear();
    view.selected = kNone;
    view.selectedRow = 0;
    view.top = 0;
    view.hscroll = 0;
    view.extent = 0;
    view.typed.clear();
    UpdateScrollBars(view);
    Redraw(view);
    return TRUE;
}

LRESULT NextItem(const TreeStore& store, WPARAM code, LPARAM handle) {
    bool valid;
    const Index i = FromHandle(store, handle, &valid);
    if (!valid) return 0;
    switch (code) {
    case tp::kNextRoot:
        return ToHandle(store.FirstChild(kNone));
    case tp::kNextChild:
        return ToHandle(store.FirstChild(i));
    case tp::kNextSibling:
        return i == kNone ? 0 : ToHandle(store.NextSibling(i));
    case tp::kNextParent:
        return i == kNone ? 0 : ToHandle(store.Parent(i));
    default:
        return 0;
    }
}

LRESULT GetItem(const TreeStore& store, tp::Item* item) {
    if (!item) return FALSE;
    bool valid;
    const Index i = FromHandle(store, reinterpret_cast<LPARAM>(item->hItem), &valid);
    if (!valid || i == kNone) return FALSE;
    if ((item->mask & tp::kMaskText) && item->pszText && item->cchTextMax > 0) {
        const char* text = store.Text(i);
        const size_t n = std::min(std::strlen(text), static_cast<size_t>(item->cchTextMax - 1));
        std::memcpy(item->pszText, text, n);
        item->pszText[n] = '\0';
    }
    if (item->mask & tp::kMaskParam) item->lParam = store.Param(i);
    return TRUE;
}

LRESULT ButtonRectOfRow(TreeView& view, size_t row, RECT* out) {
    const Index i = view.rows.At(row);
    if (!out || i == kNone || view.store.ChildCount(i) == 0 || !(view.style & tp::kHasButtons)) return FALSE;
    const int level = RowLevel(view, i);
    if (level < 1) return FALSE;
    *out = ButtonRect(view, row, level);
    return TRUE;
}

}  // namespace

LRESULT TreeProtocol(TreeView& view, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case tp::kInsertItem:
        return InsertItem(view, reinterpret_cast<const tp::Insert*>(lParam));
    case tp::kDeleteItem:
        return lParam == tp::kRootHandle ? Clear(view) : FALSE;  // only the whole tree
    case tp::kInitStorage:
        return view.store.Reserve(wParam, static_cast<size_t>(lParam)) ? TRUE : FALSE;
    case tp::kGetCount:
        return static_cast<LRESULT>(view.store.Count());
    case tp::kGetNextItem:
        return NextItem(view.store, wParam, lParam);
    case tp::kGetItem:
        return GetItem(view.store, reinterpret_cast<tp::Item*>(lParam));
    case tp::kGetVisibleCount:
        return static_cast<LRESULT>(view.rows.Count());
    case tp::kGetRowItem:
        return ToHandle(view.rows.At(wParam));
    case tp::kGetSelection:
        return ToHandle(view.selected);
    case tp::kGetTopRow:
        return static_cast<LRESULT>(view.top);
    case tp::kGetButtonRect:
        return ButtonRectOfRow(view, wParam, reinterpret_cast<RECT*>(lParam));
    default:
        return DefWindowProcW(view.hwnd, message, wParam, lParam);
    }
}
