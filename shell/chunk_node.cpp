#include "chunk_node.h"

#include <atomic>
#include <cstring>
#include <new>
#include <sys/mman.h>

#include "chunk_node_test_hooks.h"

void CopyCode(char* dst, const unsigned char* src) {
    size_t i = 0;
    for (; i < 4 && src[i] != 0; ++i) dst[i] = static_cast<char>(src[i]);
    for (; i < 4; ++i) dst[i] = 0;
}

size_t FormatLabelText(const ChunkNode& node, char* buf, size_t capacity) {
    // "%s[%lldBytes]", written by hand: the display and the dump tools format
    // millions of these, and printf's machinery is most of the cost.
    char text[kLabelTextCapacity];
    // The label is always terminated within its 16 bytes; bound it anyway so a
    // node filled by hand cannot make us read past it.
    size_t n = strnlen(node.label, sizeof node.label);
    std::memcpy(text, node.label, n);
    text[n++] = '[';
    char digits[20];
    size_t d = 0;
    // Work on the magnitude as unsigned so that INT64_MIN needs no special case.
    uint64_t magnitude = node.size < 0 ? 0 - static_cast<uint64_t>(node.size) : static_cast<uint64_t>(node.size);
    do {
        digits[d++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (node.size < 0) text[n++] = '-';
    while (d) text[n++] = digits[--d];
    std::memcpy(text + n, "Bytes]", 6);
    n += 6;
    if (capacity == 0) return 0;
    if (n >= capacity) n = capacity - 1;
    std::memcpy(buf, text, n);
    buf[n] = 0;
    return n;
}

std::string LabelText(const ChunkNode& node) {
    char buf[kLabelTextCapacity];
    const size_t n = FormatLabelText(node, buf, sizeof buf);
    return std::string(buf, n);
}

namespace {
// A block is 4 MiB of address space: two huge pages where the system has them.
constexpr size_t kBlockBytes = size_t{4} << 20;
constexpr size_t kPage = 4096;
constexpr size_t kHugePage = size_t{2} << 20;
static_assert(ChunkTree::kNodesPerBlock * sizeof(ChunkNode) <= kBlockBytes, "nodes fit their block");

// Test hooks (chunk_node_test_hooks.h): blocks to go before one fails, and
// blocks mapped now.
std::atomic<int> blocksBeforeFailure{0};
std::atomic<long> liveBlocks{0};

// Whether the block about to be mapped is the one a test wants to fail.
bool BlockShallFail() {
    int left = blocksBeforeFailure.load(std::memory_order_relaxed);
    while (left > 0) {
        if (blocksBeforeFailure.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) return left == 1;
    }
    return false;
}
}  // namespace

void SetBlockAllocationFailureForTesting(int n) { blocksBeforeFailure.store(n > 0 ? n : 0, std::memory_order_relaxed); }

long LiveNodeBlocksForTesting() { return liveBlocks.load(std::memory_order_relaxed); }

ChunkTree::~ChunkTree() {
    for (ChunkNode* block : blocks_) ::munmap(block, kBlockBytes);
    liveBlocks.fetch_sub(static_cast<long>(blocks_.size()), std::memory_order_relaxed);
}

size_t ChunkTree::BytesInUse() const {
    if (blocks_.empty()) return 0;
    // The first block is backed page by page, later ones by huge pages.
    const size_t unit = blocks_.size() == 1 ? kPage : kHugePage;
    const size_t lastBytes = (used_ * sizeof(ChunkNode) + unit - 1) / unit * unit;
    return (blocks_.size() - 1) * kBlockBytes + lastBytes;
}

ChunkNode* ChunkTree::NewNode(int64_t offset) noexcept {
    if (blocks_.empty() || used_ == kNodesPerBlock) {
        if (BlockShallFail()) return nullptr;
        // Anonymous pages read as zero and are only backed once written.
        void* block = ::mmap(nullptr, kBlockBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED) return nullptr;
        // A tree that outgrows its first block is a big one: let the system
        // back the rest with huge pages, which it fills far faster than
        // single pages. Small trees stay on single pages.
        if (!blocks_.empty()) ::madvise(block, kBlockBytes, MADV_HUGEPAGE);
        try {
            blocks_.push_back(static_cast<ChunkNode*>(block));
        } catch (...) {
            ::munmap(block, kBlockBytes);
            return nullptr;
        }
        liveBlocks.fetch_add(1, std::memory_order_relaxed);
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
