// The node record, its label text and the byte source under the walks.
#include <gtest/gtest.h>

#include <climits>

#include "decimal.h"
#include "test_support.h"
#include "utf16.h"

namespace {

ChunkNode Node(const char* label, int64_t size) {
    ChunkNode n{};
    std::strncpy(n.label, label, sizeof n.label - 1);
    n.size = size;
    return n;
}

TEST(LabelText, FormatsNameAndSignedSize) {
    EXPECT_EQ(LabelText(Node("LIST_movi", 400)), "LIST_movi[400Bytes]");
    EXPECT_EQ(LabelText(Node("moov", 150)), "moov[150Bytes]");
    EXPECT_EQ(LabelText(Node("TOP", 999)), "TOP[999Bytes]");
    EXPECT_EQ(LabelText(Node("RIFF_AVI ", 0)), "RIFF_AVI [0Bytes]");
    EXPECT_EQ(LabelText(Node("data", -1)), "data[-1Bytes]");
    EXPECT_EQ(LabelText(Node("x", INT32_MIN)), "x[-2147483648Bytes]");
    EXPECT_EQ(LabelText(Node("x", 4294967295LL)), "x[4294967295Bytes]");
    EXPECT_EQ(LabelText(Node("mdat", INT64_MAX)), "mdat[9223372036854775807Bytes]");
    EXPECT_EQ(LabelText(Node("mdat", INT64_MIN)), "mdat[-9223372036854775808Bytes]");
    EXPECT_EQ(LabelText(Node("", 3)), "[3Bytes]");

    // A label filled to its last byte without a terminator is cut at its size.
    ChunkNode full{};
    std::memset(full.label, 'a', sizeof full.label);
    full.size = 1;
    EXPECT_EQ(LabelText(full), std::string(sizeof full.label, 'a') + "[1Bytes]");
}

TEST(FormatDecimal, EveryDigitCountAndItsEdges) {
    // The digit count is judged before the digits are written: each power of
    // ten and its neighbours, of either sign, as printf writes them.
    auto format = [](int64_t v) {
        char out[viewer::kDecimalCapacity];
        return std::string(out, viewer::FormatDecimal(v, out));
    };
    std::vector<int64_t> values = {0, INT64_MAX, INT64_MIN, INT64_MIN + 1};
    for (int64_t p = 1;; p *= 10) {
        for (int64_t v : {p - 1, p, p + 1}) values.insert(values.end(), {v, -v});
        if (p > INT64_MAX / 10) break;  // 10^18, the last power below INT64_MAX
    }
    for (int64_t v : values) EXPECT_EQ(format(v), std::to_string(v));
}

TEST(CopyCode, BehavesLikeStrncpyOfFour) {
    char out[8];
    auto copy = [&](const char* code) {
        std::memset(out, 0x55, sizeof out);
        CopyCode(out, reinterpret_cast<const unsigned char*>(code));
        return std::string(out, 5);
    };
    EXPECT_EQ(copy("avih"), std::string("avih\x55", 5));      // exactly 4 bytes, no terminator written
    EXPECT_EQ(copy("ab\0d"), std::string("ab\0\0\x55", 5));   // stops at the NUL and zero-fills
    EXPECT_EQ(copy("\0abc"), std::string("\0\0\0\0\x55", 5));
    EXPECT_EQ(copy("\xA9nam"), std::string("\xA9nam\x55", 5));  // bytes above 0x7F as they are
}

TEST(ChunkTree, NodesAreZeroedKeptAndCompact) {
    ChunkTree tree;
    std::vector<ChunkNode*> nodes;
    for (int i = 0; i < 100000; ++i) {
        ChunkNode* n = tree.NewNode(i * 8);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->label[0], 0);
        EXPECT_EQ(n->size, 0);
        EXPECT_EQ(n->firstChild, nullptr);
        EXPECT_EQ(n->next, nullptr);
        n->size = i;
        nodes.push_back(n);
    }
    for (int i = 0; i < 100000; i += 997) {  // earlier blocks never move
        EXPECT_EQ(nodes[i]->size, i);
        EXPECT_EQ(nodes[i]->offset, i * 8);
    }
    EXPECT_EQ(tree.NodeCount(), 100000u);
    // A second block is under way: its storage is counted in huge pages.
    const size_t second = (100000u - ChunkTree::kNodesPerBlock) * sizeof(ChunkNode);
    EXPECT_EQ(tree.BytesInUse(), (size_t{4} << 20) + (second + (2u << 20) - 1) / (2u << 20) * (2u << 20));

