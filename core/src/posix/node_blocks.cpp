// Node blocks on POSIX systems: anonymous private mappings, which read as
// zero and are backed page by page as nodes are written.
#include <sys/mman.h>
#include <unistd.h>

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

uint64_t PhysicalMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

}  // namespace viewer::sys
