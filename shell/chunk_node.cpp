#include "chunk_node.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>
#include <sys/mman.h>

void CopyCode(char* dst, const unsigned char* src) {
    size_t i = 0;
    for (; i < 4 && src[i] != 0; ++i) dst[i] = static_cast<char>(src[i]);
    for (; i < 4; ++i) dst[i] = 0;
}

size_t FormatLabelText(const ChunkNode& node, char* buf, size_t capacity) {
    // The label is always terminated within its 16 bytes; bound it anyway so a
    // node filled by hand cannot make us read past it.
    const size_t n = strnlen(node.label, sizeof node.label);
    const int written = std::snprintf(buf, capacity, "%.*s[%" PRId64 "Bytes]", static_cast<int>(n), node.label,
                                      node.size);
    if (written < 0) {
        if (capacity) buf[0] = 0;
        return 0;
    }
    return static_cast<size_t>(written) < capacity ? static_cast<size_t>(written) : capacity - 1;
}

std::string LabelText(const ChunkNode& node) {
    char buf[kLabelTextCapacity];
    const size_t n = FormatLabelText(node, buf, sizeof buf);
    return std::string(buf, n);
}

namespace {
constexpr size_t kBlockBytes = ChunkTree::kNodesPerBlock * sizeof(ChunkNode);
constexpr size_t kPage = 4096;
static_assert(kBlockBytes % kPage == 0, "blocks are whole pages");
}  // namespace

ChunkTree::~ChunkTree() {
    for (ChunkNode* block : blocks_) ::munmap(block, kBlockBytes);
}

size_t ChunkTree::BytesInUse() const {
    if (blocks_.empty()) return 0;
    const size_t lastBytes = (used_ * sizeof(ChunkNode) + kPage - 1) / kPage * kPage;
    return (blocks_.size() - 1) * kBlockBytes + lastBytes;
}

ChunkNode* ChunkTree::NewNode(int64_t offset) noexcept {
    if (blocks_.empty() || used_ == kNodesPerBlock) {
        // Anonymous pages read as zero and are only backed once written.
        void* block = ::mmap(nullptr, kBlockBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED) return nullptr;
        try {
            blocks_.push_back(static_cast<ChunkNode*>(block));
        } catch (...) {
            ::munmap(block, kBlockBytes);
            return nullptr;
        }
        used_ = 0;
    }
    ChunkNode* node = blocks_.back() + used_++;
    // Fresh pages are zero already; the fields are set explicitly all the same.
    std::memset(node->label, 0, sizeof node->label);
    node->size = 0;
    node->offset = offset;
    node->firstChild = nullptr;
    node->next = nullptr;
    ++count_;
    return node;
}
