// The one walk over a finished node tree: every node of a sibling list and
// all their descendants, in pre-order, which is the order in which the tree
// control is filled and the dump tools print. Iterative, so a tree of any
// depth (one built by hand, say) cannot exhaust the stack.
#pragma once

#include <cstddef>
#include <vector>

#include "chunk_node.h"

namespace viewer {

// Calls visitor.Enter(node, depth) for each node before its descendants and
// visitor.Leave(node, depth) after them; the nodes of the list starting at
// `first` are at depth 0.
template <typename Visitor>
void VisitPreOrder(const ChunkNode* first, Visitor&& visitor) {
    std::vector<const ChunkNode*> ancestors;
    const ChunkNode* node = first;
    while (node) {
        visitor.Enter(*node, ancestors.size());
        if (node->firstChild) {
            ancestors.push_back(node);
            node = node->firstChild;
            continue;
        }
        visitor.Leave(*node, ancestors.size());
        // Climb until a level has a further sibling.
        while (!node->next && !ancestors.empty()) {
            node = ancestors.back();
            ancestors.pop_back();
            visitor.Leave(*node, ancestors.size());
        }
        node = node->next;
    }
}

}  // namespace viewer
