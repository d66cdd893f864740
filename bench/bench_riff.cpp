// How fast the RIFF walk is on a big file: an AVI whose LIST movi holds
// 1,000,000 chunks of 16 to 64 bytes, about half of them odd-sized and
// followed by their pad byte, and an idx1 over them. Written once to a
// temporary file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "bench_inputs.h"
#include "riff_analysis.h"

namespace {

const BenchFile& Data() {
    static BenchFile f(BuildBigAvi());
    return f;
}

// The whole analysis of the file: open, walk, build the tree, release it.
void BM_RiffAnalyzeFile(benchmark::State& state) { TimeAnalysis(state, Data(), riff::Analyze); }
BENCHMARK(BM_RiffAnalyzeFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same bytes from memory: the walk and the tree without any file reading.
void BM_RiffAnalyzeMemory(benchmark::State& state) {
    const std::string& bytes = Data().bytes;
    for (auto _ : state) {
        ByteSource src(bytes.data(), bytes.size());
        Analysis a = riff::Analyze(src);
        benchmark::DoNotOptimize(a.tree->root);
    }
}
BENCHMARK(BM_RiffAnalyzeMemory)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A floor to compare with: read the file in big blocks and only step from
// header to header inside them, storing nothing.
void BM_HeaderOnlyFloor(benchmark::State& state) {
    const std::string& path = Data().path;
    std::vector<unsigned char> buf(1 << 18);
    for (auto _ : state) {
        const int fd = open(path.c_str(), O_RDONLY);
        long long count = 0, fileOff = 0, next = 12 + 8 + 192 + 12;  // first movi chunk
        ssize_t got;
        while ((got = pread(fd, buf.data(), buf.size(), fileOff)) > 0) {
            while (next + 8 <= fileOff + got) {
                const unsigned char* p = buf.data() + (next - fileOff);
                uint32_t size;
                std::memcpy(&size, p + 4, 4);
                next += 8 + size + (size & 1);
                ++count;
            }
            fileOff = next;
        }
        close(fd);
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_HeaderOnlyFloor)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The plain stdio way: fread each header, fseek over each payload.
void BM_StdioWalk(benchmark::State& state) {
    const std::string& path = Data().path;
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        std::fseek(f, 12 + 8 + 192 + 12, SEEK_SET);
        unsigned char h[8];
        long long count = 0;
        while (std::fread(h, 1, 8, f) == 8) {
            uint32_t size;
            std::memcpy(&size, h + 4, 4);
            std::fseek(f, static_cast<long>(size + (size & 1)), SEEK_CUR);
            ++count;
        }
        std::fclose(f);
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_StdioWalk)->Unit(benchmark::kMillisecond)->Iterations(3);

// a 1.5 GiB OpenDML AVI (three RIFF chunks, big JUNK holes), sparse:
// only the headers are read, so the analysis takes milliseconds.
void BM_RiffOpenDmlSparse(benchmark::State& state) {
    char name[] = "/tmp/viewer-bench-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) std::abort();
    close(fd);
    if (!WriteOpenDml(name)) std::abort();
    for (auto _ : state) {
        Analysis a = AnalyzePath(name, riff::Analyze);
        benchmark::DoNotOptimize(a.tree->root);
        state.counters["nodes"] = static_cast<double>(a.tree->NodeCount());
    }
    unlink(name);
}
BENCHMARK(BM_RiffOpenDmlSparse)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
