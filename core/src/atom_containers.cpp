#include "atom_containers.h"

#include "node_hints.h"

namespace viewer {

namespace {

// Marks every node of the list starting at `first`, and all below it, phantom.
void MarkPhantoms(ChunkNode* first) {
    for (ChunkNode* n = first; n; n = n->next) {
        if (n->flags & kPhantom) continue;  // and so is all below it
        n->flags |= kPhantom;
        // The walk nests at most a few hundred levels: so does this.
        MarkPhantoms(n->firstChild);
    }
}

}  // namespace

bool ChildrenTile(const ChunkNode& node, const ChunkTree& tree) {
    if (!node.firstChild) return false;
    int64_t at = node.offset + node.headerSize;
    for (const ChunkNode* c = node.firstChild; c; c = c->next) {
        if (c->offset != at || c->anomalies || (c->notes & kSizeZeroToEnd)) return false;
        at = DeclaredEnd(*c, tree);
    }
    return at == SpanEnd(node, tree);
}

void MarkContentsNotAtoms(ChunkNode& node) {
    node.notes |= kContentsNotAtoms;
    node.anomalies &= static_cast<uint16_t>(~kTailSkipped);
    MarkPhantoms(node.firstChild);
}

}  // namespace viewer
