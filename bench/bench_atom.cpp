// How fast the atom walk is on a big fragmented MP4: ftyp, moov, then
// fragments of moof (mfhd, traf (tfhd, tfdt, trun)) and mdat, about
// 1,000,000 boxes in all. Written once to a temporary file.
#include <benchmark/benchmark.h>

#include "atom_analysis.h"
#include "bench_support.h"
#include "bench_inputs.h"

namespace {

const BenchFile& Data() {
    static BenchFile f(BuildBigFragmentedMp4());
    return f;
}

void BM_AtomAnalyzeFile(benchmark::State& state) { TimeAnalysis(state, Data(), atom::Analyze); }
BENCHMARK(BM_AtomAnalyzeFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_AtomAnalyzeMemory(benchmark::State& state) {
    const std::string& bytes = Data().bytes;
    for (auto _ : state) {
        ByteSource src(bytes.data(), bytes.size());
        Analysis a = atom::Analyze(src);
        benchmark::DoNotOptimize(a.tree->root);
    }
}
BENCHMARK(BM_AtomAnalyzeMemory)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// a 6 GiB MP4 whose mdat has a 64-bit size and whose moov is last, sparse:
// only the headers are read, so the analysis takes milliseconds.
void BM_AtomSixGibSparse(benchmark::State& state) {
    char name[] = "/tmp/viewer-bench-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) std::abort();
    close(fd);
    if (!WriteSparseMp4(name)) std::abort();
    for (auto _ : state) {
        Analysis a = AnalyzePath(name, atom::Analyze);
        benchmark::DoNotOptimize(a.tree->root);
        state.counters["nodes"] = static_cast<double>(a.tree->NodeCount());
    }
    unlink(name);
}
BENCHMARK(BM_AtomSixGibSparse)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
