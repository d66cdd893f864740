#include "dump_common.h"

#include <cstdio>
#include <cstring>

#include "decimal.h"
#include "traversal.h"
#include "viewer_version.h"

using viewer::Analysis;
using viewer::ChunkNode;
using viewer::ChunkTree;
using viewer::FormatLabelText;
using viewer::kLabelTextCapacity;

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

// The text form: one line per node, two spaces of indentation per level.
struct TextWriter {
    Sink& sink;
    void Enter(const ChunkNode& node, size_t depth) {
        char label[kLabelTextCapacity];
        std::string& out = sink.text();
        out.append(depth * 2, ' ');
        out.append(label, FormatLabelText(node, label, sizeof label));
        out.push_back('\n');
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

void AppendInt(std::string& out, int64_t value) {
    char digits[viewer::kDecimalCapacity];
    out.append(digits, viewer::FormatDecimal(value, digits));
}

// The JSON form: each node an object whose "children" array holds the
// objects of its children; the caller writes the brackets of the top level.
struct JsonWriter {
    Sink& sink;
    bool needComma = false;  // a sibling's object came before in this array
    void Enter(const ChunkNode& node, size_t) {
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
        out.append(",\"children\":[");
        needComma = false;
    }
    void Leave(const ChunkNode&, size_t) {
        sink.text().append("]}");
        needComma = true;
        sink.MaybeFlush();
    }
};

void AppendText(Sink& sink, const ChunkTree& tree) { viewer::VisitPreOrder(tree.root, TextWriter{sink}); }

void AppendJson(Sink& sink, const ChunkTree& tree) {
    sink.text().push_back('[');
    viewer::VisitPreOrder(tree.root, JsonWriter{sink});
    sink.text().append("]\n");
}

// --help: what the manual page says, in short. In English, as the options
// and the rest of the command line are.
void PrintHelp(const DumpProgram& dump) {
    const std::string name = dump.name;
    const std::string help =
        "usage: " + name + " [--json] FILE\n"
        "       " + name + " --help | --version\n"
        "\n"
        "Prints " + dump.what + ",\n"
        "one element per line in file order, depth first, two spaces of\n"
        "indentation per level: each element's name and its declared size.\n"
        "\n"
        "options:\n"
        "  --json     print the tree as JSON: an array of the top-level elements,\n"
        "             each with label, size, offset and children\n"
        "  --help     print this help and exit\n"
        "  --version  print the version and exit\n"
        "  --         end of the options (for a FILE whose name starts with -)\n"
        "\n"
        "exit status:\n"
        "  0  the tree was printed\n"
        "  1  the file could not be analysed (the reason on standard error),\n"
        "     or the output could not be written\n"
        "  2  usage error\n"
        "\n"
        "example:\n"
        "  " + name + " --json " + dump.exampleFile + "\n";
    std::fputs(help.c_str(), stdout);
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

bool WriteDump(const ChunkTree& tree, bool json, FILE* file) {
    Sink sink(file);
    if (json)
        AppendJson(sink, tree);
    else
        AppendText(sink, tree);
    sink.Flush();
    return !sink.failed() && std::fflush(file) == 0;
}

int RunDump(const std::vector<std::string>& args, const DumpProgram& dump) {
    bool json = false;
    const char* path = nullptr;
    bool usage = false;
    bool endOfOptions = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const char* arg = args[i].c_str();
        if (!endOfOptions && std::strcmp(arg, "--") == 0) {
            endOfOptions = true;
        } else if (!endOfOptions && std::strcmp(arg, "--json") == 0) {
            json = true;
        } else if (!endOfOptions && (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)) {
            PrintHelp(dump);
            return 0;
        } else if (!endOfOptions && std::strcmp(arg, "--version") == 0) {
            std::printf("%s %s\n", dump.name, VIEWER_VERSION_TEXT);
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
                     dump.name);
        return 2;
    }

    Analysis result = viewer::AnalyzePath(path, dump.walk);
    if (!result.ok()) {
        std::fprintf(stderr, "%s\n", viewer::ReasonText(result.reason));
        return 1;
    }
    return WriteDump(*result.tree, json, stdout) ? 0 : 1;
}
