// A node's decoded fields as the dump programs print them: lines under the
// node in the text form (--fields), an object in JSON.
#include <cinttypes>
#include <cstdio>

#include "decimal.h"
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
// Runs that need no escape (nearly every text) are appended whole.
void AppendJsonBytes(std::string& out, const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p < end) {
        const char* run = p;
        while (p < end && static_cast<unsigned char>(*p) >= 0x20 && static_cast<unsigned char>(*p) <= 0x7E && *p != '"' &&
               *p != '\\')
            ++p;
        out.append(run, static_cast<size_t>(p - run));
        if (p == end) break;
        const auto c = static_cast<unsigned char>(*p++);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else {
            const char escape[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
            out.append(escape, sizeof escape);
        }
    }
}

// A signed decimal appended without a string of its own.
void AppendInt(std::string& out, int64_t v) {
    char digits[viewer::kDecimalCapacity];
    out.append(digits, viewer::FormatDecimal(v, digits));
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
    auto string = [&out](const std::string& bytes) {
        out += '"';
        AppendJsonBytes(out, bytes);
        out += '"';
    };
    auto pair = [&out, &f](const char* first, const char* second) {
        out += first;
        AppendInt(out, f.value);
        out += second;
        AppendInt(out, f.scale);
        out += '}';
    };
    switch (f.type) {
    case FieldType::kHex:
        if (f.text.empty()) {
            AppendInt(out, f.value);
        } else {
            out += "{\"value\":";
            AppendInt(out, f.value);
            out += ",\"meaning\":";
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
    case FieldType::kDuration: pair("{\"ticks\":", ",\"timescale\":"); break;
    case FieldType::kFrameRate:
    case FieldType::kRate: pair("{\"num\":", ",\"den\":"); break;
    case FieldType::kDimensions: pair("{\"width\":", ",\"height\":"); break;
    default: AppendInt(out, f.value); break;  // integers, with the unit the name or type implies
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
