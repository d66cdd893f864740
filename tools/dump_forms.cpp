// The forms a dump program prints a tree in: text, --fields and JSON (the
// --check form is in dump_check.cpp).
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "decimal.h"
#include "dump_common.h"
#include "dump_output.h"
#include "node_hints.h"
#include "traversal.h"
#include "write_error.h"

using viewer::ChunkNode;
using viewer::ChunkTree;
using viewer::Hint;
using viewer::HintKind;
using viewer::NodeDescription;

namespace {

using namespace dump;

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

void AppendText(Sink& sink, const ChunkTree& tree) { viewer::VisitPreOrder(tree.root, TextWriter{sink}); }

void AppendJson(Sink& sink, const ChunkTree& tree, viewer::ByteSource* file) {
    sink.Push('[');
    viewer::VisitPreOrder(tree.root, JsonWriter{sink, tree, {}, file, false, {}});
    sink.Append("]\n");
}

void AppendFields(Sink& sink, const ChunkTree& tree, viewer::ByteSource& file) {
    viewer::VisitPreOrder(tree.root, FieldsWriter{TextWriter{sink}, tree, file, {}, {}});
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
