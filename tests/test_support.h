// Helpers shared by the analysis tests: analyse bytes in memory or in a
// temporary file and read the tree back as the lines the dump tool prints.
#pragma once

#ifndef _WIN32
#include <fcntl.h>  // the POSIX tests' own calls (mkfifo, symlink, ...)
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "analysis.h"
#include "byte_builder.h"
#include "byte_source.h"
#include "dump_common.h"
#include "traversal.h"
#include "utf16.h"

using namespace viewer;

// What Lines gives for an analysis that failed for `reason`.
inline std::vector<std::string> Failed(Reason reason) {
    std::string line = "!";
    line += ReasonText(reason);
    return {line};
}

// The tree as the dialog's items in pre-order, two spaces of indentation
// per level ("  LIST_movi[400Bytes]"), label bytes as they are (the text
// dump escapes some), or Failed(reason) on failure.
inline std::vector<std::string> Lines(const Analysis& a) {
    if (!a.ok()) return Failed(a.reason);
    struct Collector {
        std::vector<std::string> lines;
        void Enter(const ChunkNode& node, size_t depth) { lines.push_back(std::string(2 * depth, ' ') + LabelText(node)); }
        void Leave(const ChunkNode&, size_t) {}
    } collector;
    VisitPreOrder(a.tree->root, collector);
    return collector.lines;
}

inline std::vector<std::string> LinesOf(Walk walk, const std::string& bytes) {
    ByteSource src(bytes.data(), bytes.size());
    return Lines(walk(src));
}

// The file system's path for a UTF-8 name (on Windows the name becomes UTF-16).
inline std::filesystem::path FsPath(const std::string& utf8) { return std::u8string(utf8.begin(), utf8.end()); }

// A file in the temporary directory, removed when the object goes.
class TempFile {
public:
    explicit TempFile(const std::string& contents = {}) {
        static std::mt19937_64 names{std::random_device{}()};
        const std::u8string name =
            (std::filesystem::temp_directory_path() / ("viewer-test-" + std::to_string(names()))).u8string();
        path_.assign(name.begin(), name.end());
        std::ofstream out(FsPath(path_), std::ios::binary);
        out << contents;
        if (!out.flush()) std::abort();
    }
    ~TempFile() {
        std::error_code ignored;
        std::filesystem::remove(FsPath(path_), ignored);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // UTF-8.
    const std::string& path() const { return path_; }

    // Writes bytes at an offset, leaving holes: a large sparse file costs no disk.
    void WriteAt(long long offset, const std::string& bytes) const {
        std::fstream f(FsPath(path_), std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(offset);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!f.flush()) std::abort();
    }
    void Truncate(long long length) const {
        std::filesystem::resize_file(FsPath(path_), static_cast<std::uintmax_t>(length));
    }

private:
    std::string path_;
};
