#include "memory_budget.h"

#include <atomic>
#include <cstdlib>

#include "system.h"

namespace viewer {
namespace {

std::atomic<uint64_t> budgetOverride{0};

uint64_t BudgetFromEnvironment() {
    uint64_t bytes = 0;
    const char* value = std::getenv(kMemoryBudgetVariable);
    if (value && ParseMemorySize(value, &bytes)) return bytes;
    const uint64_t physical = sys::PhysicalMemory();
    // Should the system not tell, a budget that stops nothing a 64-bit
    // machine could hold.
    return physical > 0 ? physical / 4 : UINT64_MAX;
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

uint64_t MemoryBudget() {
    const uint64_t set = budgetOverride.load(std::memory_order_relaxed);
    if (set != 0) return set;
    static const uint64_t fromEnvironment = BudgetFromEnvironment();
    return fromEnvironment;
}

void SetMemoryBudget(uint64_t bytes) { budgetOverride.store(bytes, std::memory_order_relaxed); }

}  // namespace viewer
