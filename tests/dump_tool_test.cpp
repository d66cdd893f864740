// tarnwick-dump as a user runs it: output, error text and exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>

#include "test_support.h"

namespace {

struct DumpRun {
    int status;
    std::string out, err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

DumpRun Dump(const std::string& args, const char* program = TARNWICK_DUMP) {
    TempFile out, err;
    const std::string cmd = std::string(program) + " " + args + " >" + out.path() + " 2>" + err.path();
    const int raw = std::system(cmd.c_str());
    return DumpRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out.path()), Slurp(err.path())};
}

TEST(TarnwickDump, PrintsTheBundledSampleInTreeOrder) {
    const DumpRun r = Dump(Quote(std::string(SAMPLE_DIR) + "/sample.avi"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "RIFF_AVI [856Bytes]\n"
              "  LIST_hdrl[192Bytes]\n"
              "    avih[56Bytes]\n"
              "    LIST_strl[116Bytes]\n"
              "      strh[56Bytes]\n"
              "      strf[40Bytes]\n"
              "  LIST_INFO[24Bytes]\n"
              "    ISFT[12Bytes]\n"
              "  LIST_movi[476Bytes]\n"
              "    00dc[40Bytes]\n"
              "    00dc[43Bytes]\n"
              "    00dc[46Bytes]\n"
              "    00dc[49Bytes]\n"
              "    00dc[52Bytes]\n"
              "    00dc[55Bytes]\n"
              "    00dc[58Bytes]\n"
              "    00dc[61Bytes]\n"
              "  idx1[128Bytes]\n");
}

TEST(TarnwickDump, JsonKeepsEveryLabelByte) {
    // Labels with a quote, a backslash, a control byte and a byte above 0x7F.
    Bytes body = Bytes::Chunk("a\"b\\", Bytes().fill(2)).append(Bytes::Chunk("\x01\xA9xy", Bytes()));
    TempFile f(Bytes::List("WAVE", body, "RIFF").str());
    const DumpRun text = Dump(Quote(f.path()));
    EXPECT_EQ(text.out, "RIFF_WAVE[22Bytes]\n  a\"b\\[2Bytes]\n  \x01\xA9xy[0Bytes]\n");
    const DumpRun json = Dump("--json " + Quote(f.path()));
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out,
              "[{\"label\":\"RIFF_WAVE\",\"size\":22,\"offset\":0,\"children\":["
              "{\"label\":\"a\\\"b\\\\\",\"size\":2,\"offset\":12,\"children\":[]},"
              "{\"label\":\"\\u0001\\u00A9xy\",\"size\":0,\"offset\":22,\"children\":[]}]}]\n");
}

TEST(TarnwickDump, FailuresGoToStandardErrorWithStatusOne) {
    const DumpRun missing = Dump("/nonexistent/clock.avi");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, std::string(ReasonText(Reason::kCannotOpen)) + "\n");

    TempFile notRiff(Bytes().code("RIFX").le32(4).code("WAVE").str());
    const DumpRun wrong = Dump("--json " + Quote(notRiff.path()));
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err, std::string(ReasonText(Reason::kNotRiff)) + "\n");

    const DumpRun empty = Dump("''");
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, std::string(ReasonText(Reason::kEmptyPath)) + "\n");
}

TEST(TarnwickDump, UsageErrorsExitWithTwo) {
    for (const char* args : {"", "a b", "--bogus x", "--json"}) {
        const DumpRun r = Dump(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_NE(r.err.find("usage: tarnwick-dump"), std::string::npos) << args;
    }
}

TEST(QuellbyDump, PrintsAtomsAndFailsLikeTarnwickDump) {
    Bytes mp4 = Bytes::Atom("ftyp", Bytes().code("isom").le32(0))
                    .append(Bytes::Atom("moov", Bytes::Atom("mvhd", Bytes().fill(100))))
                    .append(Bytes::Atom("mdat", Bytes().fill(3)));
    TempFile f(mp4.str());
    const DumpRun text = Dump(Quote(f.path()), QUELLBY_DUMP);
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out, "TOP[143Bytes]\n  ftyp[16Bytes]\n  moov[116Bytes]\n    mvhd[108Bytes]\n  mdat[11Bytes]\n");
    const DumpRun json = Dump("--json " + Quote(f.path()), QUELLBY_DUMP);
    EXPECT_EQ(json.out,
              "[{\"label\":\"TOP\",\"size\":143,\"offset\":0,\"children\":["
              "{\"label\":\"ftyp\",\"size\":16,\"offset\":0,\"children\":[]},"
              "{\"label\":\"moov\",\"size\":116,\"offset\":16,\"children\":["
              "{\"label\":\"mvhd\",\"size\":108,\"offset\":24,\"children\":[]}]},"
              "{\"label\":\"mdat\",\"size\":11,\"offset\":132,\"children\":[]}]}]\n");

    const DumpRun dir = Dump("/tmp", QUELLBY_DUMP);
    EXPECT_EQ(dir.status, 1);
    EXPECT_EQ(dir.out, "");
    EXPECT_EQ(dir.err, std::string(ReasonText(Reason::kCannotOpen)) + "\n");
    const DumpRun usage = Dump("", QUELLBY_DUMP);
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.err.find("usage: quellby-dump"), std::string::npos);
}

}  // namespace
