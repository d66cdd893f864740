// The facade's tree messages (tree_protocol.h): items are appended, cleared
// all at once, and read back by handle; a handle is the item's index in the
// store plus one. The system's own messages are in tree_native.cpp.
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
    const Index parent = FromHandle(view.engine.Store(), reinterpret_cast<LPARAM>(insert->hParent), &valid);
    if (!valid) return 0;
    const char* text = (insert->item.mask & tp::kMaskText) && insert->item.pszText ? insert->item.pszText : "";
    const intptr_t param = (insert->item.mask & tp::kMaskParam) ? insert->item.lParam : 0;
    const Index i = view.engine.Append(parent, text, std::strlen(text), param);
    if (i == kNone) return 0;
    // The rows, scroll bars and window catch up once, when the posted flush
    // arrives: a loop filling a million items asks the window system for
    // nothing more.
    if (!view.flushPosted) view.flushPosted = PostMessageW(view.hwnd, TreeFlushMessage(), 0, 0) != 0;
    return ToHandle(i);
}

LRESULT Clear(TreeView& view) {
    view.engine.Clear();
    view.tipItem = kNone;
    Apply(view);
    return TRUE;
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
    TreeRect box;
    if (!out || !view.engine.BoxRect(row, &box)) return FALSE;
    *out = RECT{box.left, box.top, box.right, box.bottom};
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
        return view.engine.Reserve(wParam, static_cast<size_t>(lParam)) ? TRUE : FALSE;
    case tp::kGetCount:
        return static_cast<LRESULT>(view.engine.Store().Count());
    case tp::kGetItem:
        return GetItem(view.engine.Store(), reinterpret_cast<tp::Item*>(lParam));
    case tp::kGetVisibleCount:
        return static_cast<LRESULT>(view.engine.RowCount());
    case tp::kGetRowItem:
        return ToHandle(view.engine.RowItem(wParam));
    case tp::kGetSelection:
        return ToHandle(view.engine.Selected());
    case tp::kGetTopRow:
        return static_cast<LRESULT>(view.engine.Top());
    case tp::kGetButtonRect:
        return ButtonRectOfRow(view, wParam, reinterpret_cast<RECT*>(lParam));
    default: {
        LRESULT result = 0;
        if (TreeNativeMessage(view, message, wParam, lParam, &result)) return result;
        return DefWindowProcW(view.hwnd, message, wParam, lParam);
    }
    }
}
