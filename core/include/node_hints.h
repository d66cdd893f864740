// What a node's anomaly and note bits mean in figures: the one description
// that the dialog's tooltips, the JSON dump and the dump tools' --check
// print, so they cannot disagree. The walks record only the bits; the
// figures come from the node, its parent and the file's length.
#pragma once

#include <cstddef>
#include <cstdint>

#include "chunk_node.h"

namespace viewer {

enum class HintKind : uint8_t {
    // anomalies, in the order of their bits
    kOverrunsParent,
    kTruncated,
    kNegativeSize,
    kSizeBelowHeader,
    kMissingPad,
    kDepthLimit,
    kListTooSmall,
    kTailSkipped,
    kZeroId,
    // notes
    kSizeZeroToEnd,
    kLargeSize,
    kContentsNotAtoms,
    kZeroTerminator,
};

// The stable English name of a kind ("overruns-parent", "size-zero-to-end").
const char* HintName(HintKind kind);

struct Hint {
    HintKind kind;
    int64_t bytes;  // the figure in bytes, or -1 for a kind without one
};

struct NodeDescription {
    int64_t offset = 0;      // of the header in the file
    int64_t size = 0;        // as declared
    int headerSize = 0;      // bytes of the header (0 for an atom file's TOP)
    int64_t declaredEnd = 0; // where the node ends by its size (offset for a negative size)
    bool atomFile = false;   // an atom file's node (else a RIFF chunk): what a negative size means
    bool phantom = false;    // not an atom of the file (kPhantom): its anomalies are not the file's
    Hint anomalies[9];
    size_t anomalyCount = 0;
    Hint notes[4];
    size_t noteCount = 0;
};

// For a file that grew while it was read, past the length it had when the
// analysis started: makes `knownLength` (where it was seen to reach) the
// tree's file length, takes back every truncation claim for an end that
// lies within it, and marks past its parent a node that was marked cut off
// alone because its parent ended where the file then did. Does nothing for
// a file that did not grow.
void TakeGrownLength(ChunkTree& tree, int64_t knownLength);

// Whether the node has an anomaly that is the file's: one that --check
// prints and the dialog draws dark red. A phantom's never are.
inline bool HasFileAnomaly(const ChunkNode& node) { return node.anomalies != 0 && !(node.flags & kPhantom); }

// Where the children of `parent` must end: its declared end; for an atom
// file's TOP and a RIFF root of negative size, the end of the file.
int64_t SpanEnd(const ChunkNode& parent, const ChunkTree& tree);
// Where the node ends by its declared size (its offset when that is negative).
int64_t DeclaredEnd(const ChunkNode& node, const ChunkTree& tree);

// The node's facts and one Hint per bit set, in the order of the bits
// (zero-id first, as it tells why the figures after it are what they are):
// overruns-parent (declared end − the parent's span end), truncated
// (declared end − file length) and tail-skipped (span end − the last
// child's declared end) with their figures. `parent` is null for a
// top-level node.
NodeDescription DescribeNode(const ChunkNode& node, const ChunkNode* parent, const ChunkTree& tree);

}  // namespace viewer
