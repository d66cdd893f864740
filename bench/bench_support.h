// A benchmark's input file: built once, written to a temporary file, removed at exit.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "analysis.h"

using viewer::Analysis;
using viewer::AnalyzePath;
using viewer::ByteSource;

struct BenchFile {
    std::string bytes;
    std::string path;
    explicit BenchFile(std::string contents) : bytes(std::move(contents)) {
        char name[] = "/tmp/viewer-bench-XXXXXX";
        const int fd = mkstemp(name);
        path = name;
        if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
        close(fd);
    }
    ~BenchFile() { unlink(path.c_str()); }
};

// Times a whole analysis of the file by path (open, walk, build the tree,
// release it) and reports the tree's size and memory per node.
inline void TimeAnalysis(benchmark::State& state, const BenchFile& file, viewer::Walk walk) {
    for (auto _ : state) {
        Analysis a = AnalyzePath(file.path, walk);
        if (!a.ok()) {
            state.SkipWithError("analysis failed");
            break;
        }
        benchmark::DoNotOptimize(a.tree->root);
        state.PauseTiming();
        state.counters["nodes"] = static_cast<double>(a.tree->NodeCount());
        state.counters["bytes_per_node"] =
            static_cast<double>(a.tree->BytesInUse()) / static_cast<double>(a.tree->NodeCount());
        state.counters["file_MB"] = static_cast<double>(file.bytes.size()) / 1e6;
        a.tree.reset();
        state.ResumeTiming();
    }
}
