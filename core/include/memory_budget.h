// How much memory the analyses may take: their nodes, and in the dialog also
// the tree control's items, the shown tree's included. An analysis that would pass it stops with the
// out-of-memory reason, as when the system has no memory left, but before
// the system is pressed into paging or into ending processes.
#pragma once

#include <cstdint>

namespace viewer {

// The environment variable that sets the budget in bytes, for both programs
// and their dump tools: decimal digits, optionally followed by K, M or G
// (KiB, MiB, GiB), e.g. 256M.
inline constexpr const char kMemoryBudgetVariable[] = "VIEWER_MEMORY_BUDGET";

// Parses a size as the variable takes it. False for anything else: an empty
// text, zero, other characters, a size past 2^64.
bool ParseMemorySize(const char* text, uint64_t* bytes);

// The budget: the variable's size when it holds a valid one, else a quarter
// of the machine's physical memory or, on Linux inside a control group with
// a memory limit (a container, a systemd slice), a quarter of that limit
// when it is smaller. The environment is read once.
uint64_t MemoryBudget();

// The memory limit of this process's control group and of the groups above
// it, the smallest one set, or 0 when none is: from `cgroupList` (the form
// of /proc/self/cgroup) and the hierarchies mounted under `mountRoot` (the
// form of /sys/fs/cgroup): cgroup v2's memory.max (also under unified/ on
// hybrid systems) and cgroup v1's memory/…/memory.limit_in_bytes.
uint64_t CgroupMemoryLimit(const char* cgroupList = "/proc/self/cgroup", const char* mountRoot = "/sys/fs/cgroup");

// Replaces the budget for this process; 0 goes back to the one above.
void SetMemoryBudget(uint64_t bytes);

// What the process holds already (the dialog's shown tree: its nodes, items
// and rows), which a new analysis must fit beside: it gets the budget less
// this. 0 until set.
void SetMemoryHeld(uint64_t bytes);
// The budget less what is held; 0 when that is all of it.
uint64_t MemoryBudgetLeft();

}  // namespace viewer
