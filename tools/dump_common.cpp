#include "dump_common.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "memory_budget.h"
#include "viewer_version.h"
#include "write_error.h"

using viewer::Analysis;

namespace {

// --help: what the manual page says, in short. In English, as the options
// and the rest of the command line are.
void PrintHelp(const DumpProgram& dump, FILE* out) {
    const std::string name = dump.name;
    const std::string help =
        "usage: " + name + " [--fields | --json | --check] FILE\n"
        "       " + name + " --help | --version\n"
        "\n"
        "Prints " + dump.what + ",\n"
        "one element per line in file order, depth first, two spaces of\n"
        "indentation per level: each element's name and its declared size.\n"
        "\n"
        "options:\n"
        "  --fields   below each well-known element, what it holds (a stream's\n"
        "             codec, size and rate, a track's timescale and duration,\n"
        "             a file's brands...): one line each, NAME = VALUE, indented\n"
        "             four spaces more than the element\n"
        "  --json     print the tree as JSON: an array of the top-level elements,\n"
        "             each with label, size, offset, header, children and,\n"
        "             where there are any, anomalies and notes; \"phantom\": true\n"
        "             marks data that only looked like an atom; a well-known\n"
        "             element also has \"fields\"\n"
        "  --check    print nothing but the file's anomalies (never a phantom's),\n"
        "             one per line:\n"
        "             OFFSET PATH: KIND: what (PATH: the labels from the top,\n"
        "             joined by /, with / written \\x2f and : written \\x3a)\n"
        "  --help     print this help and exit\n"
        "  --version  print the version and exit\n"
        "  --         end of the options (for a FILE whose name starts with -;\n"
        "             a lone - is a file of that name too)\n"
        "\n"
        "exit status:\n"
        "  0  the tree was printed\n"
        "  1  the file could not be analysed (the reason on standard error)\n"
        "  2  usage error (an unknown option, also beside --help), or an\n"
        "     invalid VIEWER_MEMORY_BUDGET\n"
        "  3  with --check: the file has at least one anomaly\n"
        "  4  the file could not be read to its end: the tree read so far is\n"
        "     printed, then the error and its offset on standard error (wins\n"
        "     over 3); or, with --fields or --json, it changed after its tree\n"
        "     was read: the tree is printed without fields\n"
        "  5  the output could not be written (the reason on standard error;\n"
        "     a pipe whose reader is gone only when SIGPIPE is ignored); wins\n"
        "     over 4\n"
        "\n"
        "environment:\n"
        "  VIEWER_MEMORY_BUDGET  the most memory an analysis may take, in bytes\n"
        "                        with an optional K, M or G, at least 1 (default:\n"
        "                        a quarter of the physical memory, or of a\n"
        "                        smaller control group limit on Linux)\n"
        "\n"
        "example:\n"
        "  " + name + " --json " + dump.exampleFile + "\n";
    std::fputs(help.c_str(), out);
}


void Usage(FILE* file, const char* name) {
    std::fprintf(file,
                 "usage: %s [--fields | --json | --check] FILE\n"
                 "Prints the structure of FILE, one element per line (--fields: with what\n"
                 "well-known elements hold; --json: as JSON; --check: only its anomalies).\n",
                 name);
}

// Everything but the final check of the output.
int Dump(const std::vector<std::string>& args, const DumpProgram& dump, FILE* out, FILE* err) {
    bool json = false;
    bool check = false;
    bool fields = false;
    const char* path = nullptr;
    bool usage = false;
    bool unknownOption = false;
    const char* answer = nullptr;  // the first of --help and --version
    bool endOfOptions = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const char* arg = args[i].c_str();
        if (!endOfOptions && std::strcmp(arg, "--") == 0) {
            endOfOptions = true;
        } else if (!endOfOptions && std::strcmp(arg, "--json") == 0) {
            json = true;
        } else if (!endOfOptions && std::strcmp(arg, "--check") == 0) {
            check = true;
        } else if (!endOfOptions && std::strcmp(arg, "--fields") == 0) {
            fields = true;
        } else if (!endOfOptions && (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0 ||
                                     std::strcmp(arg, "--version") == 0)) {
            if (!answer) answer = arg;
        } else if (!endOfOptions && arg[0] == '-' && arg[1] != 0) {
            unknownOption = true;
        } else if (path) {
            usage = true;
        } else {
            path = arg;  // "-" too: a file of that name
        }
    }
    // An unknown option is a usage error whatever else is asked; --help and
    // --version answer whatever else is on the line.
    if (!unknownOption && answer && std::strcmp(answer, "--version") == 0) {
        std::fprintf(out, "%s %s\n", dump.name, VIEWER_VERSION_TEXT);
        return kDumpOk;
    }
    if (!unknownOption && answer) {
        PrintHelp(dump, out);
        return kDumpOk;
    }
    if (usage || unknownOption || !path || int(json) + int(check) + int(fields) > 1) {
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
    if (!result.ok() && result.reason == viewer::Reason::kReadError) {
        // Not even the header could be read: no tree, then where and why.
        std::fprintf(err, "%s (%s)\n", viewer::ReasonText(result.reason),
                     viewer::DescribeReadFailure(result.readFailure).c_str());
        return kDumpReadError;
    }
    if (!result.ok()) {
        std::fprintf(err, "%s\n", viewer::ReasonText(result.reason));
        return kDumpCannotAnalyse;
    }
    DumpForm form = check ? DumpForm::kCheck : json ? DumpForm::kJson : fields ? DumpForm::kFields : DumpForm::kText;
    // The fields are read from the file again, which must be the file the
    // tree came from.
    std::unique_ptr<viewer::ByteSource> source;
    bool changed = false;
    if (form == DumpForm::kFields || form == DumpForm::kJson) {
        source = viewer::ReopenUnchanged(result.path, result.stamp, &changed);
        if (!source && form == DumpForm::kFields) form = DumpForm::kText;
        if (!source) changed = true;  // gone, or not to be opened any more: its fields are as unknown
    }
    size_t anomalies = 0;
    if (const int error = WriteDump(*result.tree, form, out, &anomalies, source.get())) {
        std::fprintf(err, "%s: cannot write the output: %s\n", dump.name, viewer::WriteErrorText(error).c_str());
        return kDumpCannotWrite;
    }
    if (result.reason == viewer::Reason::kReadError) {
        // The tree read so far is out; then where and why reading stopped.
        std::fprintf(err, "%s (%s)\n", viewer::ReasonText(result.reason),
                     viewer::DescribeReadFailure(result.readFailure).c_str());
        return kDumpReadError;
    }
    if (changed) {
        std::fprintf(err, "%s: %s changed after its tree was read: no fields are shown\n", dump.name, path);
        return kDumpReadError;
    }
    return anomalies ? kDumpAnomalies : kDumpOk;
}

}  // namespace

int DumpOutOfMemory(FILE* err) {
    std::fprintf(err, "%s\n", viewer::ReasonText(viewer::Reason::kOutOfMemory));
    return kDumpCannotAnalyse;
}

int RunDump(const std::vector<std::string>& args, const DumpProgram& dump, FILE* out, FILE* err) {
    int status;
    try {
        status = Dump(args, dump, out, err);
    } catch (const std::bad_alloc&) {
        // The walk takes its memory without exceptions; what comes after it
        // (the output's buffer, the paths of --check, the ancestors kept
        // for the hints) uses the standard containers. Memory running out
        // there is the same failure as in the walk, not an abort.
        status = DumpOutOfMemory(err);
    }
    if (status == kDumpCannotWrite) return status;
    // Whatever was asked (the usage or --help included), output that did not
    // reach its place is a failure of its own.
    viewer::ClearWriteError();
    if (std::fflush(out) != 0 || std::ferror(out)) {
        std::fprintf(err, "%s: cannot write the output: %s\n", dump.name,
                     viewer::WriteErrorText(viewer::LastWriteError()).c_str());
        return kDumpCannotWrite;
    }
    return status;
}
