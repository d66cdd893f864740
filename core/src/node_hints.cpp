#include "node_hints.h"

#include <vector>

namespace viewer {

namespace {

// Bytes from the node's offset to its declared end (its size, with the 8
// header bytes a RIFF size field leaves out); -1 for a negative size.
int64_t DeclaredLength(const ChunkNode& node, const ChunkTree& tree) {
    if (node.size < 0) return -1;
    const int64_t header = tree.sizeCountsHeader ? 0 : 8;
    return node.size > INT64_MAX - header ? INT64_MAX : node.size + header;
}

constexpr const char* kNames[] = {
    "overruns-parent", "truncated",        "negative-size",     "size-below-header", "missing-pad",
    "depth-limit",     "list-too-small",   "tail-skipped",      "zero-id",           "size-zero-to-end",
    "largesize",       "contents-not-atoms", "zero-terminator",
};
static_assert(sizeof kNames / sizeof kNames[0] == static_cast<size_t>(HintKind::kZeroTerminator) + 1);

}  // namespace

const char* HintName(HintKind kind) { return kNames[static_cast<size_t>(kind)]; }

int64_t DeclaredEnd(const ChunkNode& node, const ChunkTree& tree) {
    const int64_t length = DeclaredLength(node, tree);
    if (length < 0) return node.offset;
    return length > INT64_MAX - node.offset ? INT64_MAX : node.offset + length;
}

int64_t SpanEnd(const ChunkNode& parent, const ChunkTree& tree) {
    // A streamed RIFF root (negative size) spans the rest of the file; an
    // atom file's TOP has the file's length as its size.
    return parent.size < 0 ? tree.fileLength : DeclaredEnd(parent, tree);
}

void TakeGrownLength(ChunkTree& tree, int64_t knownLength) {
    if (knownLength <= tree.fileLength) return;
    tree.fileLength = knownLength;
    struct Pending {
        ChunkNode* node;
        const ChunkNode* parent;
    };
    std::vector<Pending> pending;
    for (ChunkNode* top = tree.root; top; top = top->next) pending.push_back({top, nullptr});
    while (!pending.empty()) {
        const Pending p = pending.back();
        pending.pop_back();
        ChunkNode& n = *p.node;
        if (n.anomalies & kTruncated) {
            // The marks as the walk would have set them with this length: a
            // parent that ended where the file did then no longer does.
            const int64_t end = DeclaredEnd(n, tree);
            if (end <= knownLength) n.anomalies &= static_cast<uint16_t>(~kTruncated);
            if (p.parent && end > SpanEnd(*p.parent, tree) && SpanEnd(*p.parent, tree) != knownLength)
                n.anomalies |= kOverrunsParent;
            if (!(n.anomalies & (kTruncated | kOverrunsParent))) n.anomalies &= static_cast<uint16_t>(~kZeroId);
        }
        for (ChunkNode* c = n.firstChild; c; c = c->next) pending.push_back({c, &n});
    }
}

NodeDescription DescribeNode(const ChunkNode& node, const ChunkNode* parent, const ChunkTree& tree) {
    NodeDescription d;
    d.offset = node.offset;
    d.size = node.size;
    d.headerSize = node.headerSize;
    d.declaredEnd = DeclaredEnd(node, tree);
    d.atomFile = tree.sizeCountsHeader;
    d.phantom = (node.flags & kPhantom) != 0;
    // Past-the-end figures from lengths measured from the node's offset, so
    // that no sum overflows even for a 64-bit size near its largest value.
    const int64_t length = DeclaredLength(node, tree);
    auto beyond = [&](int64_t end) { return length < 0 ? -1 : length - (end - node.offset); };

    if (node.anomalies & kZeroId) d.anomalies[d.anomalyCount++] = Hint{HintKind::kZeroId, -1};
    for (unsigned bit = 0; bit < 8; ++bit) {
        if (!(node.anomalies & (1u << bit))) continue;
        const auto kind = static_cast<HintKind>(bit);
        int64_t bytes = -1;
        if (kind == HintKind::kOverrunsParent && parent) {
            bytes = beyond(SpanEnd(*parent, tree));
        } else if (kind == HintKind::kTruncated) {
            bytes = beyond(tree.fileLength);
        } else if (kind == HintKind::kTailSkipped && node.firstChild) {
            const ChunkNode* last = node.firstChild;
            while (last->next) last = last->next;
            bytes = SpanEnd(node, tree) - DeclaredEnd(*last, tree);
        }
        d.anomalies[d.anomalyCount++] = Hint{kind, bytes};
    }
    if (node.notes & kSizeZeroToEnd) d.notes[d.noteCount++] = Hint{HintKind::kSizeZeroToEnd, -1};
    if (node.notes & kLargeSize) d.notes[d.noteCount++] = Hint{HintKind::kLargeSize, -1};
    if (node.notes & kContentsNotAtoms) d.notes[d.noteCount++] = Hint{HintKind::kContentsNotAtoms, -1};
    if (node.notes & kZeroTerminator) d.notes[d.noteCount++] = Hint{HintKind::kZeroTerminator, -1};
    return d;
}

}  // namespace viewer
