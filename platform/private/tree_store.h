// Compact storage of a tree control's items: one fixed-size record per item
// in large blocks, and the items' texts packed one after another in large
// character blocks. Items can only be appended as the last child of their
// parent and removed all at once, which is all the tree control needs; the
// memory of a cleared store goes back to the system at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class TreeStore {
public:
    using Index = uint32_t;
    static constexpr Index kNone = 0xFFFFFFFFu;  // "no item"; as a parent: the invisible root

    TreeStore() = default;
    TreeStore(const TreeStore&) = delete;
    TreeStore& operator=(const TreeStore&) = delete;

    // Appends an item with a copy of text[0, length) as the last child of
    // parent (kNone: a top-level item). Returns its index or kNone when the
    // parent does not exist or the store is full.
    Index Append(Index parent, const char* text, size_t length);
    void Clear();

    size_t Count() const { return count_; }
    bool Valid(Index i) const { return i < count_; }

    Index Parent(Index i) const { return item(i).parent; }
    Index FirstChild(Index i) const { return i == kNone ? firstTop_ : item(i).firstChild; }
    Index NextSibling(Index i) const { return item(i).next; }
    // Number of children and position among its siblings.
    uint32_t ChildCount(Index i) const { return i == kNone ? topCount_ : item(i).childCount; }
    uint32_t Row(Index i) const { return item(i).row; }
    // NUL-terminated UTF-8 text.
    const char* Text(Index i) const;

    // The child at `row` of parent (kNone: the top level), or kNone. The first
    // look-up under a parent indexes its children once; later ones are direct.
    Index ChildAt(Index parent, uint32_t row) const;

    // Bytes held for item records and the child indexes built so far, and for texts.
    size_t RecordBytes() const;
    size_t TextBytes() const { return textBlocks_.size() * kTextBlockSize; }

private:
    struct Item {
        Index parent;
        Index firstChild;
        Index lastChild;
        Index next;
        uint32_t row;
        uint32_t childCount;
        uint64_t text;  // offset of the text: block * kTextBlockSize + position
    };
    static_assert(sizeof(Item) == 32);

    static constexpr size_t kItemBlockShift = 16;  // 65536 items (2 MiB) per block
    static constexpr size_t kItemBlockSize = size_t{1} << kItemBlockShift;
    static constexpr size_t kTextBlockSize = size_t{1} << 20;

    // Copies the text into the character blocks and returns its reference
    // (Item::text). Throws std::bad_alloc when memory runs out.
    uint64_t StoreText(const char* text, size_t length);

    Item& item(Index i) { return itemBlocks_[i >> kItemBlockShift][i & (kItemBlockSize - 1)]; }
    const Item& item(Index i) const { return itemBlocks_[i >> kItemBlockShift][i & (kItemBlockSize - 1)]; }

    std::vector<std::unique_ptr<Item[]>> itemBlocks_;
    std::vector<std::unique_ptr<char[]>> textBlocks_;
    std::vector<std::unique_ptr<char[]>> bigTexts_;  // texts longer than a text block
    size_t textUsed_ = kTextBlockSize;                // in the last text block
    size_t count_ = 0;
    Index firstTop_ = kNone;
    Index lastTop_ = kNone;
    uint32_t topCount_ = 0;
    // Children of the parents that have been looked up by row.
    mutable std::unordered_map<Index, std::vector<Index>> childIndex_;
    // The parent looked up last: a view asks for many rows of one parent in a row.
    mutable Index lastIndexed_ = kNone;
    mutable const std::vector<Index>* lastChildren_ = nullptr;
};
