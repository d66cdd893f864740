// The system tree view's own messages, answered as its documentation says:
// the window stands under the class name SysTreeView32, and what reads a
// tree view (screen readers and their proxies, automation tools) sends it
// these, with UTF-16 text (TVM_GETITEMW) or the ANSI code page's
// (TVM_GETITEMA). A handle is an item's index in the store plus one, as in
// the facade's protocol.
#include "tree_view.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "utf16.h"

namespace tp = tree_protocol;

// Our numbers must not be the system's: its tree messages run from TV_FIRST
// to TVM_GETITEMPARTRECT, and the common controls' shared ones start at
// CCM_FIRST.
static_assert(TV_FIRST == tp::kFirst && TVM_GETITEMPARTRECT == tp::kFirst + 72);
static_assert(TVM_DELETEITEM == tp::kDeleteItem && TVM_GETCOUNT == tp::kGetCount);
static_assert(TVM_GETNEXTITEM == tp::kGetNextItem);
static_assert([] {
    for (unsigned m : tp::kPrivateMessages)
        if (m <= TVM_GETITEMPARTRECT || m >= CCM_FIRST) return false;
    return true;
}());

namespace {

using Index = TreeStore::Index;
constexpr Index kNone = TreeStore::kNone;
constexpr UINT kFocusedState = 0x0001;  // TVIS_FOCUSED, which the mingw headers lack

LRESULT Handle(Index i) { return i == kNone ? 0 : static_cast<LRESULT>(i) + 1; }

// The item a handle names, or kNone (for null, TVI_ROOT and unknown ones).
Index ItemOf(const TreeStore& store, const void* handle) {
    const auto v = reinterpret_cast<uintptr_t>(handle);
    return v == 0 || v - 1 >= store.Count() ? kNone : static_cast<Index>(v - 1);
}

Index PreviousSibling(const TreeStore& store, Index i) {
    const uint32_t at = store.Row(i);
    return at == 0 ? kNone : store.ChildAt(store.Parent(i), at - 1);
}

LRESULT NextItem(TreeView& view, WPARAM code, LPARAM handle) {
    TreeEngine& e = view.engine;
    const TreeStore& store = e.Store();
    const Index i = ItemOf(store, reinterpret_cast<const void*>(handle));
    const auto shownRow = [&] { return i == kNone ? TreeEngine::kNoRow : e.RowOf(i); };
    switch (code) {
    case TVGN_ROOT: return Handle(store.FirstChild(kNone));
    case TVGN_CARET: return Handle(e.Selected());
    case TVGN_FIRSTVISIBLE: return Handle(e.RowItem(e.Top()));
    // The last row shown, in the window or not.
    case TVGN_LASTVISIBLE: return e.RowCount() ? Handle(e.RowItem(e.RowCount() - 1)) : 0;
    case TVGN_DROPHILITE: return 0;  // the tree takes no drops: no target
    default: break;
    }
    if (i == kNone) {
        // The invisible root's children are the top-level items.
        const bool root = handle == 0 || handle == tp::kRootHandle;
        return code == TVGN_CHILD && root ? Handle(store.FirstChild(kNone)) : 0;
    }
    switch (code) {
    case TVGN_CHILD: return Handle(store.FirstChild(i));
    case TVGN_NEXT: return Handle(store.NextSibling(i));
    case TVGN_PREVIOUS: return Handle(PreviousSibling(store, i));
    case TVGN_PARENT: return Handle(store.Parent(i));
    // "Visible" as the documentation has it: shown, all ancestors open,
    // whether scrolled into the window or not. The item given must be
    // visible, so a hidden one has neither (wine's control answers the
    // item after it in the whole tree).
    case TVGN_NEXTVISIBLE: {
        const size_t row = shownRow();
        return row == TreeEngine::kNoRow ? 0 : Handle(e.RowItem(row + 1));
    }
    case TVGN_PREVIOUSVISIBLE: {
        const size_t row = shownRow();
        return row == TreeEngine::kNoRow || row == 0 ? 0 : Handle(e.RowItem(row - 1));
    }
    default: return 0;  // TVGN_NEXTSELECTED: one selection only, and no multiple-selection style
    }
}

// The text as UTF-16 into a caller's buffer of `capacity` units, cut short
// (not inside a surrogate pair) to fit.
void CopyWide(const char* text, wchar_t* out, int capacity) {
    if (!out || capacity <= 0) return;
    std::u16string wide;
    if (!viewer::Utf8ToUtf16(text, &wide)) wide = u"?";
    size_t n = std::min(wide.size(), static_cast<size_t>(capacity - 1));
    if (n > 0 && n < wide.size() && wide[n - 1] >= 0xD800 && wide[n - 1] < 0xDC00) --n;
    std::memcpy(out, wide.data(), n * sizeof(wchar_t));
    out[n] = L'\0';
}

// The same in the ANSI code page, not cut inside a double-byte character.
void CopyAnsi(const char* text, char* out, int capacity) {
    if (!out || capacity <= 0) return;
    std::u16string wide;
    if (!viewer::Utf8ToUtf16(text, &wide)) wide = u"?";
    const auto* w = reinterpret_cast<const wchar_t*>(wide.c_str());
    std::string ansi(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_ACP, 0, w, -1, ansi.data(), static_cast<int>(ansi.size()), nullptr, nullptr);
    if (!ansi.empty()) ansi.pop_back();
    size_t n = 0;
    while (n < ansi.size()) {
        const size_t step = IsDBCSLeadByte(static_cast<BYTE>(ansi[n])) && n + 1 < ansi.size() ? 2 : 1;
        if (n + step > static_cast<size_t>(capacity - 1)) break;
        n += step;
    }
    std::memcpy(out, ansi.data(), n);
    out[n] = '\0';
}

// TVM_GETITEMW and TVM_GETITEMA: TVITEM and TVITEMEX begin alike, and
// nothing past TVITEM's fields is written.
template <typename Item, typename Copy>
LRESULT GetItem(TreeView& view, Item* item, Copy copy) {
    if (!item) return FALSE;
    const TreeStore& store = view.engine.Store();
    const Index i = ItemOf(store, item->hItem);
    if (i == kNone) return FALSE;
    if (item->mask & TVIF_TEXT) copy(store.Text(i), item->pszText, item->cchTextMax);
    if (item->mask & TVIF_PARAM) item->lParam = store.Param(i);
    // Only the bits stateMask asks for, as the documentation of TVITEM
    // says (wine's control gives every bit whatever the mask).
    if (item->mask & TVIF_STATE) item->state = TreeItemState(view, i) & item->stateMask;
    if (item->mask & TVIF_CHILDREN) item->cChildren = store.ChildCount(i) > 0 ? 1 : 0;
    if (item->mask & TVIF_IMAGE) item->iImage = 0;  // no image lists
    if (item->mask & TVIF_SELECTEDIMAGE) item->iSelectedImage = 0;
    return TRUE;
}

// The item whose handle the RECT holds on the way in: the label's
// rectangle (textOnly) or its whole line's, for an item shown.
LRESULT ItemRect(TreeView& view, bool textOnly, RECT* rect) {
    if (!rect) return FALSE;
    void* handle = nullptr;
    std::memcpy(&handle, rect, sizeof handle);
    const Index i = ItemOf(view.engine.Store(), handle);
    const size_t row = i == kNone ? TreeEngine::kNoRow : view.engine.RowOf(i);
    TreeRect r;
    if (row == TreeEngine::kNoRow || !view.engine.LabelRect(row, &r)) return FALSE;
    if (!textOnly) r.left = 0, r.right = view.engine.ViewportWidth();
    *rect = RECT{r.left, r.top, r.right, r.bottom};
    return TRUE;
}

LRESULT HitTest(TreeView& view, TVHITTESTINFO* info) {
    if (!info) return 0;
    const int x = info->pt.x, y = info->pt.y;
    UINT outside = 0;
    if (x < 0) outside |= TVHT_TOLEFT;
    else if (x >= view.engine.ViewportWidth()) outside |= TVHT_TORIGHT;
    if (y < 0) outside |= TVHT_ABOVE;
    else if (y >= view.engine.ViewportHeight()) outside |= TVHT_BELOW;
    info->hItem = nullptr;
    info->flags = outside;
    if (outside) return 0;
    const TreeHit hit = view.engine.HitTest(x, y);
    switch (hit.part) {
    case TreePart::Indent: info->flags = TVHT_ONITEMINDENT; break;
    case TreePart::Box: info->flags = TVHT_ONITEMBUTTON; break;
    case TreePart::Label: info->flags = TVHT_ONITEMLABEL; break;
    case TreePart::RightOfLabel: info->flags = TVHT_ONITEMRIGHT; break;
    default: info->flags = TVHT_NOWHERE; return 0;  // below the last row
    }
    info->hItem = reinterpret_cast<HTREEITEM>(Handle(hit.item));
    return Handle(hit.item);
}

// Opens the closed ancestors of `i`, outermost first; true if any was.
bool OpenAncestors(TreeEngine& e, Index i) {
    bool opened = false;
    std::vector<Index> closed;
    for (Index p = e.Store().Parent(i); p != kNone; p = e.Store().Parent(p))
        if (!e.Expanded(p)) closed.push_back(p);
    for (auto a = closed.rbegin(); a != closed.rend(); ++a) {
        e.ToggleRow(e.RowOf(*a), TreeEngine::Toggle::Expand);
        opened = true;
    }
    return opened;
}

LRESULT Expand(TreeView& view, WPARAM action, LPARAM handle) {
    TreeEngine& e = view.engine;
    const Index i = ItemOf(e.Store(), reinterpret_cast<const void*>(handle));
    // Children are never removed (the store only appends), so
    // TVE_COLLAPSERESET fails; and an item in a closed part has no row to
    // open until its parent is (the system's control opens it unseen).
    if (i == kNone || e.Store().ChildCount(i) == 0 || (action & TVE_COLLAPSERESET)) return FALSE;
    const size_t row = e.RowOf(i);
    if (row == TreeEngine::kNoRow) return FALSE;
    const bool open = e.Expanded(i);
    switch (action & TVE_TOGGLE) {
    case TVE_EXPAND:  // TVE_EXPANDPARTIAL too: every child shows
        if (!open) e.ToggleRow(row, TreeEngine::Toggle::Expand);
        break;
    case TVE_COLLAPSE:
        if (!open) return FALSE;  // already closed: the documentation's failure
        e.ToggleRow(row, TreeEngine::Toggle::Collapse);
        break;
    case TVE_TOGGLE: e.ToggleRow(row, TreeEngine::Toggle::Flip); break;
    default: return FALSE;
    }
    Apply(view);
    return TRUE;
}

LRESULT SelectItem(TreeView& view, WPARAM code, LPARAM handle) {
    TreeEngine& e = view.engine;
    const Index i = ItemOf(e.Store(), reinterpret_cast<const void*>(handle));
    if (handle && i == kNone) return FALSE;
    switch (code & ~static_cast<WPARAM>(TVSI_NOSINGLEEXPAND)) {
    case TVGN_CARET: e.Select(i); break;  // null: nothing selected
    case TVGN_FIRSTVISIBLE:
        if (i == kNone) return FALSE;
        OpenAncestors(e, i);
        e.ScrollToRow(e.RowOf(i));  // as near the top as the end allows
        break;
    // The tree takes no drops and draws no drop target: only "none" can be
    // one (the system's control highlights any item asked).
    case TVGN_DROPHILITE: return i == kNone;
    default: return FALSE;
    }
    Apply(view);
    return TRUE;
}

LRESULT EnsureVisible(TreeView& view, LPARAM handle) {
    TreeEngine& e = view.engine;
    const Index i = ItemOf(e.Store(), reinterpret_cast<const void*>(handle));
    if (i == kNone) return FALSE;
    const size_t top = e.Top();
    const int x = e.HScroll();
    const bool opened = OpenAncestors(e, i);
    e.EnsureVisible(e.RowOf(i));
    Apply(view);
    return !opened && (e.Top() != top || e.HScroll() != x);
}

}  // namespace

