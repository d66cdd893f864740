// How fast the atom walk is on a big fragmented MP4: ftyp, moov, then
// fragments of moof (mfhd, traf (tfhd, tfdt, trun)) and mdat, about
// 1,000,000 boxes in all. Written once to a temporary file.
#include <benchmark/benchmark.h>

#include <random>

#include "atom_analysis.h"
#include "bench_support.h"
#include "byte_builder.h"

namespace {

constexpr int kFragments = 142857;  // 7 boxes each

std::string BuildFragmentedMp4() {
    std::mt19937 rng(4711);
    std::uniform_int_distribution<uint32_t> samples(1, 4), sampleSize(16, 64);
    Bytes file = Bytes::Atom("ftyp", Bytes().code("iso6").be32(0).code("iso6dash"));
    Bytes trak = Bytes::Atom("trak", Bytes::Atom("tkhd", Bytes().fill(84)).append(Bytes::Atom(
                                         "mdia", Bytes::Atom("mdhd", Bytes().fill(24)).append(Bytes::Atom("hdlr", Bytes().fill(25))))));
    file.append(Bytes::Atom("moov", Bytes::Atom("mvhd", Bytes().fill(100)).append(trak).append(
                                        Bytes::Atom("mvex", Bytes::Atom("trex", Bytes().fill(24))))));
    uint64_t time = 0;
    for (int i = 0; i < kFragments; ++i) {
        const uint32_t count = samples(rng);
        Bytes trun;
        trun.be32(0x000201).be32(count).be32(0);  // flags: data offset, sample sizes
        uint32_t total = 0;
        for (uint32_t s = 0; s < count; ++s) {
            const uint32_t size = sampleSize(rng);
            trun.be32(size);
            total += size;
        }
        Bytes traf = Bytes::Atom("tfhd", Bytes().be32(0x020000).be32(1))
                         .append(Bytes::Atom("tfdt", Bytes().be32(0x01000000).be64(time)))
                         .append(Bytes::Atom("trun", trun));
        file.append(Bytes::Atom("moof", Bytes::Atom("mfhd", Bytes().be32(0).be32(static_cast<uint32_t>(i + 1)))
                                            .append(Bytes::Atom("traf", traf))));
        file.append(Bytes::Atom("mdat", Bytes().fill(total, 0x80)));
        time += 1024 * count;
    }
    return file.str();
}

const BenchFile& Data() {
    static BenchFile f(BuildFragmentedMp4());
    return f;
}

void BM_AtomAnalyzeFile(benchmark::State& state) { TimeAnalysis(state, Data(), AnalyzeAtomPath); }
BENCHMARK(BM_AtomAnalyzeFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_AtomAnalyzeMemory(benchmark::State& state) {
    const std::string& bytes = Data().bytes;
    for (auto _ : state) {
        ByteSource src(bytes.data(), bytes.size());
        Analysis a = AnalyzeAtomSource(src);
        benchmark::DoNotOptimize(a.tree->root);
    }
}
BENCHMARK(BM_AtomAnalyzeMemory)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
