#include <atomic>
#include <cstring>

#include "chunk_node.h"
#include "memory_budget.h"
#include "node_block_test_hooks.h"
#include "system.h"

namespace viewer {
namespace {

// A block is 4 MiB of address space: two huge pages where the system has them.
constexpr size_t kBlockBytes = size_t{4} << 20;
constexpr size_t kPage = 4096;
constexpr size_t kHugePage = size_t{2} << 20;
static_assert(ChunkTree::kNodesPerBlock * sizeof(ChunkNode) <= kBlockBytes, "nodes fit their block");

// Test hooks (node_block_test_hooks.h): blocks to go before one fails, and
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
    for (ChunkNode* block : blocks_) sys::UnmapBlock(block, kBlockBytes);
    liveBlocks.fetch_sub(static_cast<long>(blocks_.size()), std::memory_order_relaxed);
}

size_t ChunkTree::BytesInUse() const {
    if (blocks_.empty()) return 0;
    // The first block is backed page by page, later ones by huge pages.
    const size_t unit = blocks_.size() == 1 ? kPage : kHugePage;
    const size_t lastBytes = (used_ * sizeof(ChunkNode) + unit - 1) / unit * unit;
    return (blocks_.size() - 1) * kBlockBytes + lastBytes;
}

bool ChunkTree::NewBlock() noexcept {
    // A block cut short by the memory budget was the last one allowed.
    if (!blocks_.empty() && blockLimit_ < kNodesPerBlock) return false;
    // The budget is looked at once per block, not once per node: the block
    // takes as many nodes as the budget has room for beside what is held.
    const uint64_t budget = MemoryBudgetLeft();
    const uint64_t spent = static_cast<uint64_t>(blocks_.size()) * kBlockBytes;
    const uint64_t room = spent < budget ? (budget - spent) / sizeof(ChunkNode) : 0;
    if (room == 0) return false;
    if (BlockShallFail()) return false;
    // A tree that outgrows its first block is a big one: let the system
    // back the rest with huge pages. Small trees stay on single pages.
    void* block = sys::MapBlock(kBlockBytes, !blocks_.empty());
    if (!block) return false;
    try {
        blocks_.push_back(static_cast<ChunkNode*>(block));
    } catch (...) {
        sys::UnmapBlock(block, kBlockBytes);
        return false;
    }
    liveBlocks.fetch_add(1, std::memory_order_relaxed);
    used_ = 0;
    blockLimit_ = room < kNodesPerBlock ? static_cast<size_t>(room) : kNodesPerBlock;
    return true;
}

ChunkNode* ChunkTree::NewNode(int64_t offset) noexcept {
    if (used_ == blockLimit_ && !NewBlock()) return nullptr;
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

}  // namespace viewer
