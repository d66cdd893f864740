#include "dump_common.h"

#include <cstdio>
#include <cstring>

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
        if (std::fwrite(out_.data(), 1, out_.size(), file_) != out_.size()) failed_ = true;
        out_.clear();
    }
    bool failed() const { return failed_; }

private:
    static constexpr size_t kFlushAt = 1 << 20;
    FILE* file_;
    std::string out_;
    bool failed_ = false;
};

// Appends the items of a sibling list and their descendants, in pre-order.
void AppendText(Sink& sink, const ChunkNode* node, int depth) {
    char label[kLabelTextCapacity];
    std::string& out = sink.text();
    for (; node; node = node->next) {
        out.append(static_cast<size_t>(depth) * 2, ' ');
        out.append(label, FormatLabelText(*node, label, sizeof label));
        out.push_back('\n');
        sink.MaybeFlush();
        if (node->firstChild) AppendText(sink, node->firstChild, depth + 1);
    }
}

// A signed decimal, as printf's %lld writes it.
void AppendInt(std::string& out, int64_t value) {
    char digits[20];
    size_t n = 0;
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0) out.push_back('-');
    while (n) out.push_back(digits[--n]);
}

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

void AppendJson(Sink& sink, const ChunkNode* node) {
    std::string& out = sink.text();
    out.push_back('[');
    for (bool first = true; node; node = node->next, first = false) {
        if (!first) out.push_back(',');
        char label[sizeof node->label + 1];
        std::memcpy(label, node->label, sizeof node->label);
        label[sizeof node->label] = 0;
        out.append("{\"label\":");
        AppendJsonString(out, label);
        out.append(",\"size\":");
        AppendInt(out, node->size);
        out.append(",\"offset\":");
        AppendInt(out, node->offset);
        out.append(",\"children\":");
        AppendJson(sink, node->firstChild);
        out.push_back('}');
        sink.MaybeFlush();
    }
    out.push_back(']');
}

}  // namespace

std::string DumpText(const ChunkTree& tree) {
    Sink sink(nullptr);
    AppendText(sink, tree.root, 0);
    return std::move(sink.text());
}

std::string DumpJson(const ChunkTree& tree) {
    Sink sink(nullptr);
    AppendJson(sink, tree.root);
    sink.text().push_back('\n');
    return std::move(sink.text());
}

bool WriteDump(const ChunkTree& tree, bool json, FILE* file) {
    Sink sink(file);
    if (json) {
        AppendJson(sink, tree.root);
        sink.text().push_back('\n');
    } else {
        AppendText(sink, tree.root, 0);
    }
    sink.Flush();
    return !sink.failed() && std::fflush(file) == 0;
}

int RunDump(int argc, char** argv, const char* program, AnalyzePathFn analyze) {
    bool json = false;
    const char* path = nullptr;
    bool usage = false;
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!endOfOptions && std::strcmp(arg, "--") == 0) {
            endOfOptions = true;
        } else if (!endOfOptions && std::strcmp(arg, "--json") == 0) {
            json = true;
        } else if (!endOfOptions && (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)) {
            std::printf("usage: %s [--json] FILE\n", program);
            return 0;
        } else if (!endOfOptions && arg[0] == '-' && arg[1] != 0) {
            usage = true;
        } else if (path) {
            usage = true;
        } else {
            path = arg;
        }
    }
    if (usage || !path) {
        std::fprintf(stderr,
                     "usage: %s [--json] FILE\n"
                     "Prints the structure of FILE, one element per line (--json: as JSON).\n",
                     program);
        return 2;
    }

    Analysis result = analyze(path);
    if (!result.ok()) {
        std::fprintf(stderr, "%s\n", result.message.c_str());
        return 1;
    }
    return WriteDump(*result.tree, json, stdout) ? 0 : 1;
}
