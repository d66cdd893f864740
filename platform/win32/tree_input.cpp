// Keys and mouse as in a tree view: arrows, Home/End, PgUp/PgDn, the keypad's
// + - *, type-ahead; a click selects, a click on the box or a double click
// opens or closes, the wheel scrolls.
#include <algorithm>

#include "tree_view.h"
#include "utf16.h"

namespace {

using Index = TreeStore::Index;
constexpr size_t kNoRow = TreeRows::kNoRow;

// Left: close an open item, else go to its parent (just above it, or above
// its open siblings).
void KeyLeft(TreeView& view, size_t row) {
    const Index item = view.rows.At(row);
    if (view.rows.Expanded(item)) {
        ToggleRow(view, row, Toggle::Collapse);
        EnsureRowVisible(view, row);
        return;
    }
    const Index parent = view.store.Parent(item);
    if (parent == TreeStore::kNone) return;
    const size_t up = view.rows.RowOf(parent, row);
    if (up != kNoRow) SelectRow(view, up);
}

// Right: open a closed item, else go to its first child.
void KeyRight(TreeView& view, size_t row) {
    const Index item = view.rows.At(row);
    if (view.store.ChildCount(item) == 0) return;
    if (!view.rows.Expanded(item)) {
        ToggleRow(view, row, Toggle::Expand);
        EnsureRowVisible(view, row);
    } else {
        SelectRow(view, row + 1);
    }
}

void Toggled(TreeView& view, size_t row, Toggle how) {
    ToggleRow(view, row, how);
    EnsureRowVisible(view, row);
}

// ASCII letters match either case; other characters match exactly.
bool StartsWith(const char* text, const std::string& prefix) {
    for (char p : prefix) {
        const char t = *text++;
        if (t == '\0') return false;
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(t) != lower(p)) return false;
    }
    return true;
}

}  // namespace

void OnKeyDown(TreeView& view, WPARAM key) {
    const size_t n = view.rows.Count();
    if (n == 0) return;
    const size_t row = SelectedRow(view), page = std::max<size_t>(PageRows(view), 2) - 1;
    if (row == kNoRow) {
        // Nothing selected yet: any moving key starts at the first row.
        if (key == VK_UP || key == VK_DOWN || key == VK_HOME || key == VK_PRIOR || key == VK_NEXT || key == VK_LEFT ||
            key == VK_RIGHT)
            SelectRow(view, 0);
        else if (key == VK_END)
            SelectRow(view, n - 1);
        return;
    }
    switch (key) {
    case VK_UP: if (row > 0) SelectRow(view, row - 1); break;
    case VK_DOWN: if (row + 1 < n) SelectRow(view, row + 1); break;
    case VK_HOME: SelectRow(view, 0); break;
    case VK_END: SelectRow(view, n - 1); break;
    case VK_PRIOR: SelectRow(view, row > page ? row - page : 0); break;
    case VK_NEXT: SelectRow(view, std::min(row + page, n - 1)); break;
    case VK_LEFT: KeyLeft(view, row); break;
    case VK_RIGHT: KeyRight(view, row); break;
    case VK_ADD: Toggled(view, row, Toggle::Expand); break;
    case VK_SUBTRACT: Toggled(view, row, Toggle::Collapse); break;
    case VK_MULTIPLY: Toggled(view, row, Toggle::ExpandAll); break;
    default: break;
    }
}

void OnChar(TreeView& view, WPARAM ch) {
    // Control characters and the keypad's + - * (handled as keys) do not type.
    if (ch < 0x20 || ch == '+' || ch == '-' || ch == '*') return;
    const size_t n = view.rows.Count();
    if (n == 0) return;
    const DWORD now = GetTickCount();  // keys may arrive sent, not posted
    if (now - view.typedAt > 1000) view.typed.clear();
    view.typedAt = now;
    const char16_t unit = static_cast<char16_t>(ch);
    view.typed += viewer::Utf16ToUtf8(std::u16string_view(&unit, 1));
    // A new word searches from the next row; a longer prefix from this one.
    const size_t row = SelectedRow(view);
    size_t start = row == kNoRow ? 0 : row;
    if (row != kNoRow && view.typed.size() == 1) start = (row + 1) % n;
    for (size_t k = 0; k < n; ++k) {
        const size_t r = (start + k) % n;
        if (StartsWith(view.store.Text(view.rows.At(r)), view.typed)) {
            SelectRow(view, r);
            return;
        }
    }
}

void OnMouseDown(TreeView& view, int x, int y, bool doubleClick) {
    SetFocus(view.hwnd);
    if (y < 0) return;
    const size_t row = view.top + static_cast<size_t>(y / view.rowHeight);
    const Index item = view.rows.At(row);
    if (item == TreeStore::kNone) return;
    const int level = RowLevel(view, item);
    // The box answers in its whole column of indentation.
    const bool onBox = (view.style & tree_protocol::kHasButtons) && level >= 1 &&
                       view.store.ChildCount(item) > 0 && x >= ButtonCenterX(view, level) - view.indent / 2 &&
                       x < ButtonCenterX(view, level) - view.indent / 2 + view.indent;
    if (onBox) {
        ToggleRow(view, row, Toggle::Flip);
        return;
    }
    if (x < LabelLeft(view, level) - 2) return;  // the indentation selects nothing
    SelectRow(view, row);
    if (doubleClick) ToggleRow(view, row, Toggle::Flip);
}

void OnWheel(TreeView& view, int delta) {
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    view.wheelDelta += delta;
    const int notches = view.wheelDelta / WHEEL_DELTA;
    if (notches == 0) return;
    view.wheelDelta -= notches * WHEEL_DELTA;
    const size_t step = lines == WHEEL_PAGESCROLL ? PageRows(view) : lines;
    const size_t amount = step * static_cast<size_t>(notches < 0 ? -notches : notches);
    if (notches > 0)
        ScrollToRow(view, view.top > amount ? view.top - amount : 0);
    else
        ScrollToRow(view, view.top + amount);
}
