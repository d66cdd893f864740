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

std::string NodeTipText(const viewer::NodeDescription& d) {
    char offset[64];
    std::snprintf(offset, sizeof offset, "0x%08" PRIX64 "（%" PRId64 "）", static_cast<uint64_t>(d.offset), d.offset);
    std::string text;
    if (d.phantom) text = "并非真实原子：上级原子的数据被误读为原子头\n";
    text += "偏移：";
    text.append(offset).append("\n声明大小：").append(Number(d.size)).append(" 字节");
    text.append("\n头部：").append(Number(d.headerSize)).append(" 字节");
    for (size_t i = 0; i < d.anomalyCount; ++i) text.append("\n").append(HintLine(d.anomalies[i], d));
    for (size_t i = 0; i < d.noteCount; ++i) text.append("\n").append(HintLine(d.notes[i], d));
    return text;
}
