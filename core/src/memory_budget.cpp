#include "memory_budget.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "system.h"

namespace viewer {
namespace {

std::atomic<uint64_t> budgetOverride{0};
std::atomic<uint64_t> memoryHeld{0};  // what the shown tree holds (SetMemoryHeld)

// The smaller of two limits, 0 standing for none.
uint64_t Smaller(uint64_t a, uint64_t b) { return a == 0 || (b != 0 && b < a) ? b : a; }

uint64_t BudgetFromEnvironment() {
    uint64_t bytes = 0;
    const char* value = std::getenv(kMemoryBudgetVariable);
    if (value && ParseMemorySize(value, &bytes)) return bytes;
    uint64_t memory = sys::PhysicalMemory();
#ifdef __linux__
    memory = Smaller(memory, CgroupMemoryLimit());
#endif
    // Should the system not tell, a budget that stops nothing a 64-bit
    // machine could hold.
    return memory > 0 ? memory / 4 : UINT64_MAX;
}

// The number a limit file holds, read as the budget's sizes are; 0 for
// "max" or anything else.
uint64_t ReadLimit(const char* path) {
    FILE* f = std::fopen(path, "r");
    if (!f) return 0;
    char text[64] = {};
    const bool read = std::fgets(text, sizeof text, f) != nullptr;
    std::fclose(f);
    text[std::strcspn(text, "\n")] = 0;
    uint64_t value = 0;
    return read && ParseMemorySize(text, &value) ? value : 0;
}

// The smallest limit set in `file` of the group at `path` (absolute, "/"
// for the top) below `base` and of each group above it, or 0. With fixed
// buffers and no exceptions: the budget is first asked for where nothing
// may throw.
uint64_t SmallestLimitUp(const char* base, const char* path, const char* file) {
    char group[4096];
    if (std::snprintf(group, sizeof group, "%s", path) >= static_cast<int>(sizeof group)) return 0;
    uint64_t smallest = 0;
    for (;;) {
        size_t n = std::strlen(group);
        while (n > 1 && group[n - 1] == '/') group[--n] = 0;
        char full[8192];
        const bool top = n <= 1;
        if (std::snprintf(full, sizeof full, "%s%s/%s", base, top ? "" : group, file) < static_cast<int>(sizeof full))
            smallest = Smaller(smallest, ReadLimit(full));
        if (top) return smallest;
        char* slash = std::strrchr(group, '/');
        if (slash == group)
            group[1] = 0;
        else
            *slash = 0;
    }
}

}  // namespace

bool ParseMemorySize(const char* text, uint64_t* bytes) {
    if (!text || *text < '0' || *text > '9') return false;
    uint64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        const uint64_t digit = static_cast<uint64_t>(*text - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    int shift = 0;
    switch (*text) {
    case 0:
        break;
    case 'K':
    case 'k':
        shift = 10;
        break;
    case 'M':
    case 'm':
        shift = 20;
        break;
    case 'G':
    case 'g':
        shift = 30;
        break;
    default:
        return false;
    }
    if (shift != 0 && *++text != 0) return false;
    if (value == 0 || value > (UINT64_MAX >> shift)) return false;
    *bytes = value << shift;
    return true;
}

uint64_t CgroupMemoryLimit(const char* cgroupList, const char* mountRoot) {
    FILE* f = std::fopen(cgroupList, "r");
    if (!f) return 0;
    uint64_t smallest = 0;
    auto take = [&](uint64_t limit) { smallest = Smaller(smallest, limit); };
    char base[4096 + 16];
    char line[4096];
    while (std::fgets(line, sizeof line, f)) {
        // "ID:CONTROLLERS:PATH", v2's with ID 0 and no controllers.
        line[std::strcspn(line, "\r\n")] = 0;
        char* controllers = std::strchr(line, ':');
        char* path = controllers ? std::strchr(controllers + 1, ':') : nullptr;
        if (!path || path[1] != '/') continue;
        *controllers++ = 0;
        *path++ = 0;
        if (std::strcmp(line, "0") == 0 && *controllers == 0) {
            take(SmallestLimitUp(mountRoot, path, "memory.max"));
            std::snprintf(base, sizeof base, "%s/unified", mountRoot);
            take(SmallestLimitUp(base, path, "memory.max"));
            continue;
        }
        for (char* c = std::strtok(controllers, ","); c; c = std::strtok(nullptr, ",")) {
            if (std::strcmp(c, "memory") != 0) continue;
            std::snprintf(base, sizeof base, "%s/memory", mountRoot);
            take(SmallestLimitUp(base, path, "memory.limit_in_bytes"));
        }
    }
    std::fclose(f);
    return smallest;
}

uint64_t MemoryBudget() {
    const uint64_t set = budgetOverride.load(std::memory_order_relaxed);
    if (set != 0) return set;
    static const uint64_t fromEnvironment = BudgetFromEnvironment();
    return fromEnvironment;
}

void SetMemoryBudget(uint64_t bytes) { budgetOverride.store(bytes, std::memory_order_relaxed); }

void SetMemoryHeld(uint64_t bytes) { memoryHeld.store(bytes, std::memory_order_relaxed); }

uint64_t MemoryBudgetLeft() {
    const uint64_t budget = MemoryBudget(), held = memoryHeld.load(std::memory_order_relaxed);
    return held < budget ? budget - held : 0;
}

}  // namespace viewer
