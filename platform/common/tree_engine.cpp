// The tree engine's state, scrolling and layout; keys, typing and the mouse
// are in tree_keys.cpp.
#include "tree_engine.h"

#include <algorithm>
#include <cmath>

using Index = TreeEngine::Index;

TreeMetrics TreeMetrics::For(int textHeight, int dpi) {
    TreeMetrics m;
    m.textHeight = std::max(textHeight, 1);
    // The classic control: a 19-pixel indent and a 9-pixel box at 96 dpi
    // with a 12- or 13-pixel font.
    const double byScreen = dpi > 0 ? dpi / 96.0 : 1.0;
    const double byFont = m.textHeight / 13.0;
    const double scale = std::max({1.0, byScreen, byFont});
    m.indent = static_cast<int>(std::lround(19 * scale));
    m.box = static_cast<int>(std::lround(9 * scale)) | 1;
    m.sign = std::max(2, (m.box - 1) / 4);
    m.rowHeight = std::max(m.textHeight + 2, static_cast<int>(std::lround(12 * scale)));
    return m;
}

TreeEngine::TreeEngine(TreeStyle style) : style_(style) {}

Index TreeEngine::Append(Index parent, const char* text, size_t length, intptr_t param) {
    const Index i = store_.Append(parent, text, length, param);
    if (i == kNone) return kNone;
    rows_.ItemAppended(i);
    pending_ = true;
    return i;
}

bool TreeEngine::Reserve(size_t items, size_t textBytes) {
    // The rows' room first: it goes again should the store's fail.
    if (!rows_.Reserve(items)) return false;
    if (store_.Reserve(items, textBytes)) return true;
    rows_.Reserve(0);
    return false;
}

void TreeEngine::Clear() {
    store_.Clear();
    rows_.Clear();
    selected_ = kNone;
    lastToggled_ = kNone;
    selectedRow_ = 0;
    top_ = 0;
    hscroll_ = 0;
    extent_ = 0;
    typed_.clear();
    pending_ = false;
    Changed(kTreeScrollBars | kTreeSelection | kTreeScrolled);
    Relayout();
}

bool TreeEngine::Flush() {
    if (!pending_) return false;
    pending_ = false;
    Changed(kTreeScrollBars);
    Relayout();
    return true;
}

void TreeEngine::SetMetrics(const TreeMetrics& metrics, Measure measure) {
    metrics_ = metrics;
    measure_ = std::move(measure);
    extent_ = 0;  // widths change with the font; measured again as rows are laid out
    Changed(kTreeScrollBars | kTreeScrolled);
    Relayout();
}

void TreeEngine::SetViewport(int width, int height) {
    if (width == width_ && height == height_) return;
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    top_ = std::min(top_, MaxTop());
    hscroll_ = std::min(hscroll_, MaxHScroll());
    Changed(kTreeScrollBars | kTreeScrolled);
    Relayout();
}

void TreeEngine::SetFocused(bool focused) {
    if (focused == focused_) return;
    focused_ = focused;
    Changed(kTreeRepaint);
}

size_t TreeEngine::RowOf(Index item) {
    if (item == kNone) return kNoRow;
    return rows_.RowOf(item, item == selected_ ? selectedRow_ : 0);
}

size_t TreeEngine::SelectedRow() {
    if (selected_ == kNone) return kNoRow;
    if (rows_.At(selectedRow_) != selected_) selectedRow_ = rows_.RowOf(selected_, selectedRow_);
    return selectedRow_;
}

size_t TreeEngine::PageRows() const {
    const int rows = metrics_.rowHeight > 0 ? height_ / metrics_.rowHeight : 0;
    return rows < 1 ? 1 : static_cast<size_t>(rows);
}

size_t TreeEngine::MaxTop() {
    const size_t n = rows_.Count(), page = PageRows();
    return n > page ? n - page : 0;
}

void TreeEngine::ScrollToRow(size_t top) {
    top = std::min(top, MaxTop());
    if (top == top_) return;
    top_ = top;
    Changed(kTreeScrollBars | kTreeScrolled);
    Relayout();
}

