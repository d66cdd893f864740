// The three forms a dump program prints a tree in: text, JSON and --check.
#include <cstdio>
#include <cstring>

#include "decimal.h"
#include "dump_common.h"
#include "node_hints.h"
#include "traversal.h"
#include "write_error.h"

using viewer::ChunkNode;
using viewer::ChunkTree;
using viewer::Hint;
using viewer::HintKind;
using viewer::NodeDescription;

namespace {

// Output that is either kept whole (for callers that want the text) or
// written out in large pieces, so a tree of millions of items never needs
// its whole text in memory.
class Sink {
public:
    explicit Sink(FILE* file) : file_(file) { out_.reserve(kFlushAt + 4096); }
    ~Sink() { Flush(); }
    std::string& text() { return out_; }
    void MaybeFlush() {
        if (file_ && out_.size() >= kFlushAt) Flush();
    }
    void Flush() {
        if (!file_ || out_.empty()) return;
        // After a failed write nothing more is tried: the output is lost.
        if (error_ == 0) {
            viewer::ClearWriteError();
            if (std::fwrite(out_.data(), 1, out_.size(), file_) != out_.size()) Failed();
        }
        out_.clear();
    }
    // Flushes the file too: its own buffer may hold the last bytes.
    void Finish() {
        Flush();
        if (!file_ || error_ != 0) return;
        viewer::ClearWriteError();
        if (std::fflush(file_) != 0 || std::ferror(file_)) Failed();
    }
    // The system's error number of the first failed write, 0 while none failed.
    int error() const { return error_; }

private:
    void Failed() { error_ = viewer::LastWriteError(); }

