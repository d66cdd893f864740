#include "dump_common.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "decimal.h"
#include "memory_budget.h"
#include "traversal.h"
#include "viewer_version.h"

using viewer::Analysis;
using viewer::ChunkNode;
using viewer::ChunkTree;

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
        if (error_ == 0 && std::fwrite(out_.data(), 1, out_.size(), file_) != out_.size()) Failed();
        out_.clear();
    }
    // Flushes the file too: its own buffer may hold the last bytes.
    void Finish() {
        Flush();
        if (file_ && error_ == 0 && (std::fflush(file_) != 0 || std::ferror(file_))) Failed();
    }
    // The system's error number of the first failed write, 0 while none failed.
    int error() const { return error_; }

private:
    void Failed() { error_ = errno != 0 ? errno : EIO; }

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
void AppendTextLabel(std::string& out, const ChunkNode& node) {
    static const char kHex[] = "0123456789abcdef";
    for (size_t i = 0; i < sizeof node.label && node.label[i] != 0; ++i) {
        const auto c = static_cast<unsigned char>(node.label[i]);
        if (c == '\\') {
            out.append("\\\\");
        } else if (c >= 0x20 && c <= 0x7E) {
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
void PrintHelp(const DumpProgram& dump, FILE* out) {
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
        "  1  the file could not be analysed (the reason on standard error)\n"
        "  2  usage error (or an invalid VIEWER_MEMORY_BUDGET)\n"
        "  4  the file could not be read to its end: the tree read so far is\n"
        "     printed, then the error and its offset on standard error\n"
        "  5  the output could not be written (the reason on standard error)\n"
        "\n"
        "environment:\n"
        "  VIEWER_MEMORY_BUDGET  the most memory an analysis may take, in bytes\n"
        "                        with an optional K, M or G (default: a quarter\n"
        "                        of the physical memory)\n"
        "\n"
        "example:\n"
        "  " + name + " --json " + dump.exampleFile + "\n";
    std::fputs(help.c_str(), out);
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

int WriteDump(const ChunkTree& tree, bool json, FILE* file) {
    Sink sink(file);
    if (json)
        AppendJson(sink, tree);
    else
        AppendText(sink, tree);
    sink.Finish();
    return sink.error();
}

namespace {

void Usage(FILE* file, const char* name) {
    std::fprintf(file,
                 "usage: %s [--json] FILE\n"
                 "Prints the structure of FILE, one element per line (--json: as JSON).\n",
                 name);
}

// Everything but the final check of the output.
int Dump(const std::vector<std::string>& args, const DumpProgram& dump, FILE* out, FILE* err) {
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
            PrintHelp(dump, out);
            return kDumpOk;
        } else if (!endOfOptions && std::strcmp(arg, "--version") == 0) {
            std::fprintf(out, "%s %s\n", dump.name, VIEWER_VERSION_TEXT);
            return kDumpOk;
        } else if (!endOfOptions && arg[0] == '-' && arg[1] != 0) {
            usage = true;
        } else if (path) {
            usage = true;
        } else {
            path = arg;
        }
    }
    if (usage || !path) {
        Usage(err, dump.name);
        return kDumpUsage;
    }
    uint64_t budget = 0;
    const char* budgetText = std::getenv(viewer::kMemoryBudgetVariable);
    if (budgetText && !viewer::ParseMemorySize(budgetText, &budget)) {
        std::fprintf(err, "%s: %s is not a size in bytes (digits, optionally followed by K, M or G): %s\n",
                     dump.name, viewer::kMemoryBudgetVariable, budgetText);
        return kDumpUsage;
    }

    Analysis result = viewer::AnalyzePath(path, dump.walk);
    if (!result.ok()) {
        std::fprintf(err, "%s\n", viewer::ReasonText(result.reason));
        return kDumpCannotAnalyse;
    }
    if (const int error = WriteDump(*result.tree, json, out)) {
        std::fprintf(err, "%s: cannot write the output: %s\n", dump.name, std::strerror(error));
        return kDumpCannotWrite;
    }
    if (result.reason == viewer::Reason::kReadError) {
        // The tree read so far is out; then where and why reading stopped.
        std::fprintf(err, "%s (%s)\n", viewer::ReasonText(result.reason),
                     viewer::DescribeReadFailure(result.readFailure).c_str());
        return kDumpReadError;
    }
    return kDumpOk;
}

}  // namespace

int RunDump(const std::vector<std::string>& args, const DumpProgram& dump, FILE* out, FILE* err) {
    const int status = Dump(args, dump, out, err);
    if (status == kDumpCannotWrite) return status;
    // Whatever was asked (the usage or --help included), output that did not
    // reach its place is a failure of its own.
    errno = 0;
    if (std::fflush(out) != 0 || std::ferror(out)) {
        std::fprintf(err, "%s: cannot write the output: %s\n", dump.name, std::strerror(errno != 0 ? errno : EIO));
        return kDumpCannotWrite;
    }
    return status;
}
