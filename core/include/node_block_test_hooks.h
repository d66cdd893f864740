// Hooks for tests of what ordinary inputs cannot reach: running out of
// memory part way through a tree, and whether every node block went back.
// Process-wide; they cost one check each time a tree maps a new block.
#pragma once

namespace viewer {

// Makes the nth node block mapped from now on (1: the next one) fail as if
// the system had no memory left; later blocks are mapped normally again.
// 0 turns the failure off.
void SetBlockAllocationFailureForTesting(int n);

// Node blocks that trees of this process hold mapped right now.
long LiveNodeBlocksForTesting();

}  // namespace viewer
