// The --check form of the dump programs: the file's anomalies only.
#include "dump_common.h"
#include "dump_output.h"
#include "node_hints.h"
#include "traversal.h"

using viewer::Hint;
using viewer::HintKind;
using viewer::NodeDescription;

namespace dump {
namespace {

// What --check says about an anomaly, after its kind's name.
void AppendCheckText(Sink& sink, const Hint& hint, const NodeDescription& d) {
    auto bytes = [&](int64_t n) {
        AppendInt(sink, n);
        sink.Append(n == 1 ? " byte" : " bytes");
    };
    switch (hint.kind) {
    case HintKind::kOverrunsParent:
        sink.Append("its declared end lies ");
        bytes(hint.bytes);
        sink.Append(" past the end of its parent");
        break;
    case HintKind::kTruncated:
        sink.Append("the file ends ");
        bytes(hint.bytes);
        sink.Append(" before its declared end");
        break;
    case HintKind::kNegativeSize:
        // A RIFF writer streaming to a pipe leaves FF FF FF FF; an atom's
        // 32-bit size has no such meaning.
        sink.Append(d.atomFile ? "the size field has its top bit set" : "negative size (a streamed file's unknown size)");
        break;
    case HintKind::kZeroId:
        sink.Append("a chunk id of four zero bytes: probably 4 bytes of padding, and the next chunk was read "
                    "from the wrong place");
        break;
    case HintKind::kSizeBelowHeader:
        sink.Append("size ");
        AppendInt(sink, d.size);
        sink.Append(" is less than its ");
        AppendInt(sink, d.headerSize);
        sink.Append("-byte header");
        break;
    case HintKind::kMissingPad:
        sink.Append("odd size, and no pad byte follows");
        break;
    case HintKind::kDepthLimit:
        sink.Append("children not read: the nesting bound is reached");
        break;
    case HintKind::kListTooSmall:
        sink.Append("size ");
        AppendInt(sink, d.size);
        sink.Append(" cannot hold its 4-byte type");
        break;
    case HintKind::kTailSkipped:
        bytes(hint.bytes);
        sink.Append(" after its last child skipped");
        break;
    default:
        break;
    }
}

// The --check form: one line per anomaly, "OFFSET PATH: KIND: what", the
// path being the labels from the top joined by '/' (escaped as the text form
// escapes them, '/' itself as \x2f and ':' as \x3a, so that a line splits
// at its first ": " after the offset into path, kind and text).
struct CheckWriter {
    Sink& sink;
    const ChunkTree& tree;
    Ancestry ancestry;
    size_t found = 0;
    void Enter(const ChunkNode& node, size_t depth) {
        const ChunkNode* parent = ancestry.Enter(node, depth);
        if (viewer::HasFileAnomaly(node)) Print(node, parent);  // a phantom's are not the file's
    }
    // Kept out of Enter, which every node passes through: few nodes get here.
    [[gnu::noinline]] void Print(const ChunkNode& node, const ChunkNode* parent) {
        const NodeDescription d = viewer::DescribeNode(node, parent, tree);
        for (size_t i = 0; i < d.anomalyCount; ++i) {
            AppendInt(sink, node.offset);
            sink.Push(' ');
            AppendPath();
            sink.Append(": ");
            sink.Append(viewer::HintName(d.anomalies[i].kind));
            sink.Append(": ");
            AppendCheckText(sink, d.anomalies[i], d);
            sink.Push('\n');
            ++found;
        }
        sink.MaybeFlush();
    }
    // The path of the node visited, from the ancestors kept: written only
    // for the nodes that have anomalies, not built up for every node.
    void AppendPath() {
        for (size_t i = 0; i < ancestry.nodes.size(); ++i) {
            char* p = sink.Room(1 + kTextLabelRoom);
            if (i) *p++ = '/';
            sink.Commit(PutTextLabel<true>(p, *ancestry.nodes[i]));
        }
    }
    void Leave(const ChunkNode&, size_t) {}
};

}  // namespace

size_t AppendCheck(Sink& sink, const ChunkTree& tree) {
    CheckWriter writer{sink, tree, {}};
    viewer::VisitPreOrder(tree.root, writer);
    return writer.found;
}

}  // namespace dump

std::string DumpCheck(const viewer::ChunkTree& tree) {
    dump::Sink sink(nullptr);
    dump::AppendCheck(sink, tree);
    return sink.Take();
}
