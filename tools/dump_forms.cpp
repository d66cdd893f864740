// The three forms a dump program prints a tree in: text, JSON and --check.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

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
// its whole text in memory. The writers put their bytes straight into the
// buffer: they ask for room for the most a piece can take, write there and
// say where they stopped.
class Sink {
public:
    explicit Sink(FILE* file) : file_(file) { buf_.resize(kFlushAt + 4096); }
    ~Sink() { Flush(); }

    // Where the next bytes go, with room for at least n of them; they count
    // once Commit is told where they end.
    char* Room(size_t n) {
        if (buf_.size() - used_ < n) Grow(n);
        return buf_.data() + used_;
    }
    void Commit(const char* end) { used_ = static_cast<size_t>(end - buf_.data()); }
    void Append(std::string_view s) {
        std::memcpy(Room(s.size()), s.data(), s.size());
        used_ += s.size();
    }
    void Push(char c) {
        *Room(1) = c;
        ++used_;
    }
    // The whole output, for a sink without a file.
    std::string Take() {
        buf_.resize(used_);
        used_ = 0;
        return std::move(buf_);
    }

    void MaybeFlush() {
        if (file_ && used_ >= kFlushAt) Flush();
    }
    void Flush() {
        if (!file_ || used_ == 0) return;
        // After a failed write nothing more is tried: the output is lost.
        if (error_ == 0) {
            viewer::ClearWriteError();
            if (std::fwrite(buf_.data(), 1, used_, file_) != used_) Failed();
        }
        used_ = 0;
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
    // The buffer at least doubles, so that growing costs little per byte.
    [[gnu::noinline]] void Grow(size_t n) { buf_.resize(std::max(2 * buf_.size(), used_ + n)); }

    static constexpr size_t kFlushAt = 1 << 20;
    FILE* file_;
    std::string buf_;  // its first used_ bytes are the output; the rest is room
    size_t used_ = 0;
    int error_ = 0;
};

// Copies a literal (without its NUL) to p; returns its end.
template <size_t N>
char* Put(char* p, const char (&text)[N]) {
    std::memcpy(p, text, N - 1);
    return p + N - 1;
}

// Writes a signed decimal at p (room for viewer::kDecimalCapacity); returns its end.
char* PutInt(char* p, int64_t value) { return p + viewer::FormatDecimal(value, p); }

void AppendInt(Sink& sink, int64_t value) { sink.Commit(PutInt(sink.Room(viewer::kDecimalCapacity), value)); }

// The most a label takes escaped: every byte as \xNN (text) or \u00XX and
// the quotes around it (JSON).
constexpr size_t kLabelBytes = sizeof ChunkNode::label;
constexpr size_t kTextLabelRoom = 4 * kLabelBytes;
constexpr size_t kJsonLabelRoom = 6 * kLabelBytes + 2;

// What each byte is in a label, as bits: kept as it is in the text form,
// in --check's paths, in JSON. The zero byte, which ends a label, is none.
enum : uint8_t { kPlainInText = 1, kPlainInPath = 2, kPlainInJson = 4 };
constexpr std::array<uint8_t, 256> kPlainBytes = [] {
    std::array<uint8_t, 256> plain{};
    for (unsigned c = 0x20; c <= 0x7E; ++c) plain[c] = kPlainInText | kPlainInPath | kPlainInJson;
    plain['\\'] = 0;
    plain['/'] = plain[':'] = kPlainInText | kPlainInJson;
    plain['"'] = kPlainInText | kPlainInPath;
    return plain;
}();

// How many bytes from the start of the label are kept as they are (the
// bits of `plain`): up to its end when no byte of it needs an escape.
size_t PlainRun(const ChunkNode& node, uint8_t plain) {
    size_t i = 0;
    while (i < kLabelBytes && (kPlainBytes[static_cast<unsigned char>(node.label[i])] & plain)) ++i;
    return i;
}

// The text form's label from byte `i` on, where a byte needs an escape.
template <bool InPath>
[[gnu::noinline]] char* PutEscapedTextLabel(char* p, const ChunkNode& node, size_t i) {
    static const char kHex[] = "0123456789abcdef";
    for (; i < kLabelBytes && node.label[i] != 0; ++i) {
        const auto c = static_cast<unsigned char>(node.label[i]);
        if (kPlainBytes[c] & (InPath ? kPlainInPath : kPlainInText)) {
            *p++ = static_cast<char>(c);
        } else if (c == '\\') {
            p = Put(p, "\\\\");
        } else {
            *p++ = '\\';
            *p++ = 'x';
            *p++ = kHex[c >> 4];
            *p++ = kHex[c & 15];
        }
    }
    return p;
}

// The label in the text form: printable ASCII as it is, the backslash
// doubled, every other byte as \xNN, so that no label can break a line,
// move the terminal's cursor or pass for another item. The label ends at
// its first zero byte. Written at p (room for kTextLabelRoom); returns its end.
// InPath: as a part of --check's paths, where '/' and ':' are escaped too.
template <bool InPath = false>
char* PutTextLabel(char* p, const ChunkNode& node) {
    // Nearly every label needs no escape: it is copied whole, and only
    // where it ends is looked for.
    std::memcpy(p, node.label, kLabelBytes);
    const size_t plain = PlainRun(node, InPath ? kPlainInPath : kPlainInText);
    if (plain == kLabelBytes || node.label[plain] == 0) return p + plain;
    return PutEscapedTextLabel<InPath>(p + plain, node, plain);
}

// The text form: one line per node, two spaces of indentation per level.
struct TextWriter {
    // The most a line takes besides its indentation: the label escaped,
    // "[", the size, "Bytes]\n".
    static constexpr size_t kLineRoom = kTextLabelRoom + 1 + viewer::kDecimalCapacity + 7;
    static constexpr size_t kIndentOvershoot = 15;
    Sink& sink;
    void Enter(const ChunkNode& node, size_t depth) {
        const size_t indent = depth * 2;
        char* p = sink.Room(indent + kIndentOvershoot + kLineRoom);
        // In pieces of 16 spaces, which cost less than a call to memset for
        // the few levels of nearly every line; the last piece may write past
        // the indentation, into the room asked for.
        for (size_t i = 0; i < indent; i += 16) std::memcpy(p + i, "                ", 16);
        p = PutTextLabel(p + indent, node);
        *p++ = '[';
        p = PutInt(p, node.size);
        sink.Commit(Put(p, "Bytes]\n"));
        sink.MaybeFlush();
    }
    void Leave(const ChunkNode&, size_t) {}
};

// The JSON string's label from byte `i` on, where a byte needs an escape.
[[gnu::noinline]] char* PutEscapedJsonLabel(char* p, const ChunkNode& node, size_t i) {
    static const char kHex[] = "0123456789ABCDEF";
    for (; i < kLabelBytes && node.label[i] != 0; ++i) {
        const auto c = static_cast<unsigned char>(node.label[i]);
        if (kPlainBytes[c] & kPlainInJson) {
            *p++ = static_cast<char>(c);
        } else if (c == '"' || c == '\\') {
            *p++ = '\\';
            *p++ = static_cast<char>(c);
        } else {
            p = Put(p, "\\u00");
            *p++ = kHex[c >> 4];
            *p++ = kHex[c & 15];
        }
    }
    return p;
}

// The label as a JSON string: the quote and the backslash escaped, bytes
// outside printable ASCII as \u00XX, so the output is valid JSON and keeps
// every byte. Written at p (room for kJsonLabelRoom); returns its end.
char* PutJsonLabel(char* p, const ChunkNode& node) {
    *p++ = '"';
    // As in the text form: copied whole unless a byte needs an escape.
    std::memcpy(p, node.label, kLabelBytes);
    const size_t plain = PlainRun(node, kPlainInJson);
    p = plain == kLabelBytes || node.label[plain] == 0 ? p + plain : PutEscapedJsonLabel(p + plain, node, plain);
    *p++ = '"';
    return p;
}

// Keeps the ancestors of the node being visited, for the figures of its
// hints and for the paths of --check.
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
void AppendJsonHints(Sink& sink, std::string_view key, const Hint* hints, size_t count) {
    if (count == 0) return;
    sink.Append(",\"");
    sink.Append(key);
    sink.Append("\":[");
    for (size_t i = 0; i < count; ++i) {
        if (i) sink.Push(',');
        sink.Append("{\"kind\":\"");
        sink.Append(viewer::HintName(hints[i].kind));
        sink.Push('"');
        if (hints[i].bytes >= 0) {
            sink.Append(",\"bytes\":");
            AppendInt(sink, hints[i].bytes);
        }
        sink.Push('}');
    }
    sink.Push(']');
}

// The JSON form: each node an object whose "children" array holds the
// objects of its children ("phantom": true before them for a phantom); the caller writes the brackets of the top level.
struct JsonWriter {
    // The most a node's object takes up to its hints.
    static constexpr size_t kNodeRoom = 1 + 9 + kJsonLabelRoom + 8 + 10 + 10 + 3 * viewer::kDecimalCapacity;
    Sink& sink;
    const ChunkTree& tree;
    Ancestry ancestry;
    viewer::ByteSource* file = nullptr;  // where the fields are read, if they are
    bool needComma = false;  // a sibling's object came before in this array
    std::string fields;
    void Enter(const ChunkNode& node, size_t depth) {
        const ChunkNode* parent = ancestry.Enter(node, depth);
        char* p = sink.Room(kNodeRoom);
        if (needComma) *p++ = ',';
        p = Put(p, "{\"label\":");
        p = PutJsonLabel(p, node);
        p = Put(p, ",\"size\":");
        p = PutInt(p, node.size);
        p = Put(p, ",\"offset\":");
        p = PutInt(p, node.offset);
        p = Put(p, ",\"header\":");
        p = PutInt(p, node.headerSize);
        sink.Commit(p);
        if (node.flags & viewer::kPhantom) sink.Append(",\"phantom\":true");
        if (node.anomalies || node.notes) {
            const NodeDescription d = viewer::DescribeNode(node, parent, tree);
            AppendJsonHints(sink, "anomalies", d.anomalies, d.anomalyCount);
            AppendJsonHints(sink, "notes", d.notes, d.noteCount);
        }
        if (file) {
            fields.clear();
            AppendFieldsJson(fields, viewer::DecodeFields(*file, tree, node, ancestry.nodes.data(), depth));
            sink.Append(fields);
        }
        sink.Append(",\"children\":[");
        needComma = false;
    }
    void Leave(const ChunkNode&, size_t) {
        sink.Append("]}");
        needComma = true;
        sink.MaybeFlush();
    }
};

// The text form with each known node's fields on lines below it.
struct FieldsWriter {
    TextWriter text;
    const ChunkTree& tree;
    viewer::ByteSource& file;
    Ancestry ancestry;
    std::string lines;
    void Enter(const ChunkNode& node, size_t depth) {
        ancestry.Enter(node, depth);
        text.Enter(node, depth);
        lines.clear();
        AppendFieldLines(lines, viewer::DecodeFields(file, tree, node, ancestry.nodes.data(), depth), depth * 2 + 4);
        text.sink.Append(lines);
    }
    void Leave(const ChunkNode&, size_t) {}
};

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

void AppendText(Sink& sink, const ChunkTree& tree) { viewer::VisitPreOrder(tree.root, TextWriter{sink}); }

void AppendJson(Sink& sink, const ChunkTree& tree, viewer::ByteSource* file) {
    sink.Push('[');
    viewer::VisitPreOrder(tree.root, JsonWriter{sink, tree, {}, file, false, {}});
    sink.Append("]\n");
}

void AppendFields(Sink& sink, const ChunkTree& tree, viewer::ByteSource& file) {
    viewer::VisitPreOrder(tree.root, FieldsWriter{TextWriter{sink}, tree, file, {}, {}});
}

size_t AppendCheck(Sink& sink, const ChunkTree& tree) {
    CheckWriter writer{sink, tree, {}};
    viewer::VisitPreOrder(tree.root, writer);
    return writer.found;
}

}  // namespace

std::string DumpText(const ChunkTree& tree) {
    Sink sink(nullptr);
    AppendText(sink, tree);
    return sink.Take();
}

std::string DumpJson(const ChunkTree& tree, viewer::ByteSource* file) {
    Sink sink(nullptr);
    AppendJson(sink, tree, file);
    return sink.Take();
}

std::string DumpFields(const ChunkTree& tree, viewer::ByteSource& file) {
    Sink sink(nullptr);
    AppendFields(sink, tree, file);
    return sink.Take();
}

std::string DumpCheck(const ChunkTree& tree) {
    Sink sink(nullptr);
    AppendCheck(sink, tree);
    return sink.Take();
}

int WriteDump(const ChunkTree& tree, DumpForm form, FILE* file, size_t* anomalies, viewer::ByteSource* source) {
    Sink sink(file);
    size_t found = 0;
    if (form == DumpForm::kJson)
        AppendJson(sink, tree, source);
    else if (form == DumpForm::kFields && source)
        AppendFields(sink, tree, *source);
    else if (form == DumpForm::kCheck)
        found = AppendCheck(sink, tree);
    else
        AppendText(sink, tree);
    sink.Finish();
    if (anomalies) *anomalies = found;
    return sink.error();
}
