// Compact storage of a tree control's items: one fixed-size record per item
// in large blocks, and the items' texts packed one after another in large
// character blocks. Items can only be appended as the last child of their
// parent and removed all at once, which is all the tree control needs; the
// memory of a cleared store goes back to the system at once. Room for many
// items can be made before they come (Reserve), so that a tree is filled
// whole or not at all.
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

    // Appends an item with a copy of text[0, length) and the caller's data
    // `param` as the last child of parent (kNone: a top-level item). Returns
    // its index or kNone when the parent does not exist or the store is full.
    Index Append(Index parent, const char* text, size_t length, intptr_t param = 0);
    // Removes every item. Room made by Reserve and not used yet stays.
    void Clear();

    // Makes room for `items` further items whose texts take `textBytes`
    // bytes in all, a terminating zero counted for each: until they are
    // appended, whether or not the store is cleared first, Append cannot
    // fail for want of memory. False when memory runs short; the store is
    // then as it was.
    bool Reserve(size_t items, size_t textBytes);

    // The bytes of an item's record; its text comes on top.
    static constexpr size_t kRecordBytes = 40;

    // Makes item record blocks that would give a store room for more than
    // `items` items fail as if memory had run out, in every store of the
    // process, until it is called with 0. For tests of running out of memory
    // while a tree is filled.
    static void SetCapacityLimitForTesting(size_t items);

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
    // The caller's data given to Append.
    intptr_t Param(Index i) const { return item(i).param; }

    // The child at `row` of parent (kNone: the top level), or kNone. The first
    // look-up under a parent indexes its children once; later ones are direct.
    Index ChildAt(Index parent, uint32_t row) const;

    // Bytes held for item records (room made by Reserve included) and the
    // child indexes built so far, and for texts.
    size_t RecordBytes() const;
    size_t TextBytes() const;

private:
    struct Item {
        Index parent;
        Index firstChild;
        Index lastChild;
        Index next;
        uint32_t row;
        uint32_t childCount;
        uint64_t text;  // where the text is: its chunk << kChunkShift | position in it
        intptr_t param;  // the caller's data (an item's lParam)
    };
    static_assert(sizeof(Item) == kRecordBytes);

    // Texts are packed into chunks: blocks of kTextBlockSize, a chunk of its
    // own for a longer text, and the chunk Reserve makes for a whole tree.
    struct TextChunk {
        std::unique_ptr<char[]> data;
        size_t capacity = 0;
    };
    static constexpr unsigned kChunkShift = 40;
    static constexpr uint64_t kPositionMask = (uint64_t{1} << kChunkShift) - 1;

    static constexpr size_t kItemBlockShift = 16;  // 65536 items (2.5 MiB) per block
    static constexpr size_t kItemBlockSize = size_t{1} << kItemBlockShift;
    static constexpr size_t kTextBlockSize = size_t{1} << 20;

    // Copies the text into the current chunk, the reserved one or a new one
    // and returns its reference (Item::text). Throws std::bad_alloc when
    // memory runs out.
    uint64_t StoreText(const char* text, size_t length);
    // A new record block (Reserve's if there is one); throws std::bad_alloc.
    std::unique_ptr<Item[]> NewItemBlock();
    // Allocates a record block, `pending` more being on their way; throws
    // std::bad_alloc.
    std::unique_ptr<Item[]> AllocateItemBlock(size_t pending);

    Item& item(Index i) { return itemBlocks_[i >> kItemBlockShift][i & (kItemBlockSize - 1)]; }
    const Item& item(Index i) const { return itemBlocks_[i >> kItemBlockShift][i & (kItemBlockSize - 1)]; }

    std::vector<std::unique_ptr<Item[]>> itemBlocks_;
    std::vector<TextChunk> textChunks_;
    size_t textUsed_ = 0;  // in the last text chunk
    // Room made by Reserve and not used yet.
    std::vector<std::unique_ptr<Item[]>> spareItemBlocks_;
    TextChunk spareText_;
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
