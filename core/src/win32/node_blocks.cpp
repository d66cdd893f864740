// Node blocks on Windows: reserved and committed in one go; the system
// backs committed pages with zeroed memory only when they are first touched.
// Large pages need a privilege users do not have, so `large` asks nothing.
#include <windows.h>

#include "../system.h"

namespace viewer::sys {

void* MapBlock(size_t bytes, bool /*large*/) {
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void UnmapBlock(void* block, size_t /*bytes*/) { VirtualFree(block, 0, MEM_RELEASE); }

uint64_t PhysicalMemory() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}

}  // namespace viewer::sys
