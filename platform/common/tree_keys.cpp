// Keys, typing and the mouse as in the system's tree view: arrows,
// Home/End, PgUp/PgDn, the keypad's + - *, type-ahead; a click selects, a
// click on the box or a double click opens or closes.
#include <algorithm>

#include "tree_engine.h"

using Index = TreeEngine::Index;

namespace {

// ASCII letters match either case; other characters match exactly.
bool StartsWith(const char* text, std::string_view prefix) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (char p : prefix) {
        const char t = *text++;
        if (t == '\0' || lower(t) != lower(p)) return false;
    }
    return true;
}

// True when `typed` is `unit` two or more times over.
bool Repeats(std::string_view typed, std::string_view unit) {
    if (unit.empty() || typed.size() <= unit.size() || typed.size() % unit.size() != 0) return false;
    for (size_t at = 0; at < typed.size(); at += unit.size())
        if (typed.compare(at, unit.size(), unit) != 0) return false;
    return true;
}

}  // namespace

// Left: close an open item, else go to its parent (just above it, or above
// its open siblings).
void TreeEngine::KeyLeft(size_t row) {
    const Index item = rows_.At(row);
    if (rows_.Expanded(item)) {
        ToggleRow(row, Toggle::Collapse);
        EnsureVisible(row);
        return;
    }
    const Index parent = store_.Parent(item);
    if (parent == kNone) return;
    const size_t up = rows_.RowOf(parent, row);
    if (up != kNoRow) SelectRow(up);
}

// Right: open a closed item, else go to its first child.
void TreeEngine::KeyRight(size_t row) {
    const Index item = rows_.At(row);
    if (store_.ChildCount(item) == 0) return;
    if (!rows_.Expanded(item)) {
        ToggleRow(row, Toggle::Expand);
        EnsureVisible(row);
    } else {
        SelectRow(row + 1);
    }
}

void TreeEngine::Key(TreeKey key) {
    const Batch batch(*this);
    const size_t n = rows_.Count();
    if (n == 0) return;
    const size_t row = SelectedRow(), page = std::max<size_t>(PageRows(), 2) - 1;
    if (row == kNoRow) {
        // Nothing selected yet: a moving key starts at the first row, End at the last.
        if (key == TreeKey::End)
            SelectRow(n - 1);
        else if (key != TreeKey::Add && key != TreeKey::Subtract && key != TreeKey::Multiply)
            SelectRow(0);
        return;
    }
    const auto toggled = [&](Toggle how) {
        ToggleRow(row, how);
        EnsureVisible(row);
    };
    switch (key) {
    case TreeKey::Up: if (row > 0) SelectRow(row - 1); break;
    case TreeKey::Down: if (row + 1 < n) SelectRow(row + 1); break;
    case TreeKey::Home: SelectRow(0); break;
    case TreeKey::End: SelectRow(n - 1); break;
    case TreeKey::PageUp: SelectRow(row > page ? row - page : 0); break;
    case TreeKey::PageDown: SelectRow(std::min(row + page, n - 1)); break;
    case TreeKey::Left: KeyLeft(row); break;
    case TreeKey::Right: KeyRight(row); break;
    case TreeKey::Add: toggled(Toggle::Expand); break;
    case TreeKey::Subtract: toggled(Toggle::Collapse); break;
    case TreeKey::Multiply: toggled(Toggle::ExpandAll); break;
    }
}

void TreeEngine::Type(std::string_view utf8, uint64_t nowMs) {
    const Batch batch(*this);
    if (utf8.empty()) return;
    const size_t n = rows_.Count();
    if (n == 0) return;
    if (nowMs - typedAt_ > kTypeAheadTimeout) typed_.clear();
    typedAt_ = nowMs;
    typed_.append(utf8);
    // A first letter, or the same letter again, looks from the next row on;
    // a longer word from this one, so that it stays while it still matches.
    const bool repeated = Repeats(typed_, utf8);
    const std::string_view prefix = repeated ? utf8 : std::string_view(typed_);
    const size_t row = SelectedRow();
    size_t start = row == kNoRow ? 0 : row;
    if (row != kNoRow && (repeated || typed_.size() == utf8.size())) start = (row + 1) % n;
    for (size_t k = 0; k < n; ++k) {
        const size_t r = (start + k) % n;
        if (StartsWith(store_.Text(rows_.At(r)), prefix)) {
            SelectRow(r);
            return;
        }
    }
}

TreeHit TreeEngine::HitTest(int x, int y) {
    TreeHit hit;
    if (y < 0 || y >= height_ || metrics_.rowHeight <= 0) return hit;
    const size_t row = top_ + static_cast<size_t>(y / metrics_.rowHeight);
    const Index item = rows_.At(row);
    if (item == kNone) return hit;
    hit.row = row;
    hit.item = item;
    const int level = LevelOf(item);
    // The box answers in its whole column of indentation.
    const int boxColumn = BoxCenterX(level) - metrics_.indent / 2;
    const TreeRowLayout* laid = RowLayout(row);
    const int labelRight = laid ? laid->label.right : LabelLeft(level) + LabelWidth(item);
    if (style_.buttons && level >= 1 && store_.ChildCount(item) > 0 && x >= boxColumn &&
        x < boxColumn + metrics_.indent)
        hit.part = TreePart::Box;
    else if (x < LabelLeft(level) - 2)
        hit.part = TreePart::Indent;
    else if (x < labelRight)
        hit.part = TreePart::Label;
    else
        hit.part = TreePart::RightOfLabel;
    return hit;
}

void TreeEngine::Click(int x, int y, bool doubleClick) {
    const Batch batch(*this);
    const TreeHit hit = HitTest(x, y);
    switch (hit.part) {
    case TreePart::Box:
        ToggleRow(hit.row, Toggle::Flip);
        break;
    case TreePart::Label:
    case TreePart::RightOfLabel:
        SelectRow(hit.row);
        if (doubleClick) ToggleRow(hit.row, Toggle::Flip);
        break;
    default:
        break;
    }
}
