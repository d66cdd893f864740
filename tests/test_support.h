// Helpers shared by the analysis tests: analyse bytes in memory or in a
// temporary file and read the tree back as the lines the dump tool prints.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "analysis.h"
#include "byte_builder.h"
#include "byte_source.h"
#include "dump_common.h"

using namespace viewer;

// What Lines gives for an analysis that failed for `reason`.
inline std::vector<std::string> Failed(Reason reason) {
    std::string line = "!";
    line += ReasonText(reason);
    return {line};
}

// The tree as dump lines ("  LIST_movi[400Bytes]"), or Failed(reason) on failure.
inline std::vector<std::string> Lines(const Analysis& a) {
    if (!a.ok()) return Failed(a.reason);
    std::vector<std::string> lines;
    std::istringstream in(DumpText(*a.tree));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

inline std::vector<std::string> LinesOf(Walk walk, const std::string& bytes) {
    ByteSource src(bytes.data(), bytes.size());
    return Lines(walk(src));
}

// A file in the temporary directory, removed when the object goes.
class TempFile {
public:
    explicit TempFile(const std::string& contents = {}) {
        char name[] = "/tmp/viewer-test-XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) std::abort();
        path_ = name;
        if (!contents.empty() && write(fd, contents.data(), contents.size()) != static_cast<ssize_t>(contents.size()))
            std::abort();
        close(fd);
    }
    ~TempFile() { unlink(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return path_; }

    // Writes bytes at an offset, leaving holes: a large sparse file costs no disk.
    void WriteAt(long long offset, const std::string& bytes) const {
        const int fd = open(path_.c_str(), O_WRONLY);
        if (fd < 0 || pwrite(fd, bytes.data(), bytes.size(), offset) != static_cast<ssize_t>(bytes.size()))
            std::abort();
        close(fd);
    }
    void Truncate(long long length) const {
        if (truncate(path_.c_str(), length) != 0) std::abort();
    }

private:
    std::string path_;
};
