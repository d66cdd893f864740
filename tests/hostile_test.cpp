// Hostile inputs for both walks: nesting far past the bound, size fields at
// every boundary, files around 2 GiB and 4 GiB (sparse), files that change
// under an open source, paths that are not files, and running out of memory
// part way through a tree. Each malformed case names its defect.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>
#endif

#include "atom_analysis.h"
#include "memory_budget.h"
#include "node_block_test_hooks.h"
#include "read_failure_test_hooks.h"
#include "riff_analysis.h"
#include "test_support.h"

// Allocation failure on demand, for the whole test program: while
// gAllocationsLeft is 0 or more, that many more allocations succeed and
// every one after them throws std::bad_alloc (as when memory is exhausted).
static std::atomic<long> gAllocationsLeft{-1};

// What operator new takes from malloc, operator delete gives back to free.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t n) {
    long left = gAllocationsLeft.load(std::memory_order_relaxed);
    while (left > 0 && !gAllocationsLeft.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) {
    }
    if (left == 0) throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
// Every other unaligned form, so that no allocation takes another route
// (a sanitizer's own nothrow new, say) to be freed by the ones here.
void* operator new[](std::size_t n) { return ::operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return ::operator new(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept { return ::operator new(n, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

using L = std::vector<std::string>;

L Riff(const Bytes& b) { return LinesOf(riff::Analyze, b.str()); }
L Atoms(const Bytes& b) { return LinesOf(atom::Analyze, b.str()); }
std::string Sized(const std::string& label, long long size) { return label + "[" + std::to_string(size) + "Bytes]"; }
std::string Indent(int depth) { return std::string(2 * static_cast<size_t>(depth), ' '); }

const std::string kCannotOpen = Failed(Reason::kCannotOpen)[0];

// ---------------------------------------------------------------- nesting

TEST(HostileNesting, HundredThousandListsInsideARealAviThroughAFile) {
    // Defect: LIST strl holds 100,000 LISTs, each the only child of the one
    // before. The walk stops descending at depth 256 and finds movi and idx1
    // after them, reading through a file rather than memory.
    const int levels = 100000;
    std::string nest(static_cast<size_t>(levels) * 12, '\0');
    for (int i = 0; i < levels; ++i) {
        const uint32_t size = static_cast<uint32_t>(levels - i) * 12 - 8;  // the innermost is empty
        char* p = &nest[static_cast<size_t>(i) * 12];
        std::memcpy(p, "LIST", 4);
        for (int b = 0; b < 4; ++b) p[4 + b] = static_cast<char>(size >> (8 * b));
        std::memcpy(p + 8, "deep", 4);
    }
    Bytes hdrl = Leaf("avih", 56).append(Bytes::List("strl", Bytes().code(nest)));
    Bytes avi = Form("AVI ", Bytes::List("hdrl", hdrl).append(Bytes::List("movi", Leaf("00dc", 4))).append(Leaf("idx1", 16)));
    TempFile f(avi.str());

    L expected{Sized("RIFF_AVI ", static_cast<long long>(avi.size()) - 8), Sized("  LIST_hdrl", 4 + 64 + 12 + levels * 12LL),
               Sized("    avih", 56), Sized("    LIST_strl", 4 + levels * 12LL)};
    for (int depth = 3; depth <= riff::kMaxDepth; ++depth)
        expected.push_back(Indent(depth) + Sized("LIST_deep", (levels - (depth - 3)) * 12LL - 8));
    expected.insert(expected.end(), {Sized("  LIST_movi", 16), Sized("    00dc", 4), Sized("  idx1", 16)});
    EXPECT_EQ(Lines(AnalyzePath(f.path(), riff::Analyze)), expected);
}

TEST(HostileNesting, HundredThousandAtomsOfSizeZero) {
    // Defect: 100,000 headers of size 0 ("to the end of what encloses it"),
    // each inside the one before; nothing but headers in the file.
    const int levels = 100000;
    Bytes file;
    for (int i = 0; i < levels; ++i) file.be32(0).code("deep");
    L expected{Sized("TOP", levels * 8LL)};
    for (int depth = 1; depth <= atom::kMaxDepth; ++depth)
        expected.push_back(Indent(depth) + Sized("deep", (levels - (depth - 1)) * 8LL));
    EXPECT_EQ(Atoms(file), expected);
}

TEST(HostileNesting, HundredThousandLargesizeAtomsInsideMoovTrakMdia) {
    // Defect: mdia holds 100,000 atoms with 64-bit sizes, each inside the one
    // before; udta after trak and mdat after moov are still found.
    const int levels = 100000;
    Bytes nest;
    for (int i = 0; i < levels; ++i) nest.be32(1).code("deep").be64(static_cast<uint64_t>(levels - i) * 16);
    Bytes trak = A("trak", A("tkhd", Zeros(84)).append(A("mdia", nest)));
    Bytes file = A("moov", A("mvhd", Zeros(100)).append(trak).append(A("udta"))).append(A("mdat", Zeros(8)));
    L expected{Sized("TOP", static_cast<long long>(file.size())), Sized("  moov", 8 + 108 + 8 + 92 + 8 + levels * 16LL + 8),
               Sized("    mvhd", 108), Sized("    trak", 8 + 92 + 8 + levels * 16LL), Sized("      tkhd", 92),
               Sized("      mdia", 8 + levels * 16LL)};
    for (int depth = 4; depth <= atom::kMaxDepth; ++depth)
        expected.push_back(Indent(depth) + Sized("deep", (levels - (depth - 4)) * 16LL));
    expected.insert(expected.end(), {Sized("    udta", 8), Sized("  mdat", 16)});
    EXPECT_EQ(Atoms(file), expected);
}

// ------------------------------------------------------- size boundaries

TEST(HostileSizes, RiffLeafOfEverySmallSizeThatFits) {
    // Sizes 0 to 16, each chunk followed by its data and, when odd, its pad:
    // the walk stays in step and finds the chunk after the LIST every time.
    for (uint32_t size = 0; size <= 16; ++size) {
        Bytes body = Bytes::List("test", Leaf("abcd", size)).append(Leaf("next", 0));
        const long long listSize = 4 + 8 + size + (size & 1);
        EXPECT_EQ(Riff(Form("AVI ", body)), (L{Sized("RIFF_AVI ", 4 + 8 + listSize + 8), Sized("  LIST_test", listSize),
                                              Sized("    abcd", size), "  next[0Bytes]"}))
            << size;
    }
}

TEST(HostileSizes, RiffSizeFieldsAtTheSignBoundaries) {
    // A LIST of 16 bytes after its type holds the chunk under test and an
    // 8-byte chunk efgh; the chunk next follows the LIST. In a small file the
    // size field is signed: 2^31 and 2^32 - 1 are negative, 2^31 - 1 overshoots.
    auto file = [](const Bytes& tested) {
        return Form("AVI ", Bytes::List("test", Bytes().append(tested).code("efgh").le32(0)).append(Leaf("next", 0)));
    };
    auto leaf = [](uint32_t size) { return Bytes().code("abcd").le32(size); };
    auto list = [](uint32_t size) { return Bytes().code("LIST").le32(size).code("sub "); };
    const std::string root = "RIFF_AVI [40Bytes]", test = "  LIST_test[20Bytes]", next = "  next[0Bytes]";

    EXPECT_EQ(Riff(file(leaf(0x7FFFFFFF))), (L{root, test, "    abcd[2147483647Bytes]", next}));
    EXPECT_EQ(Riff(file(leaf(0x80000000))), (L{root, test, "    abcd[-2147483648Bytes]", next}));
    EXPECT_EQ(Riff(file(leaf(0xFFFFFFFF))), (L{root, test, "    abcd[-1Bytes]", next}));
    // The LIST's type takes 4 of the 16 bytes, so its body starts at efgh's size field.
    Bytes negative = Form("AVI ", Bytes::List("test", list(0x80000000).fill(4)).append(Leaf("next", 0)));
    EXPECT_EQ(Riff(negative), (L{root, test, "    LIST_sub [-2147483648Bytes]", next}));
    Bytes minusOne = Form("AVI ", Bytes::List("test", list(0xFFFFFFFF).fill(4)).append(Leaf("next", 0)));
    EXPECT_EQ(Riff(minusOne), (L{root, test, "    LIST_sub [-1Bytes]", next}));
    // Defect: a LIST claiming 2^31 - 1 bytes is walked with its own size,
    // past its parent: its one child is made of the four zero bytes after its
    // type and the code "next" read as a size; the data ends inside it.
    Bytes huge = Form("AVI ", Bytes::List("test", list(0x7FFFFFFF).fill(4)).append(Leaf("next", 0)));
    EXPECT_EQ(Riff(huge), (L{root, test, "    LIST_sub [2147483647Bytes]", "      [1954047342Bytes]"}));
}

TEST(HostileSizes, RiffRootSizes) {
    // "RIFF", the size under test, "AVI ", then a 10-byte chunk: 22 bytes.
    auto file = [](uint32_t size) { return Bytes().code("RIFF").le32(size).code("AVI ").append(Leaf("abcd", 2)); };
    EXPECT_EQ(Riff(file(4)), L{"RIFF_AVI [4Bytes]"});
    // Roots of 5 to 13 bytes cut abcd off, but a chunk that overshoots is shown.
    for (uint32_t size = 5; size <= 16; ++size)
        EXPECT_EQ(Riff(file(size)), (L{Sized("RIFF_AVI ", size), "  abcd[2Bytes]"})) << size;
    EXPECT_EQ(Riff(file(0x7FFFFFFF)), (L{"RIFF_AVI [2147483647Bytes]", "  abcd[2Bytes]"}));
    // Negative roots span the rest of the file.
    EXPECT_EQ(Riff(file(0x80000000)), (L{"RIFF_AVI [-2147483648Bytes]", "  abcd[2Bytes]"}));
    EXPECT_EQ(Riff(file(0xFFFFFFFF)), (L{"RIFF_AVI [-1Bytes]", "  abcd[2Bytes]"}));
}

TEST(HostileSizes, AtomSizeFieldOfEveryValue) {
    // moov holds mvhd and the atom under test: its header, then a free atom
    // and 8 zero bytes (24 bytes of moov are left for it). skip follows moov.
    auto file = [](uint32_t size) {
        return A("moov", A("mvhd", Zeros(4)).be32(size).code("test").append(A("free")).append(Zeros(8))).append(A("skip"));
    };
    auto lines = [](std::initializer_list<std::string> inMoov) {
        L l{"TOP[52Bytes]", "  moov[44Bytes]", "    mvhd[12Bytes]"};
        l.insert(l.end(), inMoov);
        l.push_back("  skip[8Bytes]");
        return l;
    };
    // 0: to the end of moov; its payload is walked.
    EXPECT_EQ(Atoms(file(0)), lines({"    test[24Bytes]", "      free[8Bytes]"}));
    // 1: the largesize is the free atom's header read as a 64-bit number.
    EXPECT_EQ(Atoms(file(1)), lines({"    test[36078511461Bytes]"}));
    for (uint32_t size = 2; size < 8; ++size)  // smaller than the header: last of moov
        EXPECT_EQ(Atoms(file(size)), lines({Sized("    test", size)})) << size;
    // 8: no payload; the walk goes on with free.
    EXPECT_EQ(Atoms(file(8)), lines({"    test[8Bytes]", "    free[8Bytes]"}));
    // 9 to 15: the next header is read from inside free. At 9 it looks like an
    // atom "ree" of 2150 bytes, which overshoots; from 10 on it fails the test.
    EXPECT_EQ(Atoms(file(9)), lines({"    test[9Bytes]", "    ree[2150Bytes]"}));
    for (uint32_t size = 10; size < 16; ++size) EXPECT_EQ(Atoms(file(size)), lines({Sized("    test", size)})) << size;
    EXPECT_EQ(Atoms(file(16)), lines({"    test[16Bytes]", "      free[8Bytes]"}));
    EXPECT_EQ(Atoms(file(24)), lines({"    test[24Bytes]", "      free[8Bytes]"}));
    EXPECT_EQ(Atoms(file(25)), lines({"    test[25Bytes]"}));  // overshoots moov
    EXPECT_EQ(Atoms(file(0x7FFFFFFF)), lines({"    test[2147483647Bytes]"}));
    EXPECT_EQ(Atoms(file(0x80000000)), lines({"    test[-2147483648Bytes]"}));
    EXPECT_EQ(Atoms(file(0xFFFFFFFF)), lines({"    test[-1Bytes]"}));
}

TEST(HostileSizes, AtomLargesizeOfEveryBoundary) {
    // moov holds the atom under test (size 1, its largesize), then a free atom
    // and 8 zero bytes: 32 bytes of moov are left for it.
    auto file = [](uint64_t size) {
        return A("moov", Bytes().be32(1).code("test").be64(size).append(A("free")).append(Zeros(8))).append(A("skip"));
    };
    auto lines = [](std::initializer_list<std::string> inMoov) {
        L l{"TOP[48Bytes]", "  moov[40Bytes]"};
        l.insert(l.end(), inMoov);
        l.push_back("  skip[8Bytes]");
        return l;
    };
    for (uint64_t size = 0; size < 16; ++size)  // smaller than its 16-byte header
        EXPECT_EQ(Atoms(file(size)), lines({Sized("    test", static_cast<long long>(size))})) << size;
    EXPECT_EQ(Atoms(file(16)), lines({"    test[16Bytes]", "    free[8Bytes]"}));
    EXPECT_EQ(Atoms(file(24)), lines({"    test[24Bytes]", "      free[8Bytes]"}));
    EXPECT_EQ(Atoms(file(32)), lines({"    test[32Bytes]", "      free[8Bytes]"}));
    EXPECT_EQ(Atoms(file(33)), lines({"    test[33Bytes]"}));
    EXPECT_EQ(Atoms(file(0x7FFFFFFFULL)), lines({"    test[2147483647Bytes]"}));
    EXPECT_EQ(Atoms(file(0x80000000ULL)), lines({"    test[2147483648Bytes]"}));
    EXPECT_EQ(Atoms(file(0xFFFFFFFFULL)), lines({"    test[4294967295Bytes]"}));
    EXPECT_EQ(Atoms(file(0x7FFFFFFFFFFFFFFFULL)), lines({"    test[9223372036854775807Bytes]"}));
    EXPECT_EQ(Atoms(file(0x8000000000000000ULL)), lines({"    test[-9223372036854775808Bytes]"}));
    EXPECT_EQ(Atoms(file(0xFFFFFFFFFFFFFFFFULL)), lines({"    test[-1Bytes]"}));
}

// ------------------------------------------------------ big sparse files

// The last node in pre-order.
const ChunkNode* LastNode(const ChunkTree& tree) {
    const ChunkNode* n = tree.root;
    for (;;) {
        while (n->next) n = n->next;
        if (!n->firstChild) return n;
        n = n->firstChild;
    }
}

// An AVI of the given length: RIFF of length - 8 bytes, LIST movi up to an
// empty idx1 in the last 8 bytes, and in movi a chunk of size FF FF FF F0.
std::string RiffAround2GiB(const TempFile& f, long long length) {
    f.WriteAt(0, Bytes().code("RIFF").le32(static_cast<uint32_t>(length - 8)).code("AVI ")
                     .code("LIST").le32(static_cast<uint32_t>(length - 28)).code("movi")
                     .code("00dc").le32(0xFFFFFFF0).str());
    f.WriteAt(length - 8, Bytes().code("idx1").le32(0).str());
    return f.path();
}

TEST(HostileBigFiles, RiffJustUnderAndAt2GiB) {
    // Under 2 GiB the chunk's size reads as -16 and ends movi; from 2 GiB on
    // it reads unsigned and overshoots movi. idx1 is found either way.
    for (const long long length : {(1LL << 31) - 1, 1LL << 31}) {
        TempFile f;
        RiffAround2GiB(f, length);
        f.Truncate(length);
        Analysis a = AnalyzePath(f.path(), riff::Analyze);
        const bool wide = length >= (1LL << 31);
        EXPECT_EQ(Lines(a), (L{Sized("RIFF_AVI ", length - 8), Sized("  LIST_movi", length - 28),
                               wide ? "    00dc[4294967280Bytes]" : "    00dc[-16Bytes]", "  idx1[0Bytes]"}))
            << length;
        ASSERT_TRUE(a.ok());
        EXPECT_EQ(LastNode(*a.tree)->offset, length - 8);
    }
}

TEST(HostileBigFiles, RiffOf4GiBPlus8) {
    // The largest RIFF a 32-bit size can declare (odd, with its pad as the
    // file's last byte); movi reaches past 4 GiB and idx1 sits across it.
    TempFile f;
    f.WriteAt(0, Bytes().code("RIFF").le32(0xFFFFFFFF).code("AVI ").code("LIST").le32(0xFFFFFFE8).code("movi")
                     .code("00dc").le32(0xFFFFFFD0).str());
    f.WriteAt((1LL << 32) - 16, Bytes().code("01wb").le32(4).code("abcd").code("idx1").le32(3).code("xyz").str());
    f.Truncate((1LL << 32) + 8);
    Analysis a = AnalyzePath(f.path(), riff::Analyze);
    EXPECT_EQ(Lines(a), (L{"RIFF_AVI [4294967295Bytes]", "  LIST_movi[4294967272Bytes]", "    00dc[4294967248Bytes]",
                           "    01wb[4Bytes]", "  idx1[3Bytes]"}));
    ASSERT_TRUE(a.ok());
    EXPECT_EQ(LastNode(*a.tree)->offset, (1LL << 32) - 4);
}

TEST(HostileBigFiles, AtomsJustUnderAndAt2GiB) {
    // ftyp, an mdat up to a 28-byte moov at the end whose trak has size field
    // 80 00 00 00: negative under 2 GiB, 2^31 (overshooting moov) from 2 GiB on.
    for (const long long length : {(1LL << 31) - 1, 1LL << 31}) {
        TempFile f;
        f.WriteAt(0, A("ftyp", Bytes().code("isom").be32(0)).be32(static_cast<uint32_t>(length - 44)).code("mdat").str());
        f.WriteAt(length - 28, A("moov", A("mvhd", Zeros(4)).be32(0x80000000).code("trak")).str());
        Analysis a = AnalyzePath(f.path(), atom::Analyze);
        const bool wide = length >= (1LL << 31);
        EXPECT_EQ(Lines(a), (L{Sized("TOP", length), "  ftyp[16Bytes]", Sized("  mdat", length - 44), "  moov[28Bytes]",
                               "    mvhd[12Bytes]", wide ? "    trak[2147483648Bytes]" : "    trak[-2147483648Bytes]"}))
            << length;
        ASSERT_TRUE(a.ok());
        EXPECT_EQ(LastNode(*a.tree)->offset, length - 8);
    }
}

TEST(HostileBigFiles, AtomsOf4GiBPlus8) {
    // An mdat whose 32-bit size reads unsigned (4 GiB - 16), then free at 4 GiB.
    TempFile f;
    f.WriteAt(0, A("ftyp", Bytes().code("isom").be32(0)).be32(0xFFFFFFF0).code("mdat").str());
    f.WriteAt(1LL << 32, A("free").str());
    Analysis a = AnalyzePath(f.path(), atom::Analyze);
    EXPECT_EQ(Lines(a), (L{"TOP[4294967304Bytes]", "  ftyp[16Bytes]", "  mdat[4294967280Bytes]", "  free[8Bytes]"}));
    ASSERT_TRUE(a.ok());
    EXPECT_EQ(LastNode(*a.tree)->offset, 1LL << 32);
}

// --------------------------------------------- files that change under us

Bytes Wave() {
    return Form("WAVE", Leaf("fmt ", 16).append(Bytes::List("INFO", Leaf("ISFT", 5))).append(Leaf("data", 100)));
}

TEST(HostileChangingFiles, RiffShrinksAfterOpening) {
    // The file is cut inside LIST INFO after the source judged its length:
    // the tree read so far, nothing more.
    TempFile f(Wave().str());
    std::unique_ptr<ByteSource> src = ByteSource::OpenFile(f.path());
    ASSERT_NE(src, nullptr);
    f.Truncate(12 + 24 + 12 + 4);  // header, fmt, the INFO header, half of ISFT's header
    EXPECT_EQ(Lines(riff::Analyze(*src)), (L{"RIFF_WAVE[162Bytes]", "  fmt [16Bytes]", "  LIST_INFO[18Bytes]"}));
    f.Truncate(5);
    std::unique_ptr<ByteSource> cut = ByteSource::OpenFile(f.path());
    ASSERT_NE(cut, nullptr);
    f.Truncate(0);
    EXPECT_EQ(Lines(riff::Analyze(*cut)), Failed(Reason::kTooSmall));
}

TEST(HostileChangingFiles, RiffGrowsAfterOpening) {
    // Opened while only its first 20 bytes were written; the rest arrives
    // before the walk, which follows the declared sizes and shows it all.
    const Bytes wave = Wave();
    TempFile f(wave.str().substr(0, 20));
    std::unique_ptr<ByteSource> src = ByteSource::OpenFile(f.path());
    ASSERT_NE(src, nullptr);
    f.WriteAt(0, wave.str());
    const Analysis grown = riff::Analyze(*src);
    EXPECT_EQ(Lines(grown), Riff(wave));
    // Defect: every chunk read past the first 20 bytes was claimed cut off.
    EXPECT_EQ(DumpCheck(*grown.tree), "");
    EXPECT_EQ(grown.tree->fileLength, static_cast<int64_t>(wave.size()));

    // A LIST past a root that ended where the file did at the start: once
    // the file is seen to hold the LIST, it is past its parent, not cut off.
    const Bytes list = Bytes().code("RIFF").le32(12).code("AVI ").code("LIST").le32(60).code("movi")
                           .append(Leaf("00dc", 4)).append(Leaf("JUNK", 36)).fill(20);
    TempFile g(list.str().substr(0, 20));
    std::unique_ptr<ByteSource> src2 = ByteSource::OpenFile(g.path());
    ASSERT_NE(src2, nullptr);
    g.WriteAt(0, list.str());
    EXPECT_EQ(DumpCheck(*riff::Analyze(*src2).tree),
              "12 RIFF_AVI /LIST_movi: overruns-parent: its declared end lies 60 bytes past the end of its parent\n");

    // Grown by less than its sizes claim: cut off where it was seen to end.
    TempFile h(list.str().substr(0, 20));
    std::unique_ptr<ByteSource> src3 = ByteSource::OpenFile(h.path());
    ASSERT_NE(src3, nullptr);
    h.WriteAt(0, list.str().substr(0, 36));
    EXPECT_EQ(DumpCheck(*riff::Analyze(*src3).tree),
              "12 RIFF_AVI /LIST_movi: overruns-parent: its declared end lies 60 bytes past the end of its parent\n"
              "12 RIFF_AVI /LIST_movi: truncated: the file ends 44 bytes before its declared end\n");
}

TEST(HostileChangingFiles, AtomsShrinkAndGrowAfterOpening) {
    const Bytes file = A("ftyp", Bytes().code("isom").be32(0))
                           .append(A("moov", A("mvhd", Zeros(100)).append(A("trak", A("tkhd", Zeros(84))))))
                           .append(A("mdat", Zeros(32)));
    {
        // Cut right after tkhd's header: TOP keeps the length judged at opening.
        TempFile f(file.str());
        std::unique_ptr<ByteSource> src = ByteSource::OpenFile(f.path());
        ASSERT_NE(src, nullptr);
        f.Truncate(16 + 8 + 108 + 8 + 8);
        EXPECT_EQ(Lines(atom::Analyze(*src)), (L{Sized("TOP", static_cast<long long>(file.size())), "  ftyp[16Bytes]",
                                                     "  moov[216Bytes]", "    mvhd[108Bytes]", "    trak[100Bytes]",
                                                     "      tkhd[92Bytes]"}));
    }
    {
        // Opened with ftyp alone; what is appended later lies past the length
        // judged at opening and is not shown.
        TempFile f(file.str().substr(0, 16));
        std::unique_ptr<ByteSource> src = ByteSource::OpenFile(f.path());
        ASSERT_NE(src, nullptr);
        f.WriteAt(16, file.str().substr(16));
        EXPECT_EQ(Lines(atom::Analyze(*src)), (L{"TOP[16Bytes]", "  ftyp[16Bytes]"}));
    }
}

// More nodes than one block holds: 100,000 empty chunks in movi, or 100,000
// free atoms, with the root and movi 100,002 and 100,001 nodes.
constexpr int kManyNodes = 100000;
static_assert(kManyNodes > static_cast<int>(ChunkTree::kNodesPerBlock));

std::string ManyChunks() {
    Bytes movi;
    for (int i = 0; i < kManyNodes; ++i) movi.code("00dc").le32(0);
    return Form("AVI ", Bytes::List("movi", movi)).str();
}
std::string ManyAtoms() {
    Bytes file;
    for (int i = 0; i < kManyNodes; ++i) file.be32(8).code("free");
    return file.str();
}


// Makes reads of files fail from an offset on for the length of a scope.
class FailingReads {
public:
    FailingReads(int64_t offset, int error) { SetReadFailureForTesting(offset, error); }
    ~FailingReads() { SetReadFailureForTesting(-1, 0); }
};

TEST(HostileReadFailures, AFileCutShortOrFailingIsToldApartFromItsEnd) {
    // Defect: the file is cut inside LIST INFO after it was opened.
    TempFile cut(Wave().str());
    std::unique_ptr<ByteSource> src = ByteSource::OpenFile(cut.path());
    ASSERT_NE(src, nullptr);
    cut.Truncate(52);
    Analysis shrunk = riff::Analyze(*src);
    ASSERT_TRUE(shrunk.ok());
    EXPECT_EQ(shrunk.reason, Reason::kReadError);
    EXPECT_EQ(shrunk.readFailure.kind, ReadFailure::Kind::kCutShort);
    EXPECT_EQ(shrunk.readFailure.offset, 52);
    EXPECT_EQ(shrunk.readFailure.length, static_cast<int64_t>(Wave().size()));

    // Defect: cut before it was opened, so its sizes claim more than there
    // is: that is where the file ends, not a failure.
    TempFile shortFile(Wave().str().substr(0, 52));
    Analysis ended = AnalyzePath(shortFile.path(), riff::Analyze);
    EXPECT_EQ(Lines(ended), Lines(shrunk));
    EXPECT_EQ(ended.reason, Reason::kNone);
    EXPECT_FALSE(ended.readFailure);

    // Defect: the file system fails every read from 64 KiB on. Both walks
    // keep the headers read whole before it and read nothing after.
    TempFile chunks(ManyChunks()), atoms(ManyAtoms());
    FailingReads fail(65536, EIO);
    Analysis riffPart = AnalyzePath(chunks.path(), riff::Analyze);
    Analysis atomPart = AnalyzePath(atoms.path(), atom::Analyze);
    for (const Analysis* a : {&riffPart, &atomPart}) {
        ASSERT_TRUE(a->ok());
        EXPECT_EQ(a->reason, Reason::kReadError);
        EXPECT_EQ(a->readFailure.kind, ReadFailure::Kind::kError);
        EXPECT_EQ(a->readFailure.offset, 65536);
        EXPECT_EQ(a->readFailure.systemError, EIO);
    }
    const L riffLines = Lines(riffPart), atomLines = Lines(atomPart);
    EXPECT_EQ(riffLines.size(), 2u + (65536 - 24) / 8);  // RIFF, movi, the chunks before 64 KiB
    EXPECT_EQ(riffLines.back(), "    00dc[0Bytes]");
    EXPECT_EQ(atomLines.size(), 1u + 65536 / 8);
    EXPECT_EQ(atomLines.front(), Sized("TOP", kManyNodes * 8LL));
}

// Runs a dump program in this process on `path`; its status and both outputs.
struct InProcessDump {
    int status;
    std::string out, err;
};
std::string ReadBack(FILE* f) {
    std::string text(static_cast<size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    text.resize(std::fread(text.data(), 1, text.size(), f));
    std::fclose(f);
    return text;
}
InProcessDump DumpInProcess(Walk walk, const std::string& path) {
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    if (!out || !err) std::abort();
    const int status = RunDump({"tarnwick-dump", path}, DumpProgram{"tarnwick-dump", walk, "the chunk tree of a RIFF file", "clip.avi"}, out,
                               err);
    return InProcessDump{status, ReadBack(out), ReadBack(err)};
}

TEST(HostileReadFailures, DumpPrintsThePartialTreeThenTheErrorAndExitsWithFour) {
    TempFile wave(Wave().str());
    FailingReads fail(40, EIO);  // inside the header of LIST INFO, after fmt
    const InProcessDump r = DumpInProcess(riff::Analyze, wave.path());
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out, "RIFF_WAVE[162Bytes]\n  fmt [16Bytes]\n");
    EXPECT_EQ(r.err.rfind(std::string(ReasonText(Reason::kReadError)) + " (at offset 40: ", 0), 0u) << r.err;

    // Defect: the file system fails within the RIFF header. No tree, but
    // the same status and message as the atom tool's, not "too small".
    FailingReads early(6, EIO);
    for (Walk walk : {riff::Analyze, atom::Analyze}) {
        const InProcessDump h = DumpInProcess(walk, wave.path());
        EXPECT_EQ(h.status, 4);
        EXPECT_EQ(h.err.rfind(std::string(ReasonText(Reason::kReadError)) + " (at offset 6: ", 0), 0u) << h.err;
    }
    EXPECT_EQ(AnalyzePath(wave.path(), riff::Analyze).reason, Reason::kReadError);
}

TEST(HostileMemory, DumpToolsEndWithTheMessageWhereverMemoryRunsOut) {
    // Defect: memory runs out after the walk (the output's buffer, the
    // paths of --check, the ancestors kept for the hints): the dump tools
    // died of std::bad_alloc. Every allocation in turn is made to fail, for
    // each form, until one run needs no more than it was given.
    TempFile atoms(ManyAtoms().substr(0, 8 * 1000));  // 1,000 atoms
    const DumpProgram program{"quellby-dump", atom::Analyze, "the atom tree", "clip.mp4"};
    for (const char* form : {"--json", "--check", "--"}) {
        int status = 1;
        long allowed = 0;
        for (; status != 0 && allowed < 100000; ++allowed) {
            FILE* out = std::tmpfile();
            FILE* err = std::tmpfile();
            ASSERT_TRUE(out && err);
            const std::vector<std::string> args{"quellby-dump", form, atoms.path()};
            gAllocationsLeft = allowed;
            status = RunDump(args, program, out, err);
            gAllocationsLeft = -1;
            const std::string said = ReadBack(err);
            ReadBack(out);
            ASSERT_TRUE(status == 0 || status == 1) << form << " with " << allowed << " allocations: " << status;
            if (status == 1) {
                ASSERT_EQ(said, std::string(ReasonText(Reason::kOutOfMemory)) + "\n") << form << allowed;
            }
        }
        EXPECT_EQ(status, 0) << form;
        EXPECT_GT(allowed, 3) << form;  // some runs did fail
    }
}

// ------------------------------------------------------------------ paths

#ifndef _WIN32  // FIFOs, links, modes and POSIX path limits; Windows has windows_paths_test.cpp
TEST(HostilePaths, AtomAnalysisRefusesWhatIsNotAReadableFile) {
    // The RIFF side has its own test of these.
    EXPECT_EQ(Lines(AnalyzePath("/dev/zero", atom::Analyze)), L{kCannotOpen});
    EXPECT_EQ(Lines(AnalyzePath("/nonexistent/movie.mp4", atom::Analyze)), L{kCannotOpen});

    TempFile fifo;
    unlink(fifo.path().c_str());
    ASSERT_EQ(mkfifo(fifo.path().c_str(), 0600), 0);
    EXPECT_EQ(Lines(AnalyzePath(fifo.path(), atom::Analyze)), L{kCannotOpen});  // must not block

    TempFile link;
    unlink(link.path().c_str());
    ASSERT_EQ(symlink("/nonexistent/target", link.path().c_str()), 0);
    EXPECT_EQ(Lines(AnalyzePath(link.path(), atom::Analyze)), L{kCannotOpen});

    TempFile locked(A("free").str());
    ASSERT_EQ(chmod(locked.path().c_str(), 0), 0);
    EXPECT_EQ(Lines(AnalyzePath(locked.path(), atom::Analyze)), L{kCannotOpen});
}

TEST(HostilePaths, RiffAnalysisRefusesUrandomAndPathsThroughAFile) {
    EXPECT_EQ(Lines(AnalyzePath("/dev/urandom", riff::Analyze)), L{kCannotOpen});
    // Defect: a path that treats a regular file as a directory.
    TempFile f(Form("WAVE", Bytes()).str());
    EXPECT_EQ(Lines(AnalyzePath(f.path() + "/", riff::Analyze)), L{kCannotOpen});
    EXPECT_EQ(Lines(AnalyzePath(f.path() + "/x.avi", riff::Analyze)), L{kCannotOpen});
}

TEST(HostilePaths, SymbolicLinksToFilesAreFollowed) {
    for (const auto& [walk, bytes] : {std::pair<Walk, Bytes>{riff::Analyze, Form("WAVE", Leaf("data", 2))},
                                      std::pair<Walk, Bytes>{atom::Analyze, A("free")}}) {
        TempFile target(bytes.str());
        TempFile link;
        unlink(link.path().c_str());
        ASSERT_EQ(symlink(target.path().c_str(), link.path().c_str()), 0);
        Analysis a = AnalyzePath(link.path(), walk);
        EXPECT_TRUE(a.ok()) << ReasonText(a.reason);
    }
}

TEST(HostilePaths, AtomFileWithChineseCyrillicAndEmojiInItsPath) {
    const std::string dir = "/tmp/viewer-test-电影-фильм-🎥";
    mkdir(dir.c_str(), 0700);
    const std::string path = dir + "/样片 ролик 📼.mp4";
    const Bytes file = A("ftyp", Bytes().code("isom").be32(0)).append(A("free"));
    {
        FILE* out = fopen(path.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        fwrite(file.data(), 1, file.size(), out);
        fclose(out);
    }
    EXPECT_EQ(Lines(AnalyzePath(path, atom::Analyze)), (L{"TOP[24Bytes]", "  ftyp[16Bytes]", "  free[8Bytes]"}));
    unlink(path.c_str());
    rmdir(dir.c_str());
}

// Directories nested under /tmp so that a file name inside the deepest one
// makes an absolute path of exactly the length asked for.
class LongPath {
public:
    LongPath() {
        char name[] = "/tmp/viewer-test-XXXXXX";
        if (!mkdtemp(name)) std::abort();
        dirs_.push_back(name);
        while (dirs_.back().size() < 3800) {
            dirs_.push_back(dirs_.back() + "/" + std::string(250, 'd'));
            if (mkdir(dirs_.back().c_str(), 0700) != 0) std::abort();
        }
    }
    ~LongPath() {
        for (const std::string& f : files_) unlink(f.c_str());
        for (auto it = dirs_.rbegin(); it != dirs_.rend(); ++it) rmdir(it->c_str());
    }
    // Writes the bytes to a file whose absolute path has `length` characters.
    // The name is made relative to the deepest directory: a path of 4,096
    // characters is too long to create by its absolute name.
    std::string Create(size_t length, const std::string& bytes) {
        const std::string& dir = dirs_.back();
        const std::string path = dir + "/" + std::string(length - dir.size() - 1, 'f');
        const int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
        const int fd = openat(dirFd, path.substr(dir.size() + 1).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (dirFd < 0 || fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            std::abort();
        close(fd);
        close(dirFd);
        files_.push_back(path);
        return path;
    }

private:
    std::vector<std::string> dirs_;
    std::vector<std::string> files_;
};

TEST(HostilePaths, PathsOf4095And4096Characters) {
    // 4,095 characters is the longest path the system takes; one more and the
    // file exists but cannot be opened by that name.
    LongPath tree;
    const std::string riff = Form("WAVE", Leaf("data", 2)).str(), atoms = A("free").str();
    const std::string longest = tree.Create(4095, riff);
    ASSERT_EQ(longest.size(), 4095u);
    EXPECT_EQ(Lines(AnalyzePath(longest, riff::Analyze)), (L{"RIFF_WAVE[14Bytes]", "  data[2Bytes]"}));
    const std::string tooLong = tree.Create(4096, atoms);
    ASSERT_EQ(tooLong.size(), 4096u);
    EXPECT_EQ(Lines(AnalyzePath(tooLong, atom::Analyze)), L{kCannotOpen});
    EXPECT_EQ(Lines(AnalyzePath(tooLong, riff::Analyze)), L{kCannotOpen});
    EXPECT_EQ(Lines(AnalyzePath(std::string(4096, '/'), riff::Analyze)), L{kCannotOpen});
}

#endif

// -------------------------------------------------------- out of memory

// Makes the nth node block from now on fail for the length of a scope.
class FailingBlock {
public:
    explicit FailingBlock(int n) { SetBlockAllocationFailureForTesting(n); }
    ~FailingBlock() { SetBlockAllocationFailureForTesting(0); }
};

// Files and other objects the process holds open now.
int OpenDescriptors() {
#ifdef _WIN32
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    return static_cast<int>(handles);
#else
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
#endif
}

TEST(HostileMemory, RunningOutOfNodeBlocksEndsTheAnalysisAndFreesEverything) {
    const std::string outOfMemory = Failed(Reason::kOutOfMemory)[0];
    struct Case {
        const char* name;
        std::string bytes;
        Walk walk;
        size_t nodes;
    };
    const Case cases[] = {{"riff", ManyChunks(), riff::Analyze, kManyNodes + 2},
                          {"atom", ManyAtoms(), atom::Analyze, kManyNodes + 1}};
    for (const Case& c : cases) {
        const long blocksBefore = LiveNodeBlocksForTesting();
        // The first block (the root's) and the second (part way through).
        for (int n : {1, 2}) {
            FailingBlock fail(n);
            EXPECT_EQ(LinesOf(c.walk, c.bytes), L{outOfMemory}) << c.name << " block " << n;
            EXPECT_EQ(LiveNodeBlocksForTesting(), blocksBefore) << c.name << " block " << n;
        }
        {
            // By path: the file is closed again too.
            TempFile f(c.bytes);
            const int descriptors = OpenDescriptors();
            FailingBlock fail(2);
            EXPECT_EQ(Lines(AnalyzePath(f.path(), c.walk)), L{outOfMemory}) << c.name;
            EXPECT_EQ(OpenDescriptors(), descriptors) << c.name;
            EXPECT_EQ(LiveNodeBlocksForTesting(), blocksBefore) << c.name;
        }
        {
            // A failure past the blocks the tree needs changes nothing.
            FailingBlock fail(3);
            ByteSource src(c.bytes.data(), c.bytes.size());
            Analysis a = c.walk(src);
            ASSERT_TRUE(a.ok()) << c.name;
            EXPECT_EQ(a.tree->NodeCount(), c.nodes) << c.name;
            EXPECT_EQ(LiveNodeBlocksForTesting(), blocksBefore + 2) << c.name;
        }
        EXPECT_EQ(LiveNodeBlocksForTesting(), blocksBefore) << c.name;
    }
}

TEST(HostileMemory, TheBudgetHoldsTheNodesToTheByte) {
    // 100,002 nodes: a full first block and 12,621 in the second. A budget
    // with room for exactly them passes; one node's bytes less does not.
    const uint64_t exact = (uint64_t{4} << 20) + (kManyNodes + 2 - ChunkTree::kNodesPerBlock) * sizeof(ChunkNode);
    const std::string bytes = ManyChunks();
    SetMemoryBudget(exact);
    EXPECT_EQ(LinesOf(riff::Analyze, bytes).size(), kManyNodes + 2u);
    SetMemoryBudget(exact - 1);
    EXPECT_EQ(LinesOf(riff::Analyze, bytes), Failed(Reason::kOutOfMemory));

    // Defect: a RIFF header and a hole of 256 MiB, 33 million empty chunks;
    // at 8 MiB the walk stops after 174,762 of them, and frees them all.
    const long blocksBefore = LiveNodeBlocksForTesting();
    TempFile sparse(Bytes().code("RIFF").le32(0x0FFFFFF8).code("AVI ").str());
    sparse.Truncate(256LL << 20);
    SetMemoryBudget(8 << 20);
    EXPECT_EQ(Lines(AnalyzePath(sparse.path(), riff::Analyze)), Failed(Reason::kOutOfMemory));
    EXPECT_EQ(LiveNodeBlocksForTesting(), blocksBefore);
    SetMemoryBudget(0);
}

#ifndef _WIN32
TEST(HostileMemory, TheDefaultBudgetHeedsTheControlGroupsLimit) {
    // A container's memory limit, not the machine's memory, is what the
    // process may use: the smallest one set on the way up, in either form.
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("cgroup-test-" + std::to_string(getpid()));
    auto write = [](const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text;
    };
    write(root / "v2/memory.max", "max\n");
    write(root / "v2/box.slice/memory.max", "1073741824\n");
    write(root / "v2/box.slice/app/memory.max", "max\n");
    write(root / "list-v2", "0::/box.slice/app\n");
    EXPECT_EQ(CgroupMemoryLimit((root / "list-v2").c_str(), (root / "v2").c_str()), 1u << 30);
    write(root / "v1/memory/job/memory.limit_in_bytes", "536870912\n");
    write(root / "v1/memory/memory.limit_in_bytes", "9223372036854771712\n");
    write(root / "v1/unified/job/memory.max", "max\n");
    write(root / "list-v1", "4:memory:/job\n1:cpu,cpuacct:/\n0::/job\n");
    EXPECT_EQ(CgroupMemoryLimit((root / "list-v1").c_str(), (root / "v1").c_str()), 512u << 20);
    write(root / "list-none", "0::/\n");
    EXPECT_EQ(CgroupMemoryLimit((root / "list-none").c_str(), (root / "v2").c_str()), 0u);
    EXPECT_EQ(CgroupMemoryLimit((root / "missing").c_str(), (root / "v2").c_str()), 0u);
    fs::remove_all(root);
}
#endif

TEST(HostileMemory, BudgetSizesAreDigitsWithAnOptionalBinaryUnit) {
    const std::pair<const char*, uint64_t> valid[] = {
        {"1", 1}, {"4096", 4096}, {"64k", 64 << 10}, {"256M", 256 << 20}, {"3G", 3ULL << 30},
        {"18446744073709551615", UINT64_MAX}, {"17179869183G", 17179869183ULL << 30}};
    for (const auto& [text, bytes] : valid) {
        uint64_t parsed = 0;
        EXPECT_TRUE(ParseMemorySize(text, &parsed)) << text;
        EXPECT_EQ(parsed, bytes) << text;
    }
    for (const char* text : {"", "0", "0M", "-1", " 1", "1 ", "1MB", "1T", "M", "1.5G", "18446744073709551616",
                             "17179869184G"}) {
        uint64_t parsed = 0;
        EXPECT_FALSE(ParseMemorySize(text, &parsed)) << text;
    }
}

}  // namespace
