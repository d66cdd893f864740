// The decoders of well-known chunks, on files built byte by byte: the exact
// fields of each, and what a short or odd one gives.
#include <gtest/gtest.h>

#include <cerrno>

#include "fields_support.h"
#include "read_failure_test_hooks.h"
#include "riff_analysis.h"

namespace {

using L = std::vector<std::string>;

L operator+(L a, const L& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

L Lines(const Bytes& file, const std::string& path, bool known = true) {
    const Decoded d = DecodeAt(riff::Analyze, file.str(), path);
    EXPECT_EQ(d.known, known) << path;
    return d.lines;
}

Bytes MainHeader(uint32_t usPerFrame) {
    return Bytes().le32(usPerFrame).le32(250000).le32(0).le32(0x910).le32(50).le32(0).le32(2).le32(65536)
        .le32(320).le32(240).fill(16);
}
Bytes StreamHeader(std::string_view type, uint32_t scale, uint32_t rate, uint32_t length) {
    return Bytes().code(type).code("H264").le32(0x1).le16(0).le16(9).le32(0).le32(scale).le32(rate).le32(0)
        .le32(length).le32(4096).le32(0xFFFFFFFF).le32(0).le16(0).le16(0).le16(320).le16(0xFFF0);
}
Bytes Avi(const Bytes& avih, const Bytes& strl, const Bytes& after = Bytes()) {
    return Form("AVI ",
                Bytes::List("hdrl", Bytes::Chunk("avih", avih).append(Bytes::List("strl", strl))).append(after));
}
Bytes Cut(const Bytes& b, size_t n) { return Bytes().code(std::string_view(b.str()).substr(0, n)); }
Bytes Pcm16(uint16_t tag = 1) { return Bytes().le16(tag).le16(2).le32(44100).le32(176400).le16(4).le16(16); }

TEST(RiffFields, AviHeaders) {
    const Bytes avi = Avi(MainHeader(40000), Bytes::Chunk("strh", StreamHeader("vids", 1, 25, 50)));
    EXPECT_EQ(Lines(avi, "RIFF_AVI /LIST_hdrl/avih"),
              (L{"dwMicroSecPerFrame us 40000", "1000000/dwMicroSecPerFrame fps 1000000/40000",
                 "dwMaxBytesPerSec bytes/s 250000", "dwPaddingGranularity bytes 0",
                 "dwFlags hex 2320 'HASINDEX ISINTERLEAVED TRUSTCKTYPE'", "dwTotalFrames int 50",
                 "dwInitialFrames int 0", "dwStreams int 2", "dwSuggestedBufferSize bytes 65536",
                 "dwWidth x dwHeight size 320/240"}));
    EXPECT_EQ(Lines(avi, "RIFF_AVI /LIST_hdrl/LIST_strl/strh"),
              (L{"fccType code 'vids'", "fccHandler code 'H264'", "dwFlags hex 1 'DISABLED'", "wPriority int 0",
                 "wLanguage int 9", "dwInitialFrames int 0", "dwRate/dwScale fps 25/1", "dwStart int 0",
                 "dwLength int 50", "dwLength*dwScale/dwRate duration 50/25", "dwSuggestedBufferSize bytes 4096",
                 "dwQuality int -1", "dwSampleSize bytes 0", "rcFrame.left int 0", "rcFrame.top int 0",
                 "rcFrame.right int 320", "rcFrame.bottom int -16"}));
}

TEST(RiffFields, AviHeadersShortOrHostile) {
    // avih cut inside dwHeight; a frame time of zero implies no rate.
    EXPECT_EQ(Lines(Avi(Cut(MainHeader(0), 38), Bytes()), "RIFF_AVI /LIST_hdrl/avih"),
              (L{"dwMicroSecPerFrame us 0", "dwMaxBytesPerSec bytes/s 250000", "dwPaddingGranularity bytes 0",
                 "dwFlags hex 2320 'HASINDEX ISINTERLEAVED TRUSTCKTYPE'", "dwTotalFrames int 50",
                 "dwInitialFrames int 0", "dwStreams int 2", "dwSuggestedBufferSize bytes 65536", "! too-short"}));
    auto strh = [](const Bytes& body) {
        return Lines(Avi(MainHeader(1), Bytes::Chunk("strh", body)), "RIFF_AVI /LIST_hdrl/LIST_strl/strh");
    };
    const L head = {"fccType code 'auds'", "fccHandler code 'H264'", "dwFlags hex 1 'DISABLED'", "wPriority int 0",
                    "wLanguage int 9", "dwInitialFrames int 0"};
    const L tail = {"dwStart int 0", "dwLength int 4294967295", "dwSuggestedBufferSize bytes 4096", "dwQuality int -1",
                    "dwSampleSize bytes 0"};
    // dwScale 0: no rate, no duration; 48 bytes: no rcFrame, which is optional.
    EXPECT_EQ(strh(Cut(StreamHeader("auds", 0, 44100, 0xFFFFFFFF), 48)),
              (head + L{"dwScale int 0", "dwRate int 44100"} + tail));
    // dwLength × dwScale passes 63 bits: the duration is left out.
    EXPECT_EQ(strh(Cut(StreamHeader("auds", 0xFFFFFFFF, 1, 0xFFFFFFFF), 48)),
              (head + L{"dwRate/dwScale rate 1/4294967295"} + tail));
    // Cut after dwScale: no rate without dwRate.
    EXPECT_EQ(strh(Cut(StreamHeader("auds", 1, 25, 9), 24)), (head + L{"dwScale int 1", "! too-short"}));
}

TEST(RiffFields, StreamFormatTakesItsKindFromTheStreamHeader) {
    const Bytes bitmap = Bytes().le32(40).le32(320).le32(uint32_t(-240)).le16(1).le16(24).code("H264").le32(230400)
                             .le32(0).le32(0).le32(7).le32(0);
    auto strl = [](std::string_view type, const Bytes& strf) {
        return Avi(MainHeader(1),
                   Bytes::Chunk("strh", StreamHeader(type, 1, 25, 9)).append(Bytes::Chunk("strf", strf)));
    };
    const std::string path = "RIFF_AVI /LIST_hdrl/LIST_strl/strf";
    // A negative height: the rows run top-down.
    EXPECT_EQ(Lines(strl("vids", bitmap), path),
              (L{"biSize bytes 40", "biWidth int 320", "biHeight int -240", "biPlanes int 1", "biBitCount int 24",
                 "biCompression code 'H264'", "biSizeImage bytes 230400", "biClrUsed int 7"}));
    // Uncompressed, and cut before biClrUsed.
    Bytes rgb = Bytes().le32(40).le32(2).le32(2).le16(1).le16(32).le32(0).le32(16).fill(10);
    EXPECT_EQ(Lines(strl("vids", rgb), path),
              (L{"biSize bytes 40", "biWidth int 2", "biHeight int 2", "biPlanes int 1", "biBitCount int 32",
                 "biCompression hex 0 'BI_RGB'", "biSizeImage bytes 16", "! too-short"}));
    EXPECT_EQ(Lines(strl("auds", Pcm16(0x55).le16(12)), path),
              (L{"wFormatTag hex 85 'MPEG Layer-3'", "nChannels int 2", "nSamplesPerSec hz 44100",
                 "nAvgBytesPerSec bytes/s 176400", "nBlockAlign bytes 4", "wBitsPerSample int 16", "cbSize bytes 12"}));
    EXPECT_EQ(Lines(strl("txts", bitmap), path, false), L{});  // a kind not decoded
    // No strh before it: nothing tells what it holds.
    EXPECT_EQ(Lines(Avi(MainHeader(1), Bytes::Chunk("strf", bitmap)), path, false), L{});
}

TEST(RiffFields, WaveFormat) {
    auto fmt = [](const Bytes& body) { return Lines(Form("WAVE", Bytes::Chunk("fmt ", body)), "RIFF_WAVE/fmt "); };
    const L rates = {"nChannels int 2", "nSamplesPerSec hz 44100", "nAvgBytesPerSec bytes/s 176400",
                     "nBlockAlign bytes 4"};
    const L pcm = L{"wFormatTag hex 1 'PCM'"} + rates;
    EXPECT_EQ(fmt(Pcm16()), (pcm + L{"wBitsPerSample int 16"}));
    // PCM without wBitsPerSample is too short; another format's WAVEFORMAT is whole at 14 bytes.
    EXPECT_EQ(fmt(Cut(Pcm16(), 14)), (pcm + L{"! too-short"}));
    EXPECT_EQ(fmt(Cut(Pcm16(2), 14)), (L{"wFormatTag hex 2 'ADPCM'"} + rates));
    const Bytes extensible = Pcm16(0xFFFE).le16(22).le16(12).le32(0x3F).le32(3).raw(
        {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    const L ext = L{"wFormatTag hex 65534 'Extensible'"} + rates +
                  L{"wBitsPerSample int 16", "cbSize bytes 22", "wValidBitsPerSample int 12",
                    "dwChannelMask hex 63 'FL FR FC LFE BL BR'"};
    EXPECT_EQ(fmt(extensible),
              (ext + L{"SubFormat text '00000003-0000-0010-8000-00aa00389b71'", "SubFormat tag hex 3 'IEEE float'"}));
    // The SubFormat GUID cut short.
    EXPECT_EQ(fmt(Cut(extensible, 39)), (ext + L{"! too-short"}));
}

TEST(RiffFields, WaveDataAsTime) {
    const Bytes fmt = Bytes::Chunk("fmt ", Pcm16());
    EXPECT_EQ(Lines(Form("WAVE", Bytes(fmt).append(Leaf("data", 88200))), "RIFF_WAVE/data"),
              L{"bytes/nAvgBytesPerSec duration 88200/176400"});
    // Cut short: the file holds 1000 of the 88200 bytes declared.
    Bytes cut = Form("WAVE", Bytes(fmt).append(Leaf("data", 88200)));
    cut = Cut(cut, 12 + fmt.size() + 8 + 1000);
    EXPECT_EQ(Lines(cut, "RIFF_WAVE/data"), (L{"bytes/nAvgBytesPerSec duration 1000/176400", "! too-short"}));
    // No byte rate to measure by: no format, or one of rate 0.
    EXPECT_EQ(Lines(Form("WAVE", Leaf("data", 8)), "RIFF_WAVE/data", false), L{});
    EXPECT_EQ(Lines(Form("WAVE", Bytes::Chunk("fmt ", Zeros(16)).append(Leaf("data", 8))), "RIFF_WAVE/data", false),
              L{});
    EXPECT_EQ(Lines(Form("WAVE", Bytes(fmt).append(Bytes::Chunk("fact", Bytes().le32(22050)))), "RIFF_WAVE/fact"),
              (L{"dwSampleLength int 22050", "dwSampleLength/nSamplesPerSec duration 22050/44100"}));
}

TEST(RiffFields, InfoTextsAndStreamNames) {
    const Bytes info = Bytes::List("INFO", Bytes::Chunk("INAM", Bytes().code("Title").raw({0}).code("junk"))
                                               .append(Bytes::Chunk("ISFT", Bytes().code("Lavf")))  // no NUL
                                               .append(Bytes::Chunk(std::string_view("I\tAM", 4), Bytes().code("x"))));
    const Bytes avi = Avi(MainHeader(1), Bytes::Chunk("strn", Bytes().code("Video").raw({0})), info);
    EXPECT_EQ(Lines(avi, "RIFF_AVI /LIST_INFO/INAM"), L{"INAM text 'Title'"});
    EXPECT_EQ(Lines(avi, "RIFF_AVI /LIST_INFO/ISFT"), L{"ISFT text 'Lavf'"});
    // An identifier that is no name to show.
    EXPECT_EQ(Lines(avi, "RIFF_AVI /LIST_INFO/I\tAM", false), L{});
    EXPECT_EQ(Lines(avi, "RIFF_AVI /LIST_hdrl/LIST_strl/strn"), L{"strn text 'Video'"});
}

TEST(RiffFields, IndexCountsEntriesPastTheReadLimit) {
    Bytes entries;
    for (uint32_t i = 0; i < 1000; ++i) entries.code("00dc").le32(0x10).le32(4 + 8 * i).le32(100);
    const Bytes odml = Bytes::List("odml", Bytes::Chunk("dmlh", Bytes().le32(1234).fill(244)));
    const Bytes avi = Avi(MainHeader(1), Bytes(), Bytes(odml).append(Bytes::Chunk("idx1", entries)));
    EXPECT_EQ(Lines(avi, "RIFF_AVI /idx1"),
              (L{"entries int 1000", "aIndex[0].dwChunkId code '00dc'", "aIndex[0].dwFlags hex 16 'KEYFRAME'",
                 "aIndex[0].dwOffset int 4", "aIndex[0].dwSize bytes 100"}));
    EXPECT_EQ(Lines(avi, "RIFF_AVI /LIST_odml/dmlh"), L{"dwTotalFrames int 1234"});
    // The file ends 20 bytes into the index: one whole entry of the 1000 declared.
    EXPECT_EQ(Lines(Cut(avi, avi.size() - 16000 + 20), "RIFF_AVI /idx1"),
              (L{"entries int 1", "aIndex[0].dwChunkId code '00dc'", "aIndex[0].dwFlags hex 16 'KEYFRAME'",
                 "aIndex[0].dwOffset int 4", "aIndex[0].dwSize bytes 100", "! too-short"}));
    // A size that is no multiple of 16, and too small for one entry.
    EXPECT_EQ(Lines(Avi(MainHeader(1), Bytes(), Leaf("idx1", 15)), "RIFF_AVI /idx1"),
              (L{"entries int 0", "! too-short"}));
}

TEST(RiffFields, CursorAndWebpHeaders) {
    const Bytes anih = Bytes().le32(36).le32(4).le32(6).le32(0).le32(0).le32(0).le32(0).le32(10).le32(3);
    EXPECT_EQ(Lines(Form("ACON", Bytes::Chunk("anih", anih)), "RIFF_ACON/anih"),
              (L{"cbSizeof bytes 36", "cFrames int 4", "cSteps int 6", "cx x cy size 0/0", "cBitCount int 0",
                 "cPlanes int 0", "jifRate duration 10/60", "fl hex 3 'ICON SEQUENCE'"}));
    EXPECT_EQ(Lines(Form("ACON", Bytes::Chunk("anih", Cut(anih, 14))), "RIFF_ACON/anih"),
              (L{"cbSizeof bytes 36", "cFrames int 4", "cSteps int 6", "! too-short"}));

    // Largest canvas: 2^24 on each side.
    const Bytes vp8x = Bytes::Chunk("VP8X", Bytes().raw({0x3E, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x0F, 0, 0}));
    EXPECT_EQ(Lines(Form("WEBP", vp8x), "RIFF_WEBP/VP8X"),
              (L{"flags hex 62 'ICC alpha EXIF XMP animation'", "Canvas Width x Canvas Height size 16777216/16"}));
    EXPECT_EQ(Lines(Form("WEBP", Bytes::Chunk("VP8X", Bytes().raw({0x10, 0, 0, 0, 1}))), "RIFF_WEBP/VP8X"),
              (L{"flags hex 16 'alpha'", "! too-short"}));
    // 400 × 300 with alpha, and a header whose signature is wrong.
    const uint32_t bits = 399 | 299u << 14 | 1u << 28;
    EXPECT_EQ(Lines(Form("WEBP", Bytes::Chunk("VP8L", Bytes().raw({0x2F}).le32(bits))), "RIFF_WEBP/VP8L"),
              (L{"signature hex 47", "image_width x image_height size 400/300", "alpha_is_used bool 1",
                 "version_number int 0"}));
    EXPECT_EQ(Lines(Form("WEBP", Bytes::Chunk("VP8L", Bytes().raw({0x2E}).le32(bits))), "RIFF_WEBP/VP8L"),
              L{"signature hex 46"});
    const Bytes key = Bytes().raw({0x10, 0x02, 0x00, 0x9D, 0x01, 0x2A}).le16(640 | 1u << 14).le16(480);
    EXPECT_EQ(Lines(Form("WEBP", Bytes::Chunk("VP8 ", key)), "RIFF_WEBP/VP8 "),
              (L{"key_frame bool 1", "width x height size 640/480", "horizontal_scale int 1", "vertical_scale int 0"}));
    EXPECT_EQ(Lines(Form("WEBP", Bytes::Chunk("VP8 ", Cut(key, 8))), "RIFF_WEBP/VP8 "),
              (L{"key_frame bool 1", "! too-short"}));
}

// The words every presentation writes the figures in: no overflow at the
// ends of the 64-bit range, rounding to the millisecond.
TEST(FieldWords, DurationsAndRatios) {
    EXPECT_EQ(DurationText(83456, 1000), "00:01:23.456");
    EXPECT_EQ(DurationText(-1, 1), "-00:00:01.000");
    EXPECT_EQ(DurationText(2, 3), "00:00:00.667");
    EXPECT_EQ(DurationText(5, 0), "?");
    EXPECT_EQ(DurationText(INT64_MAX, 1), "2562047788015215:30:07.000");
    EXPECT_EQ(DurationText(INT64_MIN, INT64_MAX), "-00:00:01.000");
    EXPECT_EQ(RatioText(25, 1), "25");
    EXPECT_EQ(RatioText(30000, 1001), "29.97");
    EXPECT_EQ(RatioText(1, 2), "0.5");
    EXPECT_EQ(RatioText(1225, 32), "38.281");
    EXPECT_EQ(RatioText(INT64_MIN, -1), "9223372036854775808");
    EXPECT_EQ(RatioText(-3, 2), "-1.5");
    EXPECT_EQ(RatioText(1, 0), "?");
}

// The fields are read from the file again: only while it is the file the
// tree came from (same length, same last write).
TEST(FieldWords, ReopenedOnlyWhileUnchanged) {
    TempFile file(Avi(MainHeader(40000), Bytes()).str());
    const Analysis a = AnalyzePath(file.path(), riff::Analyze);
    ASSERT_TRUE(a.ok());
    EXPECT_EQ(a.path, file.path());
    EXPECT_EQ(a.stamp.length, static_cast<int64_t>(Avi(MainHeader(40000), Bytes()).str().size()));
    bool changed = true;
    EXPECT_NE(ReopenUnchanged(a.path, a.stamp, &changed), nullptr);
    EXPECT_FALSE(changed);
    file.WriteAt(a.stamp.length, "more");
    EXPECT_EQ(ReopenUnchanged(a.path, a.stamp, &changed), nullptr);
    EXPECT_TRUE(changed);
    EXPECT_EQ(ReopenUnchanged(a.path + ".gone", a.stamp, &changed), nullptr);
    EXPECT_FALSE(changed);  // not there at all: not to be told apart from a file changed
}

#ifndef _WIN32
TEST(RiffFields, ReadFailureGivesNoFields) {
    const Bytes avi = Avi(MainHeader(40000), Bytes());
    TempFile file(avi.str());
    const std::unique_ptr<ByteSource> walked = ByteSource::OpenFile(file.path());
    ASSERT_TRUE(walked);
    const Analysis a = riff::Analyze(*walked);
    ASSERT_TRUE(a.ok());
    const ChunkNode* hdrl = a.tree->root->firstChild;
    ASSERT_TRUE(hdrl && hdrl->firstChild);
    const ChunkNode* ancestors[] = {a.tree->root, hdrl};
    // The file fails 20 bytes into avih's payload.
    SetReadFailureForTesting(hdrl->firstChild->offset + 8 + 20, EIO);
    const std::unique_ptr<ByteSource> again = ByteSource::OpenFile(file.path());
    const NodeFields f = DecodeFields(*again, *a.tree, *hdrl->firstChild, ancestors, 2);
    SetReadFailureForTesting(-1, 0);
    EXPECT_TRUE(f.known);
    EXPECT_EQ(FieldLines(f), L{"! unreadable"});
}
#endif

}  // namespace