    // A tree within its first block is counted in single pages.
    ChunkTree small;
    for (int i = 0; i < 1000; ++i) ASSERT_NE(small.NewNode(i), nullptr);
    EXPECT_EQ(small.BytesInUse(), (1000u * sizeof(ChunkNode) + 4095) / 4096 * 4096);
}

TEST(ByteSource, ShortReadsAndRelativeMovesOverMemory) {
    const std::string data = "0123456789";
    ByteSource src(data.data(), data.size());
    char buf[16] = {};
    EXPECT_EQ(src.Length(), 10);
    EXPECT_EQ(src.Read(buf, 4), 4u);
    EXPECT_EQ(std::string(buf, 4), "0123");
    src.Skip(-2);
    EXPECT_EQ(src.Tell(), 2);
    src.Skip(-3);  // before the start: refused, position kept
    EXPECT_EQ(src.Tell(), 2);
    src.Skip(5);
    EXPECT_EQ(src.Read(buf, 8), 3u);  // only "789" is left
    EXPECT_EQ(std::string(buf, 3), "789");
    src.Skip(100);
    EXPECT_EQ(src.Read(buf, 1), 0u);
    src.Skip(INT64_MAX);  // saturates instead of overflowing
    EXPECT_EQ(src.Tell(), INT64_MAX);
    src.Skip(INT64_MAX);
    EXPECT_EQ(src.Read(buf, 1), 0u);
    src.Seek(9);
    EXPECT_EQ(src.Read(buf, 1), 1u);
    EXPECT_EQ(buf[0], '9');
}

TEST(ByteSource, FileReadsAcrossBufferEdgesAndJumps) {
    std::string data(1 << 20, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + (i >> 8));
    TempFile f(data);
    auto src = ByteSource::OpenFile(f.path());
    ASSERT_TRUE(src);
    EXPECT_EQ(src->Length(), 1 << 20);
    std::string got(data.size(), '\0');
    // Reads of odd lengths with small moves back and forth cover every byte.
    size_t pos = 0;
    while (pos < data.size()) {
        const size_t n = std::min<size_t>(13, data.size() - pos);
        ASSERT_EQ(src->Read(&got[pos], n), n);
        src->Skip(-5);
        src->Skip(5);
        pos += n;
    }
    EXPECT_EQ(got, data);
    // Far jumps land on the right bytes; relative moves inside the buffer cost no reads.
    for (int64_t at : {int64_t{1000000}, int64_t{5}, int64_t{700001}, int64_t{1048575}}) {
        src->Seek(at);
        char c;
        ASSERT_EQ(src->Read(&c, 1), 1u);
        EXPECT_EQ(c, data[at]) << at;
    }
    src->Seek(4096);
    char c;
    ASSERT_EQ(src->Read(&c, 1), 1u);
    const uint64_t before = src->SystemReads();
    for (int64_t step : {int64_t{100}, int64_t{-50}, int64_t{900}, int64_t{-1}}) {
        src->Skip(step);
        ASSERT_EQ(src->Read(&c, 1), 1u);
        EXPECT_EQ(c, data[src->Tell() - 1]);
    }
    EXPECT_EQ(src->SystemReads(), before);
    src->Seek(1 << 20);
    EXPECT_EQ(src->Read(&c, 1), 0u);
}

