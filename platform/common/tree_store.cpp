#include "tree_store.h"

#include <atomic>
#include <cstring>
#include <new>

namespace {

// Test hook: record blocks that would give a store room for more items fail.
std::atomic<size_t> capacityLimit{0};

}  // namespace

void TreeStore::SetCapacityLimitForTesting(size_t items) { capacityLimit.store(items, std::memory_order_relaxed); }

std::unique_ptr<TreeStore::Item[]> TreeStore::AllocateItemBlock(size_t pending) {
    const size_t limit = capacityLimit.load(std::memory_order_relaxed);
    const size_t blocks = itemBlocks_.size() + spareItemBlocks_.size() + pending + 1;
    if (limit != 0 && blocks * kItemBlockSize > limit) throw std::bad_alloc();
    return std::unique_ptr<Item[]>(new Item[kItemBlockSize]);
}

std::unique_ptr<TreeStore::Item[]> TreeStore::NewItemBlock() {
    if (spareItemBlocks_.empty()) return AllocateItemBlock(0);
    std::unique_ptr<Item[]> block = std::move(spareItemBlocks_.back());
    spareItemBlocks_.pop_back();
    return block;
}

uint64_t TreeStore::StoreText(const char* text, size_t length) {
    // Into the current chunk; else into the chunk Reserve made, or a new
    // block (a text longer than a block gets a chunk of its own size).
    const size_t need = length + 1;
    if (need > kPositionMask) throw std::bad_alloc();
    if (textChunks_.empty() || textChunks_.back().capacity - textUsed_ < need) {
        TextChunk chunk;
        if (spareText_.capacity >= need) {
            chunk = std::move(spareText_);
            spareText_ = TextChunk();
        } else {
            chunk.capacity = need > kTextBlockSize ? need : kTextBlockSize;
            chunk.data.reset(new char[chunk.capacity]);
        }
        textChunks_.push_back(std::move(chunk));
        textUsed_ = 0;
    }
    char* dst = textChunks_.back().data.get() + textUsed_;
    std::memcpy(dst, text, length);
    dst[length] = '\0';
    const uint64_t ref = (static_cast<uint64_t>(textChunks_.size() - 1) << kChunkShift) | textUsed_;
    textUsed_ += need;
    return ref;
}

bool TreeStore::Reserve(size_t items, size_t textBytes) {
    if (items > size_t{kNone} - 1 || textBytes > kPositionMask) return false;
    const size_t blocks = (items + kItemBlockSize - 1) >> kItemBlockShift;
    const size_t missing = blocks > spareItemBlocks_.size() ? blocks - spareItemBlocks_.size() : 0;
    try {
        // Everything is allocated before anything changes: on failure the
        // pieces go back and the store is as it was.
        std::vector<std::unique_ptr<Item[]>> fresh;
        fresh.reserve(missing);
        for (size_t i = 0; i < missing; ++i) fresh.push_back(AllocateItemBlock(i));
        TextChunk text;
        if (spareText_.capacity < textBytes) {
            text.capacity = textBytes;
            text.data.reset(new char[textBytes]);
        }
        // Room in the lists the reserved pieces move into, so that neither
        // the moves below nor Append's later ones can fail.
        spareItemBlocks_.reserve(spareItemBlocks_.size() + missing);
        itemBlocks_.reserve(itemBlocks_.size() + spareItemBlocks_.size() + missing);
        textChunks_.reserve(textChunks_.size() + 1);
        for (auto& block : fresh) spareItemBlocks_.push_back(std::move(block));
        if (text.data) spareText_ = std::move(text);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

TreeStore::Index TreeStore::Append(Index parent, const char* text, size_t length, intptr_t param) {
    if (parent != kNone && !Valid(parent)) return kNone;
    if (count_ >= kNone - 1) return kNone;

    uint64_t textRef;
    try {
        if ((count_ >> kItemBlockShift) >= itemBlocks_.size()) itemBlocks_.push_back(NewItemBlock());
        textRef = StoreText(text, length);
    } catch (const std::bad_alloc&) {
        return kNone;
    }

    const Index i = static_cast<Index>(count_++);
    Item& it = item(i);
    it.parent = parent;
    it.firstChild = kNone;
    it.lastChild = kNone;
    it.next = kNone;
    it.childCount = 0;
    it.text = textRef;
    it.param = param;
    if (parent == kNone) {
        it.row = topCount_++;
        if (lastTop_ == kNone)
            firstTop_ = i;
        else
            item(lastTop_).next = i;
        lastTop_ = i;
    } else {
        Item& p = item(parent);
        it.row = p.childCount++;
        if (p.lastChild == kNone)
            p.firstChild = i;
        else
            item(p.lastChild).next = i;
        p.lastChild = i;
    }
    // Keep an existing child index of the parent complete; one that cannot
    // grow is dropped and built again when next looked up.
    if (!childIndex_.empty()) {
        auto found = childIndex_.find(parent);
        if (found != childIndex_.end()) {
            try {
                found->second.push_back(i);
            } catch (const std::bad_alloc&) {
                if (lastChildren_ == &found->second) {
                    lastIndexed_ = kNone;
                    lastChildren_ = nullptr;
                }
                childIndex_.erase(found);
            }
        }
    }
    return i;
}

void TreeStore::Clear() {
    // Releasing the items' memory now; the lists themselves keep their
    // room while reserved pieces wait to move into them.
    if (spareItemBlocks_.empty() && !spareText_.data) {
        std::vector<std::unique_ptr<Item[]>>().swap(itemBlocks_);
        std::vector<TextChunk>().swap(textChunks_);
    } else {
        itemBlocks_.clear();
        textChunks_.clear();
    }
    std::unordered_map<Index, std::vector<Index>>().swap(childIndex_);
    lastIndexed_ = kNone;
    lastChildren_ = nullptr;
    textUsed_ = 0;
    count_ = 0;
    firstTop_ = lastTop_ = kNone;
    topCount_ = 0;
}

const char* TreeStore::Text(Index i) const {
    const uint64_t ref = item(i).text;
    return textChunks_[ref >> kChunkShift].data.get() + (ref & kPositionMask);
}

TreeStore::Index TreeStore::ChildAt(Index parent, uint32_t row) const {
    if (parent != kNone && !Valid(parent)) return kNone;
    if (row >= ChildCount(parent)) return kNone;
    if (row == 0) return FirstChild(parent);
    if (lastChildren_ && lastIndexed_ == parent) return (*lastChildren_)[row];
    auto found = childIndex_.find(parent);
    if (found == childIndex_.end()) {
        std::vector<Index> children;
        children.reserve(ChildCount(parent));
        for (Index c = FirstChild(parent); c != kNone; c = item(c).next) children.push_back(c);
        found = childIndex_.emplace(parent, std::move(children)).first;
    }
    lastIndexed_ = parent;
    lastChildren_ = &found->second;
    return found->second[row];
}

size_t TreeStore::TextBytes() const {
    size_t bytes = spareText_.capacity;
    for (const TextChunk& chunk : textChunks_) bytes += chunk.capacity;
    return bytes;
}

size_t TreeStore::RecordBytes() const {
    size_t bytes = (itemBlocks_.size() + spareItemBlocks_.size()) * kItemBlockSize * sizeof(Item);
    for (const auto& entry : childIndex_) bytes += entry.second.capacity() * sizeof(Index);
    return bytes;
}
