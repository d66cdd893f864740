#include "tree_store.h"

#include <cstring>
#include <new>

namespace {
constexpr uint64_t kBigTextFlag = uint64_t{1} << 63;
}

uint64_t TreeStore::StoreText(const char* text, size_t length) {
    // Into the current character block, or a new one; a text that would not
    // fit into any block gets an allocation of its own.
    const size_t need = length + 1;
    if (need > kTextBlockSize) {
        auto big = std::make_unique<char[]>(need);
        std::memcpy(big.get(), text, length);
        big[length] = '\0';
        bigTexts_.push_back(std::move(big));
        return kBigTextFlag | (bigTexts_.size() - 1);
    }
    if (kTextBlockSize - textUsed_ < need) {
        textBlocks_.push_back(std::unique_ptr<char[]>(new char[kTextBlockSize]));
        textUsed_ = 0;
    }
    char* dst = textBlocks_.back().get() + textUsed_;
    std::memcpy(dst, text, length);
    dst[length] = '\0';
    const uint64_t ref = (textBlocks_.size() - 1) * kTextBlockSize + textUsed_;
    textUsed_ += need;
    return ref;
}

TreeStore::Index TreeStore::Append(Index parent, const char* text, size_t length) {
    if (parent != kNone && !Valid(parent)) return kNone;
    if (count_ >= kNone - 1) return kNone;

    uint64_t textRef;
    try {
        textRef = StoreText(text, length);
        if ((count_ >> kItemBlockShift) >= itemBlocks_.size())
            itemBlocks_.push_back(std::unique_ptr<Item[]>(new Item[kItemBlockSize]));
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
    // Keep an existing child index of the parent complete.
    if (!childIndex_.empty()) {
        auto found = childIndex_.find(parent);
        if (found != childIndex_.end()) found->second.push_back(i);
    }
    return i;
}

void TreeStore::Clear() {
    // Swapping with empty containers releases their storage now.
    std::vector<std::unique_ptr<Item[]>>().swap(itemBlocks_);
    std::vector<std::unique_ptr<char[]>>().swap(textBlocks_);
    std::vector<std::unique_ptr<char[]>>().swap(bigTexts_);
    std::unordered_map<Index, std::vector<Index>>().swap(childIndex_);
    lastIndexed_ = kNone;
    lastChildren_ = nullptr;
    textUsed_ = kTextBlockSize;
    count_ = 0;
    firstTop_ = lastTop_ = kNone;
    topCount_ = 0;
}

const char* TreeStore::Text(Index i) const {
    const uint64_t ref = item(i).text;
    if (ref & kBigTextFlag) return bigTexts_[ref & ~kBigTextFlag].get();
    return textBlocks_[ref / kTextBlockSize].get() + ref % kTextBlockSize;
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

size_t TreeStore::RecordBytes() const {
    size_t bytes = itemBlocks_.size() * kItemBlockSize * sizeof(Item);
    for (const auto& entry : childIndex_) bytes += entry.second.capacity() * sizeof(Index);
    return bytes;
}