void TreeEngine::ScrollToX(int x) {
    x = std::clamp(x, 0, MaxHScroll());
    if (x == hscroll_) return;
    hscroll_ = x;
    Changed(kTreeScrollBars | kTreeScrolled);
    Relayout();
}

void TreeEngine::ScrollRows(long long delta) {
    if (delta < 0) {
        const auto up = static_cast<size_t>(-delta);
        ScrollToRow(top_ > up ? top_ - up : 0);
    } else {
        ScrollToRow(top_ + static_cast<size_t>(delta));
    }
}

int TreeEngine::LabelWidth(Index item) const {
    return (measure_ ? measure_(store_.Text(item)) : 0) + 4;
}

void TreeEngine::EnsureVisible(size_t row) {
    const Batch batch(*this);
    const Index item = rows_.At(row);
    if (item == kNone) return;
    const size_t page = PageRows();
    if (row < top_)
        ScrollToRow(row);
    else if (row >= top_ + page)
        ScrollToRow(row - page + 1);
    const int level = LevelOf(item);
    const int left = level * metrics_.indent + 2, right = left + LabelWidth(item);
    if (right > extent_) {
        extent_ = right;
        Changed(kTreeScrollBars);
    }
    const int start = std::max(0, left - metrics_.indent - 2);
    if (right - hscroll_ > width_)
        ScrollToX(std::min(start, right - width_));
    else if (left < hscroll_)
        ScrollToX(start);
}

void TreeEngine::SelectRow(size_t row) {
    const Batch batch(*this);
    const Index item = rows_.At(row);
    if (item == kNone) return;
    if (item != selected_) Changed(kTreeSelection);
    selected_ = item;
    selectedRow_ = row;
    EnsureVisible(row);
    Changed(kTreeRepaint);
    Relayout();
}

void TreeEngine::Select(Index item) {
    const Batch batch(*this);
    if (item == kNone || !store_.Valid(item)) {
        if (selected_ != kNone) Changed(kTreeSelection | kTreeRepaint);
        selected_ = kNone;
        Relayout();
        return;
    }
    // Open the closed ancestors, outermost first.
    std::vector<Index> closed;
    for (Index p = store_.Parent(item); p != kNone; p = store_.Parent(p))
        if (!rows_.Expanded(p)) closed.push_back(p);
    for (auto a = closed.rbegin(); a != closed.rend(); ++a) {
        const size_t row = rows_.RowOf(*a, 0);
        if (row != kNoRow) ToggleRow(row, Toggle::Expand);
    }
    SelectRow(rows_.RowOf(item, 0));
}

void TreeEngine::ToggleRow(size_t row, Toggle how) {
    const Batch batch(*this);
    const Index item = rows_.At(row);
    if (item == kNone) return;
    const size_t selected = SelectedRow();
    const bool wasOpen = rows_.Expanded(item);
    if (how == Toggle::Flip) how = rows_.Expanded(item) ? Toggle::Collapse : Toggle::Expand;
    size_t changed = 0;
    if (how == Toggle::Collapse) {
        const size_t end = rows_.SubtreeEnd(row);
        changed = rows_.Collapse(row);
        // A selection inside the closed part moves to the item closed.
        if (selected != kNoRow && selected > row && selected < end) {
            selected_ = item;
            selectedRow_ = row;
            Changed(kTreeSelection);
        } else if (selected != kNoRow && selected >= end) {
            selectedRow_ = selected - changed;
        }
    } else {
        const bool was = rows_.Expanded(item);
        changed = how == Toggle::Expand ? rows_.Expand(row) : rows_.ExpandAll(row);
        if (selected != kNoRow && selected > row) selectedRow_ = selected + changed;
        if (!was && rows_.Expanded(item)) Changed(kTreeExpansion);
    }
    if (changed) Changed(kTreeExpansion | kTreeScrollBars | kTreeScrolled);
    if (changed || rows_.Expanded(item) != wasOpen) lastToggled_ = item;
    top_ = std::min(top_, MaxTop());
    Changed(kTreeRepaint);
    Relayout();
}

