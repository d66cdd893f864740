// The RIFF walk on files built byte by byte. Each malformed case names its
// defect; every case asserts the exact list of items the tree shows.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/types.h>
#endif

#include "riff_analysis.h"
#include "test_support.h"

namespace {

using L = std::vector<std::string>;

L Riff(const Bytes& b) { return LinesOf(riff::Analyze, b.str()); }

TEST(RiffHeader, RefusesWhatIsNotRiff) {
    EXPECT_EQ(Riff(Bytes()), Failed(Reason::kTooSmall));
    EXPECT_EQ(Riff(Bytes().code("RIFF").le32(4).code("WAV")), Failed(Reason::kTooSmall));  // 11 bytes
    EXPECT_EQ(Riff(Bytes().code("riff").le32(4).code("WAVE")), Failed(Reason::kNotRiff));
    EXPECT_EQ(Riff(Bytes().code("RIFX").le32(4).code("WAVE")), Failed(Reason::kNotRiff));
    EXPECT_EQ(Riff(Bytes().code("RF64").le32(4).code("WAVE")), Failed(Reason::kNotRiff));
}

TEST(RiffHeader, HeaderOnlyAndTinyRootsHaveNoChildren) {
    EXPECT_EQ(Riff(Bytes().code("RIFF").le32(4).code("WAVE")), L{"RIFF_WAVE[4Bytes]"});
    // Declared sizes 0 to 3 leave no span for children, whatever follows.
    for (uint32_t size = 0; size < 4; ++size) {
        Bytes b = Bytes().code("RIFF").le32(size).code("AVI ").append(Leaf("junk", 4));
        EXPECT_EQ(Riff(b), L{"RIFF_AVI [" + std::to_string(size) + "Bytes]"}) << size;
    }
}

TEST(RiffWalk, SmallWave) {
    Bytes wave = Bytes().code("RIFF").le32(40).code("WAVE").append(Leaf("fmt ", 16)).append(Leaf("data", 4));
    ASSERT_EQ(wave.size(), 48u);
    EXPECT_EQ(Riff(wave), (L{"RIFF_WAVE[40Bytes]", "  fmt [16Bytes]", "  data[4Bytes]"}));
}

TEST(RiffWalk, WaveEndingInEmptyDataChunkShowsIt) {
    // A data chunk of size 0 is the last 8 bytes of the file: its header is
    // all there is, and it is shown.
    Bytes wave = Form("WAVE", Leaf("fmt ", 16).append(Leaf("data", 0)));
    EXPECT_EQ(Riff(wave), (L{"RIFF_WAVE[36Bytes]", "  fmt [16Bytes]", "  data[0Bytes]"}));
}

TEST(RiffWalk, AviListsCarryTheirTypes) {
    Bytes strl = Leaf("strh", 56).append(Leaf("strf", 40));
    Bytes hdrl = Leaf("avih", 56).append(Bytes::List("strl", strl));
    Bytes movi = Leaf("00dc", 10).append(Leaf("01wb", 7)).append(Leaf("00dc", 9));
    Bytes avi = Form("AVI ", Bytes::List("hdrl", hdrl)
                                 .append(Bytes::List("INFO", Leaf("ISFT", 5)))
                                 .append(Bytes::List("movi", movi))
                                 .append(Leaf("idx1", 48)));
    EXPECT_EQ(Riff(avi), (L{"RIFF_AVI [" + std::to_string(avi.size() - 8) + "Bytes]",
                           "  LIST_hdrl[192Bytes]",
                           "    avih[56Bytes]",
                           "    LIST_strl[116Bytes]",
                           "      strh[56Bytes]",
                           "      strf[40Bytes]",
                           "  LIST_INFO[18Bytes]",
                           "    ISFT[5Bytes]",
                           "  LIST_movi[56Bytes]",
                           "    00dc[10Bytes]",
                           "    01wb[7Bytes]",
                           "    00dc[9Bytes]",
                           "  idx1[48Bytes]"}));
}

TEST(RiffWalk, EmptyListAndNestedRiffAreLeaves) {
    // A nested chunk called RIFF is an ordinary leaf; an empty LIST has no children.
    Bytes avi = Form("AVI ", Bytes::List("movi", Bytes())
                                 .append(Bytes::Chunk("RIFF", Bytes().code("AVIX").append(Leaf("00dc", 4))))
                                 .append(Leaf("idx1", 4)));
    EXPECT_EQ(Riff(avi), (L{"RIFF_AVI [52Bytes]", "  LIST_movi[4Bytes]", "  RIFF[16Bytes]", "  idx1[4Bytes]"}));
}

TEST(RiffWalk, CodesAreCopiedLikeStrncpyOfFour) {
    // An identifier with a NUL as its third byte shows two characters; bytes
    // above 0x7F and punctuation are kept as they are.
    Bytes body = Bytes::Chunk(std::string_view("ab\0d", 4), Bytes().fill(2))
                     .append(Bytes::Chunk("\xA9x!y", Bytes()))
                     .append(Bytes::List(std::string_view("\0mov", 4), Bytes()));
    EXPECT_EQ(Riff(Form("AVI ", body)), (L{"RIFF_AVI [34Bytes]", "  ab[2Bytes]", "  \xA9x!y[0Bytes]", "  LIST_[4Bytes]"}));
}

TEST(RiffPadBytes, OddChunksAreFollowedByTheirPad) {
    Bytes movi = Leaf("00dc", 3).append(Leaf("00dc", 5)).append(Leaf("01wb", 2));
    Bytes avi = Form("AVI ", Bytes::List("movi", movi).append(Bytes::List("odd ", Leaf("abcd", 1))).append(Leaf("idx1", 0)));
    EXPECT_EQ(Riff(avi), (L{"RIFF_AVI [" + std::to_string(avi.size() - 8) + "Bytes]", "  LIST_movi[40Bytes]",
                           "    00dc[3Bytes]", "    00dc[5Bytes]", "    01wb[2Bytes]", "  LIST_odd [14Bytes]",
                           "    abcd[1Bytes]", "  idx1[0Bytes]"}));
}

TEST(RiffPadBytes, MissingPadIsNotSkipped) {
    // Defect: the writer left out the pad byte after the 3-byte chunk, so the
    // next header starts right after its data with a byte that is not zero.
    Bytes body = Bytes::Chunk("aaaa", Bytes().fill(3), /*pad=*/false).append(Leaf("bbbb", 2));
    EXPECT_EQ(Riff(Form("WAVE", body)), (L{"RIFF_WAVE[25Bytes]", "  aaaa[3Bytes]", "  bbbb[2Bytes]"}));
}

TEST(RiffPadBytes, OddListIsFollowedByItsPad) {
    // An odd-sized LIST (its last child is odd and unpadded inside it) is padded after it.
    Bytes list = Bytes::List("lst1", Bytes::Chunk("aaaa", Bytes().fill(1), false));
    Bytes body = list.append(Bytes().raw({0})).append(Leaf("next", 2));
    EXPECT_EQ(Riff(Form("AVI ", body)),
              (L{"RIFF_AVI [36Bytes]", "  LIST_lst1[13Bytes]", "    aaaa[1Bytes]", "  next[2Bytes]"}));
}

TEST(RiffSizes, NegativeSizeEndsItsListButIsShown) {
    // Defect (streamed file): the movi list and a chunk inside it carry FF FF FF FF.
    Bytes movi = Leaf("00dc", 4).append(Bytes().code("00dc").le32(0xFFFFFFFF).fill(6));
    Bytes body = Bytes::List("hdrl", Leaf("avih", 4)).append(Bytes::List("movi", movi)).append(Leaf("idx1", 4));
    EXPECT_EQ(Riff(Form("AVI ", body)),
              (L{"RIFF_AVI [78Bytes]", "  LIST_hdrl[16Bytes]", "    avih[4Bytes]", "  LIST_movi[30Bytes]",
                 "    00dc[4Bytes]", "    00dc[-1Bytes]", "  idx1[4Bytes]"}));

    // A LIST of negative size keeps its type and ends its own list.
    Bytes streamed = Bytes().code("RIFF").le32(0xFFFFFFFF).code("AVI ")
                         .append(Bytes::List("hdrl", Leaf("avih", 4)))
                         .append(Bytes().code("LIST").le32(0xFFFFFFFF).code("movi"))
                         .append(Leaf("00dc", 4));
    EXPECT_EQ(Riff(streamed), (L{"RIFF_AVI [-1Bytes]", "  LIST_hdrl[16Bytes]", "    avih[4Bytes]",
                                 "  LIST_movi[-1Bytes]"}));
}

TEST(RiffSizes, StreamedWaveShowsItsChunks) {
    // Defect (written to a pipe): RIFF and data sizes are FF FF FF FF.
    Bytes wave = Bytes().code("RIFF").le32(0xFFFFFFFF).code("WAVE").append(Leaf("fmt ", 16))
                     .append(Bytes().code("data").le32(0xFFFFFFFF).fill(100, 0x40));
    EXPECT_EQ(Riff(wave), (L{"RIFF_WAVE[-1Bytes]", "  fmt [16Bytes]", "  data[-1Bytes]"}));
}

TEST(RiffSizes, OvershootingLeafIsLastOfItsList) {
    // Defect: the 00dc chunk claims 100 bytes, but its LIST has 12 left.
    Bytes movi = Leaf("00dc", 4).append(Bytes().code("00dc").le32(100).fill(4));
    Bytes body = Bytes::List("movi", movi).append(Leaf("idx1", 4));
    EXPECT_EQ(Riff(Form("AVI ", body)),
              (L{"RIFF_AVI [52Bytes]", "  LIST_movi[28Bytes]", "    00dc[4Bytes]", "    00dc[100Bytes]", "  idx1[4Bytes]"}));
}

TEST(RiffSizes, TinyLeavesAreWalkedPast) {
    // Leaves of declared size 0 to 3 that fit: the next header follows each one's declared end (and pad).
    Bytes body = Leaf("aaaa", 0).append(Leaf("bbbb", 1)).append(Leaf("cccc", 2)).append(Leaf("dddd", 3)).append(Leaf("eeee", 4));
    EXPECT_EQ(Riff(Form("WAVE", body)), (L{"RIFF_WAVE[56Bytes]", "  aaaa[0Bytes]", "  bbbb[1Bytes]", "  cccc[2Bytes]",
                                           "  dddd[3Bytes]", "  eeee[4Bytes]"}));
}

TEST(RiffSizes, ListTooSmallForItsType) {
    // Defect: LIST chunks of declared size 0 and 1 cannot hold their 4-byte
    // type; the label shows the 4 bytes after the size field all the same, and
    // the walk goes on from each one's declared end (plus pad).
    // LIST_next ends after its size field, so its "type" is read again as
    // the next header; LIST_x ends one byte into its type, and the second
    // type byte (zero) is its pad.
    Bytes body = Bytes().code("LIST").le32(0).code("next").le32(0)
                     .code("LIST").le32(1).raw({'x', 0}).code("abcd").le32(2).fill(2);
    EXPECT_EQ(Riff(Form("AVI ", body)),
              (L{"RIFF_AVI [40Bytes]", "  LIST_next[0Bytes]", "  next[0Bytes]", "  LIST_x[1Bytes]", "  abcd[2Bytes]"}));
}

TEST(RiffSizes, OvershootingListReadsPastItsParent) {
    // Defect: LIST_b claims 40 bytes, its parent LIST_a has 12 left. Its
    // children are read with its own claimed size, past the end of LIST_a, so
    // the chunk after LIST_a shows up among them.
    Bytes a = Bytes::List("a   ", Bytes().code("LIST").le32(40).code("b   "));
    Bytes body = a.append(Leaf("cccc", 4)).append(Leaf("dddd", 4));
    EXPECT_EQ(Riff(Form("AVI ", body)),
              (L{"RIFF_AVI [52Bytes]", "  LIST_a   [16Bytes]", "    LIST_b   [40Bytes]", "      cccc[4Bytes]", "      dddd[4Bytes]"}));
}

TEST(RiffSizes, ShortHeadersEndTheList) {
    // Defect: the file ends 5 bytes into a header, then 2 bytes into a LIST type.
    EXPECT_EQ(Riff(Form("WAVE", Leaf("fmt ", 2).code("dat"))), (L{"RIFF_WAVE[17Bytes]", "  fmt [2Bytes]"}));
    EXPECT_EQ(Riff(Form("AVI ", Leaf("avih", 2).code("LIST").le32(4).code("mo"))), (L{"RIFF_AVI [24Bytes]", "  avih[2Bytes]"}));
}

TEST(RiffSizes, NarrowFilesWrapTheSpanCountLikeThirtyTwoBits) {
    // Defect: a chunk of size 0x7FFFFFFF in a span of 6 bytes. 6 - size - 8
    // wraps around to a positive count, so the walk goes on (and finds the end).
    Bytes b = Bytes().code("RIFF").le32(10).code("AVI ").code("abcd").le32(0x7FFFFFFF).fill(8);
    EXPECT_EQ(Riff(b), (L{"RIFF_AVI [10Bytes]", "  abcd[2147483647Bytes]"}));
}

TEST(RiffOpenDml, FurtherRiffChunksAreTopLevelItems) {
    Bytes first = Form("AVI ", Bytes::List("movi", Leaf("00dc", 5)));
    Bytes second = Form("AVIX", Bytes::List("movi", Leaf("00dc", 3).append(Leaf("01wb", 2))));
    Bytes third = Form("AVIX", Bytes());
    Bytes file = Bytes().append(first).append(second).append(third).append(Leaf("junk", 4));
    EXPECT_EQ(Riff(file), (L{"RIFF_AVI [30Bytes]", "  LIST_movi[18Bytes]", "    00dc[5Bytes]", "RIFF_AVIX[38Bytes]",
                             "  LIST_movi[26Bytes]", "    00dc[3Bytes]", "    01wb[2Bytes]", "RIFF_AVIX[4Bytes]"}));

    // An odd-sized root is followed by its pad before the next RIFF.
    Bytes odd = Bytes().code("RIFF").le32(13).code("AVI ").append(Bytes::Chunk("abcd", Bytes().raw({7}), false))
                    .raw({0}).append(third);
    EXPECT_EQ(Riff(odd), (L{"RIFF_AVI [13Bytes]", "  abcd[1Bytes]", "RIFF_AVIX[4Bytes]"}));
}

TEST(RiffDepth, DeepNestingStopsAt256Levels) {
    // Defect: 100,000 LISTs, each the only child of the one before.
    const int levels = 100000;
    std::string file(static_cast<size_t>(levels) * 12 + 12, '\0');
    auto put = [&](size_t at, const char* code, uint32_t size) {
        std::memcpy(&file[at], code, 4);
        for (int i = 0; i < 4; ++i) file[at + 4 + i] = static_cast<char>(size >> (8 * i));
    };
    put(0, "RIFF", static_cast<uint32_t>(levels) * 12 + 4);
    std::memcpy(&file[8], "AVI ", 4);
    for (int i = 0; i < levels; ++i) {
        const size_t at = 12 + static_cast<size_t>(i) * 12;
        put(at, "LIST", static_cast<uint32_t>(levels - i) * 12 - 8);
        std::memcpy(&file[at + 8], "deep", 4);
    }
    const L lines = LinesOf(riff::Analyze, file);
    ASSERT_EQ(lines.size(), 1u + riff::kMaxDepth);
    EXPECT_EQ(lines.back(), std::string(2 * riff::kMaxDepth, ' ') + "LIST_deep[" +
                                std::to_string((levels - riff::kMaxDepth + 1) * 12 - 8) + "Bytes]");
}

TEST(RiffWide, SixGibSparseFileUsesSixtyFourBitPositions) {
    // A 6 GiB AVI in OpenDML form: RIFF AVI of 4 GiB - 2 bytes whose movi
    // ends with a chunk at 4 GiB - 44, then RIFF AVIX at 4 GiB + 6.
    TempFile f;
    const uint32_t firstSize = 0xFFFFFFFE;
    f.WriteAt(0, Bytes().code("RIFF").le32(firstSize).code("AVI ").code("LIST").le32(0xFFFFFFF2).code("movi")
                     .code("00dc").le32(0xFFFFFFB4).str());
    f.WriteAt(0xFFFFFFD4LL, Bytes().code("01wb").le32(42).str());  // fills movi to its end
    const long long second = 8LL + firstSize;  // 4 GiB + 6
    f.WriteAt(second, Bytes().code("RIFF").le32(0x7FFFFFF0).code("AVIX").code("LIST").le32(0x7FFFFFE4).code("movi")
                          .code("00dc").le32(0x80000000).str());
    f.Truncate(6LL << 30);
    Analysis a = AnalyzePath(f.path(), riff::Analyze);
    EXPECT_EQ(Lines(a), (L{"RIFF_AVI [4294967294Bytes]", "  LIST_movi[4294967282Bytes]", "    00dc[4294967220Bytes]",
                           "    01wb[42Bytes]", "RIFF_AVIX[2147483632Bytes]", "  LIST_movi[2147483620Bytes]",
                           "    00dc[2147483648Bytes]"}));
    ASSERT_TRUE(a.ok());
    EXPECT_EQ(a.tree->root->next->offset, second);
}

#ifndef _WIN32  // Windows has tests of its own names and devices (windows_paths_test.cpp)
TEST(RiffPaths, EverythingButARegularReadableFileCannotBeOpened) {
    const L cannotOpen{Failed(Reason::kCannotOpen)[0]};
    EXPECT_EQ(Lines(AnalyzePath("", riff::Analyze)), Failed(Reason::kEmptyPath));
    EXPECT_EQ(Lines(AnalyzePath("/nonexistent/clock.avi", riff::Analyze)), cannotOpen);
    EXPECT_EQ(Lines(AnalyzePath("/tmp", riff::Analyze)), cannotOpen);
    EXPECT_EQ(Lines(AnalyzePath("/dev/zero", riff::Analyze)), cannotOpen);

    TempFile fifo;
    unlink(fifo.path().c_str());
    ASSERT_EQ(mkfifo(fifo.path().c_str(), 0600), 0);
    EXPECT_EQ(Lines(AnalyzePath(fifo.path(), riff::Analyze)), cannotOpen);  // must not block

    TempFile link;
    unlink(link.path().c_str());
    ASSERT_EQ(symlink("/nonexistent/target", link.path().c_str()), 0);
    EXPECT_EQ(Lines(AnalyzePath(link.path(), riff::Analyze)), cannotOpen);

    TempFile locked(Form("WAVE", Bytes()).str());
    ASSERT_EQ(chmod(locked.path().c_str(), 0), 0);
    EXPECT_EQ(Lines(AnalyzePath(locked.path(), riff::Analyze)), cannotOpen);
}

TEST(RiffPaths, UnicodeNamesOpen) {
    const std::string dir = "/tmp/viewer-test-目录-каталог-🎞";
    mkdir(dir.c_str(), 0700);
    const std::string path = dir + "/样本 файл 🎬.wav";
    {
        FILE* f = fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        const std::string bytes = Form("WAVE", Leaf("data", 2)).str();
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    EXPECT_EQ(Lines(AnalyzePath(path, riff::Analyze)), (L{"RIFF_WAVE[14Bytes]", "  data[2Bytes]"}));
    unlink(path.c_str());
    rmdir(dir.c_str());
}
#endif

TEST(RiffPaths, FileAndMemoryGiveTheSameTree) {
    Bytes avi = Form("AVI ", Bytes::List("movi", Leaf("00dc", 7).append(Leaf("00dc", 3000))).append(Leaf("idx1", 16)));
    TempFile f(avi.str());
    EXPECT_EQ(Lines(AnalyzePath(f.path(), riff::Analyze)), Riff(avi));
}

}  // namespace

namespace {

TEST(RiffOpenDml, FurtherRiffChunksAreNotReadTwice) {
    // Defect (crafted): every RIFF chunk holds a LIST claiming 2 GiB, so the
    // first LIST's walk already shows all the chunks after it. They are not
    // walked again as further top-level items: the tree stays one item per
    // 24 bytes instead of growing with the square of the file's size.
    Bytes unit = Bytes().code("RIFF").le32(16).code("AVI ").code("LIST").le32(0x7FFFFFF0).code("xxxx");
    Bytes file;
    for (int i = 0; i < 4096; ++i) file.append(unit);
    ByteSource src(file.data(), file.size());
    Analysis a = riff::Analyze(src);
    ASSERT_TRUE(a.ok());
    EXPECT_EQ(a.tree->NodeCount(), 2u + 4095u);
    EXPECT_EQ(a.tree->root->next, nullptr);
    const L lines = Lines(a);
    EXPECT_EQ(L(lines.begin(), lines.begin() + 4), (L{"RIFF_AVI [16Bytes]", "  LIST_xxxx[2147483632Bytes]",
                                                      "    RIFF[16Bytes]", "    RIFF[16Bytes]"}));
}

}  // namespace
