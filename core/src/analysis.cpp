#include "analysis.h"
#include "device_names.h"

namespace viewer {

const char* ReasonText(Reason reason) {
    switch (reason) {
    case Reason::kNone:
        return "";
    case Reason::kEmptyPath:
        return "文件路径为空！";
    case Reason::kCannotOpen:
        return "无法打开文件，文件被占用或路径错误！";
    case Reason::kTooSmall:
        return "打开文件错误，文件过小或无法读取！";
    case Reason::kNotRiff:
        return "不是正确的RIFF文件！";
    case Reason::kOutOfMemory:
        return "内存不足，无法完成分析！";
    case Reason::kReadError:
        return "文件读取出错，无法读到结尾！";
    }
    return "";
}

Analysis AnalyzePath(const std::string& typed, Walk walk) {
#ifdef _WIN32
    const std::string path = WithoutSurroundingQuotes(typed);
#else
    const std::string& path = typed;  // on Linux a path is taken exactly as typed
#endif
    if (path.empty()) return Analysis::Failure(Reason::kEmptyPath);
    bool outOfMemory = false;
    std::unique_ptr<ByteSource> source = ByteSource::OpenFile(path, &outOfMemory);
    if (!source) return Analysis::Failure(outOfMemory ? Reason::kOutOfMemory : Reason::kCannotOpen);
    Analysis result = walk(*source);
    result.path = path;
    result.stamp = source->Stamp();
    return result;
}

std::unique_ptr<ByteSource> ReopenUnchanged(const std::string& path, const FileStamp& stamp, bool* changed) {
    if (changed) *changed = false;
    std::unique_ptr<ByteSource> source = ByteSource::OpenFile(path);
    if (source && source->Stamp() != stamp) {
        if (changed) *changed = true;
        source.reset();
    }
    return source;
}

}  // namespace viewer
