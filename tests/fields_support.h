// Decoding the fields of one node of a tree built in memory, and the
// decoded fields as short lines that a test can compare exactly.
#pragma once

#include <string>
#include <vector>

#include "node_fields.h"
#include "test_support.h"

// Type names of the lines below.
inline const char* FieldTypeName(FieldType t) {
    switch (t) {
    case FieldType::kInteger: return "int";
    case FieldType::kHex: return "hex";
    case FieldType::kCode: return "code";
    case FieldType::kCodes: return "codes";
    case FieldType::kText: return "text";
    case FieldType::kBool: return "bool";
    case FieldType::kDuration: return "duration";
    case FieldType::kFrameRate: return "fps";
    case FieldType::kRate: return "rate";
    case FieldType::kHertz: return "hz";
    case FieldType::kBytes: return "bytes";
    case FieldType::kBytesPerSecond: return "bytes/s";
    case FieldType::kMicroseconds: return "us";
    case FieldType::kDimensions: return "size";
    }
    return "?";
}

// One line per field, "name type value" with "/scale" for the pairs and
// the text in quotes where there is one: "dwRate fps 25/1",
// "fccHandler code 'H264'", "wFormatTag hex 85 'MPEG Layer-3'". A problem
// adds a last line: "! too-short", "! version 3", "! unreadable". An
// unknown node gives no lines at all, and a known one without fields none
// either unless it had a problem.
inline std::vector<std::string> FieldLines(const NodeFields& f) {
    std::vector<std::string> lines;
    for (const Field& x : f.fields) {
        std::string line = x.name + " " + FieldTypeName(x.type) + " ";
        switch (x.type) {
        case FieldType::kCode:
        case FieldType::kCodes:
        case FieldType::kText: line += "'" + x.text + "'"; break;
        case FieldType::kDuration:
        case FieldType::kFrameRate:
        case FieldType::kRate:
        case FieldType::kDimensions: line += std::to_string(x.value) + "/" + std::to_string(x.scale); break;
        default:
            line += std::to_string(x.value);
            if (!x.text.empty()) line += " '" + x.text + "'";
        }
        lines.push_back(line);
    }
    switch (f.problem) {
    case FieldProblem::kNone: break;
    case FieldProblem::kTooShort: lines.push_back("! too-short"); break;
    case FieldProblem::kUnknownVersion: lines.push_back("! version " + std::to_string(f.problemValue)); break;
    case FieldProblem::kUnreadable: lines.push_back("! unreadable"); break;
    }
    return lines;
}

// The node reached by `path` (labels from the top level down, joined by
// '/', as "RIFF_AVI /LIST_hdrl/avih" or "TOP/moov/mvhd") of the tree
// `walk` builds from `bytes`, decoded. `known` tells whether the decoder
// knew the node. Fails the test when the path leads nowhere.
struct Decoded {
    bool known = false;
    std::vector<std::string> lines;
};
inline Decoded DecodeAt(Walk walk, const std::string& bytes, const std::string& path) {
    ByteSource src(bytes.data(), bytes.size());
    Analysis a = walk(src);
    if (!a.ok()) {
        ADD_FAILURE() << "no tree";
        return {};
    }
    std::vector<const ChunkNode*> ancestors;
    const ChunkNode* level = a.tree->root;
    const ChunkNode* found = nullptr;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t slash = path.find('/', start);
        const std::string part = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        found = nullptr;
        for (const ChunkNode* n = level; n; n = n->next)
            if (part == n->label) {
                found = n;
                break;
            }
        if (!found) {
            ADD_FAILURE() << "no " << part << " in " << path;
            return {};
        }
        if (slash == std::string::npos) break;
        ancestors.push_back(found);
        level = found->firstChild;
        start = slash + 1;
    }
    ByteSource again(bytes.data(), bytes.size());
    const NodeFields f = DecodeFields(again, *a.tree, *found, ancestors.data(), ancestors.size());
    return {f.known, FieldLines(f)};
}
