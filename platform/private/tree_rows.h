// The rows a tree control shows: the items whose ancestors are all open, in
// pre-order, as one vector of item indices. Opening an item inserts its
// children (and the rows of open descendants) in one block; closing it
// removes that block. No window system in here. Room for the rows of every
// item can be made with the items' own (Reserve); opening and closing levels
// then takes no further memory.
#pragma once

#include <cstddef>
#include <vector>

#include "tree_store.h"

class TreeRows {
public:
    using Index = TreeStore::Index;
    static constexpr size_t kNoRow = static_cast<size_t>(-1);

    explicit TreeRows(const TreeStore& store) : store_(store) {}

    size_t Count() {
        Sync();
        return rows_.size();
    }
    Index At(size_t row) {
        Sync();
        return row < rows_.size() ? rows_[row] : TreeStore::kNone;
    }
    // The row of item i, searching from `hint` outwards; kNoRow if hidden.
    size_t RowOf(Index i, size_t hint);

    bool Expanded(Index i) const { return i < expanded_.size() && expanded_[i]; }
    unsigned Depth(Index i) const;

    // Each returns how many rows it inserted or removed after `row`.
    size_t Expand(size_t row);
    size_t Collapse(size_t row);
    // Opens the item at `row` and everything below it.
    size_t ExpandAll(size_t row);
    // One past the last row of the open subtree at `row`.
    size_t SubtreeEnd(size_t row);

    // Tells the rows that item i was just appended to the store.
    void ItemAppended(Index i);
    // Forgets every row. Room made by Reserve stays for the next items.
    void Clear();
    // Makes room for the rows and open marks of `items` items, to be taken
    // up when the rows are next cleared (or now, when there are none yet).
    // False when memory runs short; nothing changes then.
    bool Reserve(size_t items);
    // What a row costs when room is made for it: its index and its open mark.
    static constexpr size_t kRowBytes = sizeof(Index) + 1;
    // Bytes held beyond the store, reserved room included.
    size_t Bytes() const {
        return (rows_.capacity() + spareRows_.capacity()) * sizeof(Index) +
               (expanded_.capacity() + spareExpanded_.capacity()) / 8;
    }

private:
    void Sync();
    void SetExpanded(Index i, bool open);
    bool Shown(Index i) const;
    // Appends the children of `parent` and the rows of their open descendants.
    void AppendVisible(Index parent, std::vector<Index>& out) const;

    const TreeStore& store_;
    std::vector<Index> rows_;
    std::vector<bool> expanded_;
    std::vector<Index> spareRows_;      // room made by Reserve for the next tree
    std::vector<bool> spareExpanded_;
    bool stale_ = false;  // items were appended under an open, shown parent
};
