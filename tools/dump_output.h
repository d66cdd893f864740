// What the three forms of the dump programs share (dump_forms.cpp,
// dump_check.cpp): the output they write into, labels escaped for text and
// JSON, and the ancestors kept while a tree is walked.
#pragma once

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "chunk_node.h"
#include "decimal.h"
#include "write_error.h"

namespace dump {

using viewer::ChunkNode;
using viewer::ChunkTree;

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
inline char* PutInt(char* p, int64_t value) { return p + viewer::FormatDecimal(value, p); }

inline void AppendInt(Sink& sink, int64_t value) { sink.Commit(PutInt(sink.Room(viewer::kDecimalCapacity), value)); }

// The most a label takes escaped: every byte as \xNN (text) or \u00XX and
// the quotes around it (JSON).
inline constexpr size_t kLabelBytes = sizeof ChunkNode::label;
inline constexpr size_t kTextLabelRoom = 4 * kLabelBytes;
inline constexpr size_t kJsonLabelRoom = 6 * kLabelBytes + 2;

// What each byte is in a label, as bits: kept as it is in the text form,
// in --check's paths, in JSON. The zero byte, which ends a label, is none.
enum : uint8_t { kPlainInText = 1, kPlainInPath = 2, kPlainInJson = 4 };
inline constexpr std::array<uint8_t, 256> kPlainBytes = [] {
    std::array<uint8_t, 256> plain{};
    for (unsigned c = 0x20; c <= 0x7E; ++c) plain[c] = kPlainInText | kPlainInPath | kPlainInJson;
    plain['\\'] = 0;
    plain['/'] = plain[':'] = kPlainInText | kPlainInJson;
    plain['"'] = kPlainInText | kPlainInPath;
    return plain;
}();

// How many bytes from the start of the label are kept as they are (the
// bits of `plain`): up to its end when no byte of it needs an escape.
inline size_t PlainRun(const ChunkNode& node, uint8_t plain) {
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

// The --check form (dump_check.cpp): its lines for the tree, and how many
// anomalies they name.
size_t AppendCheck(Sink& sink, const ChunkTree& tree);

}  // namespace dump
