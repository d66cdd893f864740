#include "node_tip.h"

#include <cinttypes>
#include <cstdio>

namespace {

std::string Number(int64_t n) { return std::to_string(n); }

std::string HintLine(const viewer::Hint& h, const viewer::NodeDescription& d) {
    using viewer::HintKind;
    switch (h.kind) {
    case HintKind::kOverrunsParent:
        return "超出上级范围 " + Number(h.bytes) + " 字节";
    case HintKind::kTruncated:
        return "文件在此节点结束前截断，缺少 " + Number(h.bytes) + " 字节";
    case HintKind::kNegativeSize:
        // A RIFF writer streaming to a pipe leaves FF FF FF FF; an atom's
        // 32-bit size has no such meaning.
        return d.atomFile ? "大小字段的最高位为 1" : "大小为负数（流式写入时未知大小）";
    case HintKind::kSizeBelowHeader:
        return "大小 " + Number(d.size) + " 小于其 " + Number(d.headerSize) + " 字节的头部";
    case HintKind::kMissingPad:
        return "大小为奇数，其后缺少填充字节";
    case HintKind::kDepthLimit:
        return "已达嵌套上限，子节点未读取";
    case HintKind::kListTooSmall:
        return "大小 " + Number(d.size) + " 容不下 4 字节的类型";
    case HintKind::kTailSkipped:
        return "最后一个子节点之后跳过 " + Number(h.bytes) + " 字节";
    case HintKind::kZeroId:
        return "标识为四个零字节：可能是 4 字节填充，其后的块从错误位置读取";
    case HintKind::kSizeZeroToEnd:
        return "大小为 0：按到上级结尾计";
    case HintKind::kLargeSize:
        return "使用 64 位大小（largesize）";
    case HintKind::kContentsNotAtoms:
        return "内容看似原子头，但并不吻合：是数据，不是子原子";
    case HintKind::kZeroTerminator:
        return "以 32 位的 0 结束（QuickTime 用户数据列表的结束标记）";
    }
    return {};
}

}  // namespace

namespace {

// Bytes from the file as tip text: UTF-8 where they are valid UTF-8, else
// each byte one character as the labels show it (0x80-0xFF as U+0080-U+00FF);
// control characters as spaces, so that a text cannot break the lines.
std::string TipBytes(const std::string& bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        bool valid = n > 0 && i + n <= bytes.size();
        for (size_t k = 1; valid && k < n; ++k) valid = (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
        if (valid && n == 2 && c < 0xC2) valid = false;  // overlong
        if (valid && n > 1) {
            out.append(bytes, i, n);
            i += n;
            continue;
        }
        if (c < 0x20 || c == 0x7F) {
            out += ' ';
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        ++i;
    }
    return out;
}

std::string FieldValue(const viewer::Field& f) {
    using viewer::FieldType;
    const std::string n = std::to_string(f.value);
    switch (f.type) {
    case FieldType::kInteger: return n;
    case FieldType::kHex: {
        char hex[24];
        std::snprintf(hex, sizeof hex, "0x%04" PRIX64, static_cast<uint64_t>(f.value));
        return f.text.empty() ? hex : std::string(hex) + "（" + TipBytes(f.text) + "）";
    }
    case FieldType::kCode: return TipBytes(f.text);
    case FieldType::kCodes: {
        std::string codes;
        for (size_t i = 0; i + 4 <= f.text.size(); i += 4) {
            if (i) codes += ' ';
            codes += TipBytes(f.text.substr(i, 4));
        }
        return codes;
    }
    case FieldType::kText: return TipBytes(f.text);
    case FieldType::kBool: return f.value ? "是" : "否";
    case FieldType::kDuration: return viewer::DurationText(f.value, f.scale);
    case FieldType::kFrameRate: return viewer::RatioText(f.value, f.scale) + " 帧/秒";
    case FieldType::kRate: return viewer::RatioText(f.value, f.scale) + "/秒";
    case FieldType::kHertz: return n + " Hz";
    case FieldType::kBytes: return n + " 字节";
    case FieldType::kBytesPerSecond: return n + " 字节/秒";
    case FieldType::kMicroseconds: return n + " 微秒";
    case FieldType::kDimensions: return n + " × " + std::to_string(f.scale);
    }
    return n;
}

void AppendFields(std::string& text, const TipFields& t) {
    if (t.source == TipFields::Source::kChanged) {
        text += "\n文件在分析之后已改变，不显示字段";
        return;
    }
    if (t.source == TipFields::Source::kGone) {
        text += "\n文件已无法打开，不显示字段";
        return;
    }
    const viewer::NodeFields& f = t.fields;
    if (!f.known) return;
    for (size_t i = 0; i < f.fields.size(); ++i) {
        if (i == kTipFieldLines) {
            text += "\n……";
            break;
        }
        text.append("\n").append(TipBytes(f.fields[i].name)).append("：").append(FieldValue(f.fields[i]));
    }
    switch (f.problem) {
    case viewer::FieldProblem::kNone: break;
    case viewer::FieldProblem::kTooShort: text += "\n数据不完整，其余字段缺失"; break;
    case viewer::FieldProblem::kUnknownVersion:
        text += "\n版本 " + Number(f.problemValue) + "：无法解码";
        break;
    case viewer::FieldProblem::kUnreadable: text += "\n无法读取字段"; break;
    }
}

}  // namespace

std::string NodeTipText(const viewer::NodeDescription& d, const TipFields* fields) {
    char offset[64];
    std::snprintf(offset, sizeof offset, "0x%08" PRIX64 "（%" PRId64 "）", static_cast<uint64_t>(d.offset), d.offset);
    std::string text;
    if (d.phantom) text = "并非真实原子：上级原子的数据被误读为原子头\n";
    text += "偏移：";
    text.append(offset).append("\n声明大小：").append(Number(d.size)).append(" 字节");
    text.append("\n头部：").append(Number(d.headerSize)).append(" 字节");
    for (size_t i = 0; i < d.anomalyCount; ++i) text.append("\n").append(HintLine(d.anomalies[i], d));
    for (size_t i = 0; i < d.noteCount; ++i) text.append("\n").append(HintLine(d.notes[i], d));
    if (fields) AppendFields(text, *fields);
    return text;
}
