// What every fuzz target checks besides survival: the tree of an analysis
// stays inside the data it came from, never nests deeper than the walks
// allow, and the same bytes always give the same tree. A broken rule prints
// what it found and aborts, which libFuzzer and the replay program report.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "analysis.h"
#include "atom_containers.h"
#include "byte_source.h"
#include "node_fields.h"
#include "node_hints.h"
#include "traversal.h"

namespace fuzz {

using viewer::Analysis;
using viewer::ByteSource;
using viewer::ChunkNode;
using viewer::ChunkTree;
using viewer::Reason;

[[noreturn]] inline void Fail(const char* rule, const ChunkNode* node) {
    if (node)
        std::fprintf(stderr, "fuzz check failed: %s (node %s at offset %lld)\n", rule, viewer::LabelText(*node).c_str(),
                     static_cast<long long>(node->offset));
    else
        std::fprintf(stderr, "fuzz check failed: %s\n", rule);
    std::abort();
}

// Checks that what the walk marked on a node agrees with its figures:
// each figure is derived from the node, its parent and the data's length
// (node_hints.h), and a node is marked past its parent or past the data
// exactly when its declared end lies there.
inline void CheckPad(const ChunkTree& tree, const ChunkNode& node, const uint8_t* data, int64_t length);

inline void CheckHints(const ChunkTree& tree, const ChunkNode& node, const ChunkNode* parent, int64_t length,
                       const uint8_t* data) {
    using namespace viewer;
    if (tree.fileLength != length) Fail("the tree does not know the data's length", &node);
    const NodeDescription d = DescribeNode(node, parent, tree);
    // The declared end exactly, in 128 bits: DeclaredEnd saturates at the
    // largest 64-bit value, while a figure counts the bytes past the end as
    // declared (a largesize near 2^63 at a non-zero offset).
    const __int128 end = node.size < 0 ? __int128{node.offset}
                                       : __int128{node.offset} + node.size + (tree.sizeCountsHeader ? 0 : 8);
    for (size_t i = 0; i < d.anomalyCount; ++i) {
        const Hint& h = d.anomalies[i];
        switch (h.kind) {
        case HintKind::kOverrunsParent:
            if (!parent || h.bytes <= 0 || h.bytes != end - SpanEnd(*parent, tree))
                Fail("overrun figure is not its declared end minus its parent's end", &node);
            break;
        case HintKind::kTruncated:
            if (h.bytes <= 0 || h.bytes != end - length) Fail("truncation figure is not its declared end minus the length", &node);
            break;
        case HintKind::kNegativeSize:
            if (node.size >= 0) Fail("marked negative with a size of 0 or more", &node);
            break;
        case HintKind::kSizeBelowHeader:
            if (node.size < 0 || node.size >= node.headerSize) Fail("marked below its header wrongly", &node);
            break;
        case HintKind::kMissingPad:
            if ((node.size & 1) == 0) Fail("marked without pad at an even size", &node);
            break;
        case HintKind::kDepthLimit:
            if (node.firstChild) Fail("marked at the nesting bound with children", &node);
            break;
        case HintKind::kListTooSmall:
            if (node.size < 0 || node.size >= 4 || node.firstChild) Fail("marked too small for its type wrongly", &node);
            break;
        case HintKind::kTailSkipped:
            if (h.bytes < 1 || h.bytes > 7) Fail("skipped tail not 1 to 7 bytes", &node);
            break;
        case HintKind::kZeroId:
            if (tree.sizeCountsHeader || node.label[0] != 0 || !(node.anomalies & (kTruncated | kOverrunsParent)))
                Fail("zero id marked wrongly", &node);
            break;
        default:
            Fail("unknown anomaly", &node);
        }
    }
    // And the other way round: each end past its bounds is marked.
    if (node.size >= 0 && end > length && !(node.anomalies & (kTruncated | kSizeBelowHeader)))
        Fail("declared end past the data, not marked", &node);
    if (parent && node.size >= 0 && end > SpanEnd(*parent, tree) && SpanEnd(*parent, tree) != length &&
        !(node.anomalies & kOverrunsParent))
        Fail("declared end past its parent, not marked", &node);

    // Phantoms: exactly the nodes below an atom whose contents did not tile
    // it, where the formats do not make it a container.
    const bool phantom = (node.flags & kPhantom) != 0;
    const bool notAtoms = (node.notes & kContentsNotAtoms) != 0;
    if (!tree.sizeCountsHeader) {
        if (phantom || notAtoms || (node.notes & kZeroTerminator)) Fail("a RIFF chunk judged as an atom", &node);
        CheckPad(tree, node, data, length);
        return;
    }
    const bool underData = parent && ((parent->flags & kPhantom) || (parent->notes & kContentsNotAtoms));
    if (phantom != underData) Fail(phantom ? "phantom under a trusted atom" : "not phantom under data", &node);
    const bool shouldBeData =
        parent && node.firstChild && !ChildrenTile(node, tree) && !IsAtomContainer(node.label, parent->label);
    if (notAtoms != shouldBeData) Fail(notAtoms ? "contents judged data wrongly" : "contents that do not fit, trusted", &node);
    if (notAtoms && (node.anomalies & kTailSkipped)) Fail("a phantom list's tail marked on its parent", &node);
    if ((node.notes & kZeroTerminator) && ((node.anomalies & kTailSkipped) || std::string(node.label) != "udta"))
        Fail("zero terminator marked wrongly", &node);
}

// The pad rule, against the data: a chunk is marked missing-pad only where
// the byte at its declared end is not zero, and exactly so where the walk
// stood there (its next sibling starts at its end: no pad was stepped over).
inline void CheckPad(const ChunkTree& tree, const ChunkNode& node, const uint8_t* data, int64_t length) {
    using namespace viewer;
    const bool odd = node.size >= 0 && (node.size & 1) != 0;
    const int64_t end = odd ? DeclaredEnd(node, tree) : -1;
    const bool marked = (node.anomalies & kMissingPad) != 0;
    if (marked && (!odd || end >= length || (data && data[end] == 0))) Fail("missing pad marked where there is one", &node);
    if (!odd || !node.next || !data) return;
    if (node.next->offset == end && !marked) Fail("no pad after an odd chunk, not marked", &node);
    if (node.next->offset == end + 1 && !marked && data[end] != 0) Fail("a non-zero byte stepped over as a pad", &node);
}

// Checks the shape of a finished tree over `length` bytes of data:
//  - every node's header lies inside the data (0 <= offset < length); a
//    root that stands for an empty file sits at offset 0;
//  - no node lies deeper than maxDepth below its top-level item;
//  - a child's header comes after its parent's, and siblings come in file
//    order (the walks only ever move forward past a header they have read);
//  - the anomalies' figures agree with the nodes (CheckHints), and with the
//    data where it is given.
// Returns the number of nodes. Iterative, so a tree that broke the depth
// bound cannot take the checker's stack with it.
inline size_t CheckTree(const ChunkTree& tree, int64_t length, int maxDepth, bool syntheticRoot,
                        const uint8_t* data = nullptr) {
    if (!tree.root) Fail("a successful analysis has no root", nullptr);
    size_t count = 0;
    struct Pending {
        const ChunkNode* node;
        int depth;
        const ChunkNode* parent;
    };
    std::vector<Pending> pending;
    for (const ChunkNode* top = tree.root; top; top = top->next) pending.push_back({top, 0, nullptr});
    while (!pending.empty()) {
        const auto [node, depth, parent] = pending.back();
        pending.pop_back();
        ++count;
        CheckHints(tree, *node, parent, length, data);
        const bool emptyRoot = syntheticRoot && depth == 0 && length == 0 && node->offset == 0;
        if (node->offset < 0 || (node->offset >= length && !emptyRoot)) Fail("offset outside the data", node);
        if (depth > maxDepth) Fail("deeper than the nesting bound", node);
        if (node->label[sizeof node->label - 1] != 0) Fail("label not terminated", node);
        // A synthetic root stands for the whole data, so its first child may share its offset.
        const int64_t firstChildAt = syntheticRoot && depth == 0 ? node->offset : node->offset + 1;
        for (const ChunkNode* child = node->firstChild; child; child = child->next) {
            if (child->offset < firstChildAt) Fail("child before its parent", child);
            if (child->next && child->next->offset <= child->offset) Fail("siblings out of file order", child->next);
            pending.push_back({child, depth + 1, node});
        }
    }
    if (count != tree.NodeCount()) Fail("tree does not hold every node it allocated", nullptr);
    return count;
}

// Decodes every node's fields (node_fields.h), as a tip or --fields would,
// and checks what came: a phantom is never decoded, the figures that are
// pairs have a denominator where one is needed, codes are whole, and the
// same bytes decode the same way twice.
inline void CheckFields(const ChunkTree& tree, const uint8_t* data, size_t size) {
    using viewer::FieldType;
    struct Decoder {
        const ChunkTree& tree;
        const uint8_t* data;
        size_t size;
        std::vector<const ChunkNode*> ancestors;
        void Enter(const ChunkNode& node, size_t depth) {
            ancestors.resize(depth);
            ByteSource source(data, size);
            const viewer::NodeFields f = viewer::DecodeFields(source, tree, node, ancestors.data(), depth);
            ByteSource again(data, size);
            const viewer::NodeFields g = viewer::DecodeFields(again, tree, node, ancestors.data(), depth);
            if ((node.flags & viewer::kPhantom) && f.known) Fail("a phantom was decoded", &node);
            if (!f.known && (!f.fields.empty() || f.problem != viewer::FieldProblem::kNone))
                Fail("fields of a node not decoded", &node);
            if (f.known != g.known || f.problem != g.problem || f.fields.size() != g.fields.size())
                Fail("the same bytes decoded another way", &node);
            for (size_t i = 0; i < f.fields.size(); ++i) {
                const viewer::Field& x = f.fields[i];
                const viewer::Field& y = g.fields[i];
                if (x.name != y.name || x.value != y.value || x.scale != y.scale || x.text != y.text)
                    Fail("the same bytes decoded another way", &node);
                if (x.name.empty()) Fail("a field without a name", &node);
                if ((x.type == FieldType::kDuration || x.type == FieldType::kFrameRate || x.type == FieldType::kRate) &&
                    x.scale <= 0)
                    Fail("a ratio without a denominator above 0", &node);
                if ((x.type == FieldType::kCode && x.text.size() != 4) ||
                    (x.type == FieldType::kCodes && x.text.size() % 4 != 0))
                    Fail("a code that is not 4 bytes", &node);
                if (x.text.size() > viewer::kMaxFieldBytes) Fail("a text longer than a decoder may read", &node);
                // The words every presentation uses for the figures.
                if (x.type == FieldType::kDuration && viewer::DurationText(x.value, x.scale).empty())
                    Fail("a duration without words", &node);
            }
            ancestors.push_back(&node);
        }
        void Leave(const ChunkNode&, size_t) {}
    } decoder{tree, data, size, {}};
    viewer::VisitPreOrder(tree.root, decoder);
}

// Whether two analyses of the same bytes agree: same outcome, same reason,
// same labels, sizes, offsets and shape.
inline void CheckSame(const Analysis& a, const Analysis& b) {
    if (a.ok() != b.ok() || a.reason != b.reason) Fail("second analysis had another outcome", nullptr);
    if (!a.ok()) return;
    std::vector<std::pair<const ChunkNode*, const ChunkNode*>> pending{{a.tree->root, b.tree->root}};
    while (!pending.empty()) {
        const auto [x, y] = pending.back();
        pending.pop_back();
        if (!x && !y) continue;
        if (!x || !y) Fail("second analysis gave another shape", x ? x : y);
        if (std::string(x->label, sizeof x->label) != std::string(y->label, sizeof y->label) || x->size != y->size ||
            x->offset != y->offset)
            Fail("second analysis gave another node", x);
        pending.emplace_back(x->next, y->next);
        pending.emplace_back(x->firstChild, y->firstChild);
    }
}

// Analyses the bytes the way a user's file is analysed, by path, through
// the byte source's file buffer: the bytes go into an anonymous in-memory
// file that is opened by its /proc/self/fd name.
inline Analysis AnalyzeAsFile(viewer::Walk walk, const uint8_t* data, size_t size) {
    const int fd = memfd_create("fuzz-input", MFD_CLOEXEC);
    if (fd < 0) Fail("memfd_create failed", nullptr);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) Fail("writing the in-memory file failed", nullptr);
        done += static_cast<size_t>(n);
    }
    Analysis a = viewer::AnalyzePath("/proc/self/fd/" + std::to_string(fd), walk);
    close(fd);
    return a;
}

// Analyses the bytes from memory twice and once as a file, checks that all
// three give the same tree, and returns the first analysis.
inline Analysis AnalyzeEveryWay(viewer::Walk walk, const uint8_t* data, size_t size) {
    ByteSource first(data, size);
    Analysis a = walk(first);
    ByteSource second(data, size);
    CheckSame(a, walk(second));
    CheckSame(a, AnalyzeAsFile(walk, data, size));
    return a;
}

}  // namespace fuzz
