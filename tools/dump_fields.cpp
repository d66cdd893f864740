// A node's decoded fields as the dump programs print them: lines under the
// node in the text form (--fields), an object in JSON.
#include <cinttypes>
#include <cstdio>

#include "dump_common.h"

using viewer::Field;
using viewer::FieldProblem;
using viewer::FieldType;
using viewer::NodeFields;

namespace {

// Bytes from the file in the text form: printable ASCII as it is, the
// backslash doubled, every other byte as \xNN, as labels are; `quote`
// escaped too (as \x22 or \x27) so the text cannot end early.
void AppendTextBytes(std::string& out, const std::string& bytes, char quote) {
    static const char kHex[] = "0123456789abcdef";
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            out += "\\\\";
        } else if (c >= 0x20 && c <= 0x7E && ch != quote) {
            out += ch;
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
}

// As a JSON string's contents: the quote and the backslash escaped, bytes
// outside printable ASCII as \u00XX (each byte one code point, as labels).
void AppendJsonBytes(std::string& out, const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c >= 0x20 && c <= 0x7E) {
            out += ch;
        } else {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
}

std::string Hex(int64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%04" PRIX64, static_cast<uint64_t>(v));
    return text;
}

// The value of a field in the text form.
void AppendTextValue(std::string& out, const Field& f) {
    const std::string n = std::to_string(f.value);
    switch (f.type) {
    case FieldType::kInteger: out += n; break;
    case FieldType::kHex:
        out += Hex(f.value);
        if (!f.text.empty()) {
            out += " (";
            AppendTextBytes(out, f.text, ')');
            out += ')';
        }
        break;
    case FieldType::kCode:
        out += '\'';
        AppendTextBytes(out, f.text, '\'');
        out += '\'';
        break;
    case FieldType::kCodes:
        for (size_t i = 0; i + 4 <= f.text.size(); i += 4) {
            if (i) out += ' ';
            out += '\'';
            AppendTextBytes(out, f.text.substr(i, 4), '\'');
            out += '\'';
        }
        break;
    case FieldType::kText:
        out += '"';
        AppendTextBytes(out, f.text, '"');
        out += '"';
        break;
    case FieldType::kBool: out += f.value ? "yes" : "no"; break;
    case FieldType::kDuration:
        out += viewer::DurationText(f.value, f.scale) + " (" + n + "/" + std::to_string(f.scale) + ")";
        break;
    case FieldType::kFrameRate:
    case FieldType::kRate:
        out += viewer::RatioText(f.value, f.scale) + "/s (" + n + "/" + std::to_string(f.scale) + ")";
        break;
    case FieldType::kHertz: out += n + " Hz"; break;
    case FieldType::kBytes: out += n + (f.value == 1 ? " byte" : " bytes"); break;
    case FieldType::kBytesPerSecond: out += n + " bytes/s"; break;
    case FieldType::kMicroseconds: out += n + " us"; break;
    case FieldType::kDimensions: out += n + " x " + std::to_string(f.scale); break;
    }
}

// The value of a field in JSON.
void AppendJsonValue(std::string& out, const Field& f) {
    const std::string n = std::to_string(f.value), s = std::to_string(f.scale);
    auto string = [&out](const std::string& bytes) {
        out += '"';
        AppendJsonBytes(out, bytes);
        out += '"';
    };
    switch (f.type) {
    case FieldType::kHex:
        if (f.text.empty()) {
            out += n;
        } else {
            out += "{\"value\":" + n + ",\"meaning\":";
            string(f.text);
            out += '}';
        }
        break;
    case FieldType::kCode:
    case FieldType::kText: string(f.text); break;
    case FieldType::kCodes:
        out += '[';
        for (size_t i = 0; i + 4 <= f.text.size(); i += 4) {
            if (i) out += ',';
            string(f.text.substr(i, 4));
        }
        out += ']';
        break;
    case FieldType::kBool: out += f.value ? "true" : "false"; break;
    case FieldType::kDuration:
        out += "{\"ticks\":" + n + ",\"timescale\":" + s + "}";
        break;
    case FieldType::kFrameRate:
    case FieldType::kRate: out += "{\"num\":" + n + ",\"den\":" + s + "}"; break;
    case FieldType::kDimensions: out += "{\"width\":" + n + ",\"height\":" + s + "}"; break;
    default: out += n; break;  // integers, with the unit the name or type implies
    }
}

const char* ProblemText(const NodeFields& f) {
    switch (f.problem) {
    case FieldProblem::kTooShort: return "too short for its fields: the rest are missing";
    case FieldProblem::kUnknownVersion: return "a version not decoded";
    case FieldProblem::kUnreadable: return "could not be read";
    case FieldProblem::kNone: break;
    }
    return "";
}

const char* ProblemName(const NodeFields& f) {
    switch (f.problem) {
    case FieldProblem::kTooShort: return "too-short";
    case FieldProblem::kUnknownVersion: return "unknown-version";
    case FieldProblem::kUnreadable: return "unreadable";
    case FieldProblem::kNone: break;
    }
    return "";
}

}  // namespace

void AppendFieldLines(std::string& out, const NodeFields& fields, size_t indent) {
    for (const Field& f : fields.fields) {
        out.append(indent, ' ');
        AppendTextBytes(out, f.name, '=');
        out += " = ";
        AppendTextValue(out, f);
        out += '\n';
    }
    if (fields.problem != FieldProblem::kNone) {
        out.append(indent, ' ');
        out += "! ";
        out += ProblemText(fields);
        if (fields.problem == FieldProblem::kUnknownVersion) out += " (version " + std::to_string(fields.problemValue) + ")";
        out += '\n';
    }
}

void AppendFieldsJson(std::string& out, const NodeFields& fields) {
    if (!fields.known) return;
    out += ",\"fields\":{";
    bool comma = false;
    for (const Field& f : fields.fields) {
        if (comma) out += ',';
        comma = true;
        out += '"';
        AppendJsonBytes(out, f.name);
        out += "\":";
        AppendJsonValue(out, f);
    }
    out += '}';
    if (fields.problem != FieldProblem::kNone) {
        out += ",\"fields_problem\":{\"kind\":\"";
        out += ProblemName(fields);
        out += '"';
        if (fields.problem == FieldProblem::kUnknownVersion) out += ",\"version\":" + std::to_string(fields.problemValue);
        out += '}';
    }
}