// TVIS_FOCUSED goes with the focus rectangle the caret has while the window
// has the focus, as the documentation describes it (wine's control never
// sets it). TVIS_EXPANDEDONCE is not kept.
UINT TreeItemState(TreeView& view, TreeStore::Index i) {
    TreeEngine& e = view.engine;
    UINT state = 0;
    if (e.Expanded(i) && e.Store().ChildCount(i) > 0) state |= TVIS_EXPANDED;
    if (i == e.Selected()) state |= TVIS_SELECTED | (e.Focused() ? kFocusedState : 0);
    return state;
}

bool TreeNativeMessage(TreeView& view, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    TreeEngine& e = view.engine;
    const TreeStore& store = e.Store();
    switch (message) {
    case TVM_GETNEXTITEM: *result = NextItem(view, wParam, lParam); break;
    case TVM_GETITEMW:
        *result = GetItem(view, reinterpret_cast<TVITEMW*>(lParam), CopyWide);
        break;
    case TVM_GETITEMA:
        *result = GetItem(view, reinterpret_cast<TVITEMA*>(lParam), CopyAnsi);
        break;
    case TVM_GETITEMSTATE: {
        const Index i = ItemOf(store, reinterpret_cast<const void*>(wParam));
        *result = i == kNone ? 0 : static_cast<LRESULT>(TreeItemState(view, i) & static_cast<UINT>(lParam));
        break;
    }
    case TVM_GETITEMRECT: *result = ItemRect(view, wParam != 0, reinterpret_cast<RECT*>(lParam)); break;
    case TVM_HITTEST: *result = HitTest(view, reinterpret_cast<TVHITTESTINFO*>(lParam)); break;
    case TVM_EXPAND: *result = Expand(view, wParam, lParam); break;
    case TVM_SELECTITEM: *result = SelectItem(view, wParam, lParam); break;
    case TVM_ENSUREVISIBLE: *result = EnsureVisible(view, lParam); break;
    // The rows that fit whole in the window, not the rows shown.
    case TVM_GETVISIBLECOUNT:
        *result = e.Metrics().rowHeight > 0 ? e.ViewportHeight() / e.Metrics().rowHeight : 0;
        break;
    case TVM_GETINDENT: *result = e.Metrics().indent; break;
    case TVM_GETITEMHEIGHT: *result = e.Metrics().rowHeight; break;
    // Accessibility ids are the handles themselves (see tree_access.cpp).
    case TVM_MAPACCIDTOHTREEITEM:
    case TVM_MAPHTREEITEMTOACCID:
        *result = ItemOf(store, reinterpret_cast<const void*>(wParam)) == kNone ? 0 : static_cast<LRESULT>(wParam);
        break;
    case CCM_GETUNICODEFORMAT: *result = TRUE; break;  // a Unicode window
    default: return false;
    }
    return true;
}
