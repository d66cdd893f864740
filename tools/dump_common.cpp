#include "dump_common.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

// Appends the items of a sibling list and their descendants, in pre-order.
void AppendText(std::string& out, const ChunkNode* node, int depth) {
    char label[kLabelTextCapacity];
    for (; node; node = node->next) {
        out.append(static_cast<size_t>(depth) * 2, ' ');
        out.append(label, FormatLabelText(*node, label, sizeof label));
        out.push_back('\n');
        if (node->firstChild) AppendText(out, node->firstChild, depth + 1);
    }
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

void AppendJson(std::string& out, const ChunkNode* node) {
    out.push_back('[');
    for (bool first = true; node; node = node->next, first = false) {
        if (!first) out.push_back(',');
        char label[sizeof node->label + 1];
        std::memcpy(label, node->label, sizeof node->label);
        label[sizeof node->label] = 0;
        char numbers[80];
        out.append("{\"label\":");
        AppendJsonString(out, label);
        std::snprintf(numbers, sizeof numbers, ",\"size\":%" PRId64 ",\"offset\":%" PRId64 ",\"children\":",
                      node->size, node->offset);
        out.append(numbers);
        AppendJson(out, node->firstChild);
        out.push_back('}');
    }
    out.push_back(']');
}

bool WriteAll(FILE* f, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0;
}

}  // namespace

std::string DumpText(const ChunkTree& tree) {
    std::string out;
    out.reserve(tree.NodeCount() * 24);
    AppendText(out, tree.root, 0);
    return out;
}

std::string DumpJson(const ChunkTree& tree) {
    std::string out;
    out.reserve(tree.NodeCount() * 72);
    AppendJson(out, tree.root);
    out.push_back('\n');
    return out;
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
    const std::string text = json ? DumpJson(*result.tree) : DumpText(*result.tree);
    if (!WriteAll(stdout, text)) return 1;
    return 0;
}