    static constexpr size_t kFlushAt = 1 << 20;
    FILE* file_;
    std::string out_;
    int error_ = 0;
};

void AppendInt(std::string& out, int64_t value) {
    char digits[viewer::kDecimalCapacity];
    out.append(digits, viewer::FormatDecimal(value, digits));
}

// The label in the text form: printable ASCII as it is, the backslash
// doubled, every other byte as \xNN, so that no label can break a line,
// move the terminal's cursor or pass for another item. The label ends at
// its first zero byte.
// InPath: as a part of --check's paths, where '/' and ':' are escaped too.
template <bool InPath = false>
void AppendTextLabel(std::string& out, const ChunkNode& node) {
    static const char kHex[] = "0123456789abcdef";
    for (size_t i = 0; i < sizeof node.label && node.label[i] != 0; ++i) {
        const auto c = static_cast<unsigned char>(node.label[i]);
        if (c == '\\') {
            out.append("\\\\");
        } else if (c >= 0x20 && c <= 0x7E && !(InPath && (c == '/' || c == ':'))) {
            out.push_back(static_cast<char>(c));
        } else {
            out.append("\\x");
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
}

// The text form: one line per node, two spaces of indentation per level.
struct TextWriter {
    Sink& sink;
    void Enter(const ChunkNode& node, size_t depth) {
        std::string& out = sink.text();
        out.append(depth * 2, ' ');
        AppendTextLabel(out, node);
        out.push_back('[');
        AppendInt(out, node.size);
        out.append("Bytes]\n");
        sink.MaybeFlush();
    }
    void Leave(const ChunkNode&, size_t) {}
};

void AppendJsonString(std::string& out, const char* text) {
    static const char kHex[] = "0123456789ABCDEF";
    out.push_back('"');
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        const unsigned char c = *p;
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (c < 0x20 || c >= 0x7F) {
            out.append("\\u00");
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    out.push_back('"');
}

// Keeps the ancestors of the node being visited, for the figures of its hints.
struct Ancestry {
    std::vector<const ChunkNode*> nodes;
    // The parent of a node at `depth`, which becomes the last ancestor.
    const ChunkNode* Enter(const ChunkNode& node, size_t depth) {
        nodes.resize(depth);
        const ChunkNode* parent = depth ? nodes[depth - 1] : nullptr;
        nodes.push_back(&node);
        return parent;
    }
};

// "[{"kind":"truncated","bytes":17640},...]": a figure only where the kind has one.
void AppendJsonHints(std::string& out, const char* key, const Hint* hints, size_t count) {
    if (count == 0) return;
    out.append(",\"").append(key).append("\":[");
    for (size_t i = 0; i < count; ++i) {
        if (i) out.push_back(',');
        out.append("{\"kind\":\"").append(viewer::HintName(hints[i].kind)).push_back('"');
        if (hints[i].bytes >= 0) {
            out.append(",\"bytes\":");
            AppendInt(out, hints[i].bytes);
        }
        out.push_back('}');
    }
    out.push_back(']');
}

// The JSON form: each node an object whose "children" array holds the
// objects of its children ("phantom": true before them for a phantom); the caller writes the brackets of the top level.
struct JsonWriter {
    Sink& sink;
    const ChunkTree& tree;
    Ancestry ancestry;
    bool needComma = false;  // a sibling's object came before in this array
    void Enter(const ChunkNode& node, size_t depth) {
        const ChunkNode* parent = ancestry.Enter(node, depth);
        std::string& out = sink.text();
        if (needComma) out.push_back(',');
        char label[sizeof node.label + 1];
        std::memcpy(label, node.label, sizeof node.label);
        label[sizeof node.label] = 0;
        out.append("{\"label\":");
        AppendJsonString(out, label);
        out.append(",\"size\":");
        AppendInt(out, node.size);
        out.append(",\"offset\":");
        AppendInt(out, node.offset);
        out.append(",\"header\":");
        AppendInt(out, node.headerSize);
        if (node.flags & viewer::kPhantom) out.append(",\"phantom\":true");
        if (node.anomalies || node.notes) {
            const NodeDescription d = viewer::DescribeNode(node, parent, tree);
            AppendJsonHints(out, "anomalies", d.anomalies, d.anomalyCount);
            AppendJsonHints(out, "notes", d.notes, d.noteCount);
        }
        out.append(",\"children\":[");
        needComma = false;
    }
    void Leave(const ChunkNode&, size_t) {
        sink.text().append("]}");
        needComma = true;
        sink.MaybeFlush();
    }
};

// What --check says about an anomaly, after its kind's name.
void AppendCheckText(std::string& out, const Hint& hint, const NodeDescription& d) {
    auto bytes = [&](int64_t n) { AppendInt(out, n); out.append(n == 1 ? " byte" : " bytes"); };
    switch (hint.kind) {
    case HintKind::kOverrunsParent:
        out.append("its declared end lies ");
        bytes(hint.bytes);
        out.append(" past the end of its parent");
        break;
    case HintKind::kTruncated:
        out.append("the file ends ");
        bytes(hint.bytes);
        out.append(" before its declared end");
        break;
    case HintKind::kNegativeSize:
        // A RIFF writer streaming to a pipe leaves FF FF FF FF; an atom's
        // 32-bit size has no such meaning.
        out.append(d.atomFile ? "the size field has its top bit set" : "negative size (a streamed file's unknown size)");
        break;
    case HintKind::kZeroId:
        out.append("a chunk id of four zero bytes: probably 4 bytes of padding, and the next chunk was read "
                   "from the wrong place");
        break;
    case HintKind::kSizeBelowHeader:
        out.append("size ");
        AppendInt(out, d.size);
        out.append(" is less than its ");
        AppendInt(out, d.headerSize);
        out.append("-byte header");
        break;
    case HintKind::kMissingPad:
        out.append("odd size, and no pad byte follows");
        break;
    case HintKind::kDepthLimit:
        out.append("children not read: the nesting bound is reached");
        break;
    case HintKind::kListTooSmall:
        out.append("size ");
        AppendInt(out, d.size);
        out.append(" cannot hold its 4-byte type");
        break;
    case HintKind::kTailSkipped:
        bytes(hint.bytes);
        out.append(" after its last child skipped");
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
    std::vector<size_t> pathEnds;  // pathEnds[d]: length of the path down to depth d
    std::string path;
    size_t found = 0;
    void Enter(const ChunkNode& node, size_t depth) {
        const ChunkNode* parent = ancestry.Enter(node, depth);
        path.resize(depth ? pathEnds[depth - 1] : 0);
        pathEnds.resize(depth);
        if (depth) path.push_back('/');
        AppendTextLabel<true>(path, node);
        pathEnds.push_back(path.size());
        if (viewer::HasFileAnomaly(node)) Print(node, parent);  // a phantom's are not the file's
    }
    // Kept out of Enter, which every node passes through: few nodes get here.
    [[gnu::noinline]] void Print(const ChunkNode& node, const ChunkNode* parent) {
        const NodeDescription d = viewer::DescribeNode(node, parent, tree);
        std::string& out = sink.text();
        for (size_t i = 0; i < d.anomalyCount; ++i) {
            AppendInt(out, node.offset);
            out.push_back(' ');
            out.append(path).append(": ").append(viewer::HintName(d.anomalies[i].kind)).append(": ");
            AppendCheckText(out, d.anomalies[i], d);
            out.push_back('\n');
            ++found;
        }
        sink.MaybeFlush();
    }
    void Leave(const ChunkNode&, size_t) {}
};

void AppendText(Sink& sink, const ChunkTree& tree) { viewer::VisitPreOrder(tree.root, TextWriter{sink}); }

void AppendJson(Sink& sink, const ChunkTree& tree) {
    sink.text().push_back('[');
    viewer::VisitPreOrder(tree.root, JsonWriter{sink, tree, {}});
    sink.text().append("]\n");
}

size_t AppendCheck(Sink& sink, const ChunkTree& tree) {
    CheckWriter writer{sink, tree, {}, {}, {}};
    viewer::VisitPreOrder(tree.root, writer);
    return writer.found;
}

}  // namespace

std::string DumpText(const ChunkTree& tree) {
    Sink sink(nullptr);
    AppendText(sink, tree);
    return std::move(sink.text());
}

std::string DumpJson(const ChunkTree& tree) {
    Sink sink(nullptr);
    AppendJson(sink, tree);
    return std::move(sink.text());
}

std::string DumpCheck(const ChunkTree& tree) {
    Sink sink(nullptr);
    AppendCheck(sink, tree);
    return std::move(sink.text());
}

int WriteDump(const ChunkTree& tree, DumpForm form, FILE* file, size_t* anomalies) {
    Sink sink(file);
    size_t found = 0;
    if (form == DumpForm::kJson)
        AppendJson(sink, tree);
    else if (form == DumpForm::kCheck)
        found = AppendCheck(sink, tree);
    else
        AppendText(sink, tree);
    sink.Finish();
    if (anomalies) *anomalies = found;
    return sink.error();
}
