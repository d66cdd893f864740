// Which atoms hold atoms, and what becomes of a payload that only looked
// like atoms. The atom walk tries every payload as a list of atoms; inside
// an atom that the formats do not define as a container, what it finds is
// trusted only when it tiles the payload exactly. Otherwise the payload was
// data (a sample group's grouping type, encoder text in mdat, an XMP packet)
// that passed the header test, and the nodes read from it are phantoms.
#pragma once

#include "chunk_node.h"

namespace viewer {

// Whether the formats define an atom of type `type` (4 bytes, as in a
// label) as a list of atoms. `parentType` is the type of the atom holding
// it (the items of an iTunes `ilst` are containers whatever their type).
bool IsAtomContainer(const char* type, const char* parentType);

// Whether the children of `node` tile its payload exactly: the first starts
// where the payload does, each next one where the one before ends, the last
// ends where `node` does, and none has an anomaly of its own or size 0. (A
// size of 0, "to the end", fits any payload by definition and so proves
// nothing; ISO/IEC 14496-12 allows it to the last box of a file alone. Four
// zero bytes of version and flags before a four-letter code, as in hdlr and
// sbgp, read as one.) False for a node without children.
bool ChildrenTile(const ChunkNode& node, const ChunkTree& tree);

// Marks `node` kContentsNotAtoms and every node below it kPhantom. A tail
// skipped after the last phantom is no tail of `node`'s: its mark goes.
// Subtrees already marked phantom are passed over, so marking every level
// of a tree costs time in proportion to its nodes.
void MarkContentsNotAtoms(ChunkNode& node);

}  // namespace viewer