TreeRect TreeEngine::BoxAt(int level, int top) const {
    const int x = BoxCenterX(level), y = top + metrics_.rowHeight / 2, half = metrics_.box / 2;
    return TreeRect{x - half, y - half, x - half + metrics_.box, y - half + metrics_.box};
}

bool TreeEngine::BoxRect(size_t row, TreeRect* out) {
    const Index item = rows_.At(row);
    if (item == kNone || !style_.buttons || store_.ChildCount(item) == 0) return false;
    const int level = LevelOf(item);
    if (level < 1) return false;
    const long long top = (static_cast<long long>(row) - static_cast<long long>(top_)) * metrics_.rowHeight;
    if (out) *out = BoxAt(level, static_cast<int>(std::clamp<long long>(top, -(1LL << 30), 1LL << 30)));
    return true;
}

bool TreeEngine::LabelRect(size_t row, TreeRect* out) {
    const Index item = rows_.At(row);
    if (item == kNone) return false;
    const long long top = (static_cast<long long>(row) - static_cast<long long>(top_)) * metrics_.rowHeight;
    const int y = static_cast<int>(std::clamp<long long>(top, -(1LL << 30), 1LL << 30));
    const int left = LabelLeft(LevelOf(item));
    if (out) *out = TreeRect{left, y, left + LabelWidth(item), y + metrics_.rowHeight};
    return true;
}

const TreeRowLayout* TreeEngine::RowLayout(size_t row) const {
    if (row < top_ || row - top_ >= layout_.size()) return nullptr;
    return &layout_[row - top_];
}

void TreeEngine::LayRow(size_t row, int top) {
    TreeRowLayout r;
    r.row = row;
    r.item = rows_.At(row);
    r.depth = rows_.Depth(r.item);
    r.level = LevelOf(r.item);
    r.top = top;
    r.bottom = top + metrics_.rowHeight;
    r.expanded = rows_.Expanded(r.item);
    r.selected = r.item == selected_;
    const int h = metrics_.rowHeight, cy = top + h / 2;
    r.firstLine = lines_.size();
    if (style_.lines) {
        // A line through the row for every ancestor that has a sibling below.
        int l = r.level - 1;
        for (Index a = store_.Parent(r.item); a != kNone && l >= 1; a = store_.Parent(a), --l)
            if (store_.NextSibling(a) != kNone) lines_.push_back({BoxCenterX(l), top, BoxCenterX(l), top + h});
        if (r.level >= 1) {
            // Its own: down from the row above (from the middle for the very
            // first item), on to the next sibling or ending in the middle,
            // and across to the label.
            const int x = BoxCenterX(r.level);
            const bool first = r.item == store_.FirstChild(kNone);
            lines_.push_back({x, first ? cy : top, x, store_.NextSibling(r.item) != kNone ? top + h : cy + 1});
            lines_.push_back({x, cy, LabelLeft(r.level) - 1, cy});
        }
    }
    r.lineCount = lines_.size() - r.firstLine;
    r.hasBox = style_.buttons && r.level >= 1 && store_.ChildCount(r.item) > 0;
    if (r.hasBox) r.box = BoxAt(r.level, top);
    const int left = LabelLeft(r.level);
    r.label = TreeRect{left, top, left + LabelWidth(r.item), top + h};
    if (r.label.right + hscroll_ > extent_) {
        extent_ = r.label.right + hscroll_;
        Changed(kTreeScrollBars);
    }
    layout_.push_back(r);
}

void TreeEngine::Relayout() {
    Changed(kTreeRepaint);
    pending_ = false;  // appended rows are laid out now
    stale_ = true;
    if (batch_ == 0) LayOut();
}

void TreeEngine::LayOut() {
    stale_ = false;
    layout_.clear();
    lines_.clear();
    const size_t n = rows_.Count();
    top_ = std::min(top_, MaxTop());
    const int h = std::max(metrics_.rowHeight, 1);
    // The rows that show at least in part.
    for (size_t row = top_, y = 0; row < n && static_cast<int>(y) < height_; ++row, y += static_cast<size_t>(h))
        LayRow(row, static_cast<int>(y));
    if (extent_ > 0) hscroll_ = std::min(hscroll_, MaxHScroll());
}
