// What an analysis hands back to whoever asked for it (dialog, dump tool,
// tests, fuzzers): either a finished tree or the message that explains why
// there is none.
#pragma once

#include <memory>
#include <string>

#include "chunk_node.h"

struct Analysis {
    std::unique_ptr<ChunkTree> tree;  // set when the analysis succeeded
    std::string message;              // UTF-8 text for the user when it failed

    bool ok() const { return tree != nullptr; }

    static Analysis Failure(const char* text) {
        Analysis a;
        a.message = text;
        return a;
    }
};

// The user-facing texts of the analyses (UTF-8).
namespace msg {
inline constexpr const char* kEmptyPath = "文件路径为空！";
inline constexpr const char* kCannotOpen = "无法打开文件，文件被占用或路径错误！";
inline constexpr const char* kTooSmall = "打开文件错误，文件过小或无法读取！";
inline constexpr const char* kNotRiff = "不是正确的RIFF文件！";
inline constexpr const char* kOutOfMemory = "内存不足，无法完成分析！";
}  // namespace msg
