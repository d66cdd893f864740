#include "tree_rows.h"

#include <algorithm>
#include <new>

using Index = TreeRows::Index;
constexpr Index kNone = TreeStore::kNone;

void TreeRows::Sync() {
    // Children appended under an open parent land inside the vector; rather
    // than searching their place on every insertion, the rows are rebuilt
    // once, the next time anyone looks at them.
    if (!stale_) return;
    stale_ = false;
    rows_.clear();
    AppendVisible(kNone, rows_);
}

void TreeRows::AppendVisible(Index parent, std::vector<Index>& out) const {
    std::vector<Index> resume;  // where to go on after an open item's children
    Index c = store_.FirstChild(parent);
    for (;;) {
        if (c == kNone) {
            if (resume.empty()) break;
            c = resume.back();
            resume.pop_back();
            continue;
        }
        out.push_back(c);
        if (Expanded(c) && store_.FirstChild(c) != kNone) {
            resume.push_back(store_.NextSibling(c));
            c = store_.FirstChild(c);
        } else {
            c = store_.NextSibling(c);
        }
    }
}

size_t TreeRows::RowOf(Index i, size_t hint) {
    Sync();
    const size_t n = rows_.size();
    if (n == 0) return kNoRow;
    hint = std::min(hint, n - 1);
    // Outwards from the hint: a parent is usually just above its child.
    for (size_t d = 0; d < n; ++d) {
        if (hint >= d && rows_[hint - d] == i) return hint - d;
        if (hint + d < n && rows_[hint + d] == i) return hint + d;
        if (hint < d && hint + d >= n) break;
    }
    return kNoRow;
}

unsigned TreeRows::Depth(Index i) const {
    unsigned depth = 0;
    for (Index p = store_.Parent(i); p != kNone; p = store_.Parent(p)) ++depth;
    return depth;
}

void TreeRows::SetExpanded(Index i, bool open) {
    if (i >= expanded_.size()) {
        if (!open) return;
        expanded_.resize(store_.Count());
    }
    expanded_[i] = open;
}

size_t TreeRows::SubtreeEnd(size_t row) {
    Sync();
    // The first row after the subtree is the next sibling of the item or of
    // its nearest ancestor that has one; it is shown, as all those
    // ancestors are open.
    Index a = rows_[row];
    while (a != kNone && store_.NextSibling(a) == kNone) a = store_.Parent(a);
    if (a == kNone) return rows_.size();
    const Index next = store_.NextSibling(a);
    const auto found = std::find(rows_.begin() + static_cast<std::ptrdiff_t>(row) + 1, rows_.end(), next);
    return static_cast<size_t>(found - rows_.begin());
}

size_t TreeRows::Expand(size_t row) {
    Sync();
    const Index i = rows_[row];
    if (Expanded(i) || store_.ChildCount(i) == 0) return 0;
    SetExpanded(i, true);
    // The new rows go to the end, then turn round into place: within the
    // room made for every item's row, opening takes no memory.
    const size_t before = rows_.size();
    // One allocation at most when no room was made beforehand.
    if (rows_.capacity() - before < store_.ChildCount(i)) rows_.reserve(before + store_.ChildCount(i));
    AppendVisible(i, rows_);
    std::rotate(rows_.begin() + static_cast<std::ptrdiff_t>(row) + 1, rows_.begin() + static_cast<std::ptrdiff_t>(before),
                rows_.end());
    return rows_.size() - before;
}

size_t TreeRows::Collapse(size_t row) {
    Sync();
    const Index i = rows_[row];
    if (!Expanded(i)) return 0;
    const size_t end = SubtreeEnd(row);
    SetExpanded(i, false);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row) + 1, rows_.begin() + static_cast<std::ptrdiff_t>(end));
    return end - row - 1;
}

size_t TreeRows::ExpandAll(size_t row) {
    Sync();
    const Index top = rows_[row];
    if (store_.ChildCount(top) == 0) return 0;
    const size_t end = SubtreeEnd(row);
    // Open every item below that has children, then show the whole subtree.
    std::vector<Index> pending{top};
    while (!pending.empty()) {
        const Index i = pending.back();
        pending.pop_back();
        if (store_.ChildCount(i) == 0) continue;
        SetExpanded(i, true);
        for (Index c = store_.FirstChild(i); c != kNone; c = store_.NextSibling(c))
            if (store_.ChildCount(c) > 0) pending.push_back(c);
    }
    const size_t shown = end - row - 1;
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row) + 1, rows_.begin() + static_cast<std::ptrdiff_t>(end));
    const size_t before = rows_.size();
    AppendVisible(top, rows_);
    std::rotate(rows_.begin() + static_cast<std::ptrdiff_t>(row) + 1, rows_.begin() + static_cast<std::ptrdiff_t>(before),
                rows_.end());
    return rows_.size() - before - shown;
}

bool TreeRows::Shown(Index i) const {
    for (Index p = store_.Parent(i); p != kNone; p = store_.Parent(p))
        if (!Expanded(p)) return false;
    return true;
}

void TreeRows::ItemAppended(Index i) {
    if (rows_.empty() && expanded_.empty() && spareRows_.capacity() > rows_.capacity()) {
        // The first item of a tree not cleared since room was made for it.
        rows_.swap(spareRows_);
        expanded_.swap(spareExpanded_);
        std::vector<Index>().swap(spareRows_);
        std::vector<bool>().swap(spareExpanded_);
    }
    if (stale_) return;
    const Index parent = store_.Parent(i);
    if (parent == kNone) {
        // The last top-level item is the last row; should the vector not
        // grow, the rows are rebuilt when next looked at.
        try {
            rows_.push_back(i);
        } catch (const std::bad_alloc&) {
            stale_ = true;
        }
    } else if (Expanded(parent) && Shown(parent)) {
        stale_ = true;
    }
}

void TreeRows::Clear() {
    // The rows' memory goes back now, or the room made for the next tree
    // takes its place.
    std::vector<Index>().swap(rows_);
    std::vector<bool>().swap(expanded_);
    rows_.swap(spareRows_);
    expanded_.swap(spareExpanded_);
    stale_ = false;
}

bool TreeRows::Reserve(size_t items) {
    try {
        std::vector<Index> rows;
        std::vector<bool> open;
        rows.reserve(items);
        open.reserve(items);
        spareRows_.swap(rows);
        spareExpanded_.swap(open);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
