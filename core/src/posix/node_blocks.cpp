// Node blocks on POSIX systems: anonymous private mappings, which read as
// zero and are backed page by page as nodes are written.
#include <sys/mman.h>

#include "../system.h"

namespace viewer::sys {

void* MapBlock(size_t bytes, bool large) {
    void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return nullptr;
    // Huge pages are filled far faster than single pages; the hint is free
    // to fail.
    if (large) ::madvise(block, bytes, MADV_HUGEPAGE);
    return block;
}

void UnmapBlock(void* block, size_t bytes) { ::munmap(block, bytes); }

}  // namespace viewer::sys