TEST(ByteSource, FileThatGrowsAfterOpeningIsReadToItsNewEnd) {
    TempFile f("abc");
    auto src = ByteSource::OpenFile(f.path());
    ASSERT_TRUE(src);
    f.WriteAt(3, "defgh");
    char buf[8];
    EXPECT_EQ(src->Length(), 3);  // the length was judged at opening
    EXPECT_EQ(src->Read(buf, 8), 8u);
    EXPECT_EQ(std::string(buf, 8), "abcdefgh");
}

}  // namespace

namespace {

TEST(DumpFormats, SignedSizesAndDeepIndentation) {
    ChunkTree tree;
    ChunkNode* root = tree.NewNode(0);
    std::memcpy(root->label, "TOP", 3);
    root->size = INT64_MAX;
    ChunkNode* a = tree.NewNode(6442450944LL);
    std::memcpy(a->label, "mdat", 4);
    a->size = -1;
    ChunkNode* b = tree.NewNode(8);
    std::memcpy(b->label, "free", 4);
    b->size = INT64_MIN;
    root->firstChild = a;
    a->firstChild = b;
    tree.root = root;
    EXPECT_EQ(DumpText(tree), "TOP[9223372036854775807Bytes]\n  mdat[-1Bytes]\n    free[-9223372036854775808Bytes]\n");
    EXPECT_EQ(DumpJson(tree),
              "[{\"label\":\"TOP\",\"size\":9223372036854775807,\"offset\":0,\"header\":0,\"children\":["
              "{\"label\":\"mdat\",\"size\":-1,\"offset\":6442450944,\"header\":0,\"children\":["
              "{\"label\":\"free\",\"size\":-9223372036854775808,\"offset\":8,\"header\":0,\"children\":[]}]}]}]\n");
}

TEST(DumpFormats, LabelsEscapedWhereverTheByteIs) {
    // A byte to escape first, in the middle, in the last byte of a label
    // that fills all its bytes, and none in another such label; '/' and ':'
    // in --check's path at the end and between.
    ChunkTree tree;
    auto node = [&](std::string_view label) {
        ChunkNode* n = tree.NewNode(0);
        std::memcpy(n->label, label.data(), label.size());
        return n;
    };
    using namespace std::string_view_literals;
    ChunkNode* last = tree.root = node("R:");
    last = last->firstChild = node("\\abc");
    for (std::string_view label : {"ab\x01" "cd"sv, "abcdefghij\x7f"sv, "abcdefghij\""sv, "abcdefghijk"sv, "a/b:"sv})
        last = last->next = node(label);
    last->anomalies = viewer::kMissingPad;
    EXPECT_EQ(DumpText(tree),
              "R:[0Bytes]\n  \\\\abc[0Bytes]\n  ab\\x01cd[0Bytes]\n  abcdefghij\\x7f[0Bytes]\n"
              "  abcdefghij\"[0Bytes]\n  abcdefghijk[0Bytes]\n  a/b:[0Bytes]\n");
    auto object = [](const std::string& label, const std::string& hints = "") {
        return "{\"label\":\"" + label + "\",\"size\":0,\"offset\":0,\"header\":0" + hints + ",\"children\":[";
    };
    EXPECT_EQ(DumpJson(tree), "[" + object("R:") + object("\\\\abc") + "]}," + object("ab\\u0001cd") + "]}," +
                                  object("abcdefghij\\u007F") + "]}," + object("abcdefghij\\\"") + "]}," +
                                  object("abcdefghijk") + "]}," +
                                  object("a/b:", ",\"anomalies\":[{\"kind\":\"missing-pad\"}]") + "]}]}]\n");
    EXPECT_EQ(DumpCheck(tree), "0 R\\x3a/a\\x2fb\\x3a: missing-pad: odd size, and no pad byte follows\n");
}

TEST(DumpFormats, SiblingsAfterClimbingAndTreesDeeperThanAnyStack) {
    ChunkTree tree;
    auto node = [&](const char* label, int64_t offset) {
        ChunkNode* n = tree.NewNode(offset);
        std::memcpy(n->label, label, std::strlen(label));
        return n;
    };
    // RIFF{LIST{a}, b}, RIFF: a sibling after the climb out of two levels.
    ChunkNode* r1 = node("R1", 0);
    ChunkNode* l = node("L", 12);
    l->firstChild = node("a", 24);
    l->next = node("b", 40);
    r1->firstChild = l;
    r1->next = node("R2", 60);
    tree.root = r1;
    EXPECT_EQ(DumpText(tree), "R1[0Bytes]\n  L[0Bytes]\n    a[0Bytes]\n  b[0Bytes]\nR2[0Bytes]\n");
    EXPECT_EQ(DumpJson(tree),
              "[{\"label\":\"R1\",\"size\":0,\"offset\":0,\"header\":0,\"children\":["
              "{\"label\":\"L\",\"size\":0,\"offset\":12,\"header\":0,\"children\":["
              "{\"label\":\"a\",\"size\":0,\"offset\":24,\"header\":0,\"children\":[]}]},"
              "{\"label\":\"b\",\"size\":0,\"offset\":40,\"header\":0,\"children\":[]}]},"
              "{\"label\":\"R2\",\"size\":0,\"offset\":60,\"header\":0,\"children\":[]}]\n");

    // A chain built by hand far past the walks' nesting bound (JSON: the
    // text form would indent it quadratically).
    ChunkTree deep;
    ChunkNode* parent = deep.root = deep.NewNode(0);
    for (int i = 1; i < 200000; ++i) parent = parent->firstChild = deep.NewNode(i);
    std::string closing;
    for (int i = 0; i < 200000; ++i) closing += "]}";
    const std::string json = DumpJson(deep);
    EXPECT_EQ(std::count(json.begin(), json.end(), '{'), 200000);
    EXPECT_EQ(json.substr(json.size() - closing.size() - 2), closing + "]\n");

    // Text longer than the output's first buffer (its indentation alone
    // about 1.2 MB), kept whole: every line as it was written.
    ChunkTree chain;
    std::string expected;
    parent = chain.root = chain.NewNode(0);
    for (int i = 0; i < 1100; ++i) {
        if (i) parent = parent->firstChild = chain.NewNode(i);
        parent->label[0] = 'x';
        parent->size = i;
        expected += std::string(2 * i, ' ') + "x[" + std::to_string(i) + "Bytes]\n";
    }
    EXPECT_EQ(DumpText(chain), expected);
}

TEST(Reasons, EachHasTheTextTheUserIsShown) {
    EXPECT_STREQ(ReasonText(Reason::kEmptyPath), "文件路径为空！");
    EXPECT_STREQ(ReasonText(Reason::kCannotOpen), "无法打开文件，文件被占用或路径错误！");
    EXPECT_STREQ(ReasonText(Reason::kTooSmall), "打开文件错误，文件过小或无法读取！");
    EXPECT_STREQ(ReasonText(Reason::kNotRiff), "不是正确的RIFF文件！");
    EXPECT_STREQ(ReasonText(Reason::kOutOfMemory), "内存不足，无法完成分析！");
}

TEST(Utf16, FileNamesGoBothWaysAndBrokenUtf8IsRefused) {
    std::u16string wide;
    ASSERT_TRUE(Utf8ToUtf16("a/电影 🎥.mp4", &wide));
    EXPECT_EQ(wide, u"a/电影 🎥.mp4");
    EXPECT_EQ(Utf16ToUtf8(wide), "a/电影 🎥.mp4");
    // A lone surrogate (Windows allows it in names) survives the round trip.
    const std::u16string lone{u'x', char16_t(0xD800), u'y', char16_t(0xDFFF)};
    ASSERT_TRUE(Utf8ToUtf16(Utf16ToUtf8(lone), &wide));
    EXPECT_EQ(wide, lone);
    // Defects: cut sequence, stray continuation byte, overlong NUL, past U+10FFFF, 5-byte lead.
    for (const char* bad : {"\xE7\x94", "a\x80", "\xC0\x80", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80"}) {
        wide = u"kept";
        EXPECT_FALSE(Utf8ToUtf16(bad, &wide)) << bad;
        EXPECT_EQ(wide, u"kept");
    }
}

}  // namespace
