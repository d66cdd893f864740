// The decoders of well-known atoms, on files built byte by byte: the exact
// fields of each, and what a short or odd one gives.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "atom_analysis.h"
#include "fields_support.h"
#include "read_failure_test_hooks.h"

namespace {

using L = std::vector<std::string>;

L Fields(const Bytes& file, const std::string& path) { return DecodeAt(atom::Analyze, file.str(), path).lines; }

// Version and flags of a full box.
Bytes Vf(uint8_t version, uint32_t flags = 0) { return Bytes().be32(uint32_t{version} << 24 | flags); }
Bytes B16(uint16_t v) { return Bytes().raw({uint8_t(v >> 8), uint8_t(v)}); }

Bytes Mvhd(uint32_t timescale, uint32_t duration) {
    return A("mvhd", Vf(0).be32(0).be32(0).be32(timescale).be32(duration).be32(0x10000).append(B16(0x100))
                         .fill(10 + 36 + 24).be32(3));
}
Bytes Mdhd(uint32_t timescale, uint32_t duration, uint16_t language = 0x55C4) {
    return A("mdhd", Vf(0).be32(0).be32(0).be32(timescale).be32(duration).append(B16(language)).fill(2));
}
Bytes Hdlr(const char* type, const char* name) {
    return A("hdlr", Vf(0).be32(0).code(type).fill(12).code(name).raw({0}));
}
// A movie of one track whose sample table holds `stbl` and whose track
// holds `extra` before its mdia.
Bytes Movie(const char* handler, uint32_t mediaTimescale, const Bytes& stbl, const Bytes& extra = Bytes()) {
    Bytes minf = A("minf", A("stbl", stbl));
    Bytes mdia = A("mdia", Mdhd(mediaTimescale, 0).append(Hdlr(handler, "Handler")).append(minf));
    return A("moov", Mvhd(1000, 2000).append(A("trak", Bytes(extra).append(mdia))));
}
const char* const kStbl = "TOP/moov/trak/mdia/minf/stbl/";

TEST(AtomFields, FileTypeBrands) {
    EXPECT_EQ(Fields(A("ftyp", Bytes().code("isom").be32(512).code("isomiso2avc1mp41")), "TOP/ftyp"),
              (L{"major_brand code 'isom'", "minor_version int 512", "compatible_brands codes 'isomiso2avc1mp41'"}));
    // Defect: the last brand has 2 of its 4 bytes.
    EXPECT_EQ(Fields(A("ftyp", Bytes().code("qt  ").be32(0).code("qt  ab")), "TOP/ftyp"),
              (L{"major_brand code 'qt  '", "minor_version int 0", "compatible_brands codes 'qt  '", "! too-short"}));
    // Defect: no minor version.
    EXPECT_EQ(Fields(A("ftyp", Bytes().code("isom")), "TOP/ftyp"), L{"! too-short"});

    // 200 brands: those within the read limit, and how many there were.
    Bytes many = Bytes().code("isom").be32(0);
    std::string brands;
    for (int i = 0; i < 200; ++i) many.code("mp41");
    for (int i = 0; i < 126; ++i) brands += "mp41";
    EXPECT_EQ(Fields(A("ftyp", many), "TOP/ftyp"),
              (L{"major_brand code 'isom'", "minor_version int 0", "compatible_brands codes '" + brands + "'",
                 "compatible_brands_count int 200"}));
}

TEST(AtomFields, MovieHeaderVersions) {
    EXPECT_EQ(Fields(A("moov", Mvhd(600, 1500)), "TOP/moov/mvhd"),
              (L{"timescale int 600", "duration duration 1500/600", "next_track_ID int 3"}));
    // All ones: unknown; a timescale of 0 makes no time of a duration.
    EXPECT_EQ(Fields(Mvhd(600, 0xFFFFFFFF), "TOP/mvhd")[1], "duration hex 4294967295 'unknown'");
    EXPECT_EQ(Fields(Mvhd(0, 90), "TOP/mvhd")[1], "duration int 90");

    Bytes v1 = A("mvhd", Vf(1).be64(0).be64(0).be32(1000).be64(~uint64_t{0}).be32(0x10000).append(B16(0x100))
                             .fill(70).be32(2));
    EXPECT_EQ(Fields(v1, "TOP/mvhd"), (L{"timescale int 1000", "duration hex -1 'unknown'", "next_track_ID int 2"}));
    Bytes longV1 = A("mvhd", Vf(1).be64(0).be64(0).be32(90000).be64(0x1'0000'0000ULL).fill(80));
    EXPECT_EQ(Fields(longV1, "TOP/mvhd")[1], "duration duration 4294967296/90000");

    // Defect: version 2, which no one defines: no fields guessed.
    EXPECT_EQ(Fields(A("mvhd", Vf(2).fill(96)), "TOP/mvhd"), L{"! version 2"});
    // Defect: the atom ends half way through the duration.
    EXPECT_EQ(Fields(A("mvhd", Vf(0).be32(0).be32(0).be32(600).raw({0, 0})), "TOP/mvhd"),
              (L{"timescale int 600", "! too-short"}));
    // Defect: version 1's fields read as far as version 0's would reach.
    EXPECT_EQ(Fields(A("mvhd", Vf(1).fill(96)), "TOP/mvhd"), (L{"timescale int 0", "duration int 0", "! too-short"}));
}

TEST(AtomFields, TrackHeaderTakesTheMovieTimescale) {
    // Flags 3: enabled, in the movie. 320.5 x 240 pixels in 16.16.
    Bytes tkhd = A("tkhd", Vf(0, 3).be32(0).be32(0).be32(1).be32(0).be32(1200).fill(16 + 36).be32(0x01408000).be32(240 << 16));
    const L expected{"flags hex 3", "track_enabled bool 1", "track_in_movie bool 1", "track_in_preview bool 0",
                     "track_ID int 1", "duration duration 1200/600", "width x height size 320/240"};
    EXPECT_EQ(Fields(A("moov", Mvhd(600, 1200).append(A("trak", tkhd))), "TOP/moov/trak/tkhd"), expected);
    // Without a movie header there is no timescale: ticks.
    L bare = expected;
    bare[5] = "duration int 1200";
    EXPECT_EQ(Fields(A("moov", A("trak", tkhd)), "TOP/moov/trak/tkhd"), bare);

    Bytes v1 = A("tkhd", Vf(1, 1).be64(0).be64(0).be32(2).be32(0).be64(3000).fill(16 + 36).be32(1920 << 16).be32(1080 << 16));
    EXPECT_EQ(Fields(A("moov", Mvhd(1000, 3000).append(A("trak", v1))), "TOP/moov/trak/tkhd"),
              (L{"flags hex 1", "track_enabled bool 1", "track_in_movie bool 0", "track_in_preview bool 0",
                 "track_ID int 2", "duration duration 3000/1000", "width x height size 1920/1080"}));
}

TEST(AtomFields, MediaHeaderLanguages) {
    EXPECT_EQ(Fields(Mdhd(48000, 96000), "TOP/mdhd"),
              (L{"timescale int 48000", "duration duration 96000/48000", "language text 'und'"}));
    EXPECT_EQ(Fields(Mdhd(1, 1, 0x15C7), "TOP/mdhd")[2], "language text 'eng'");
    // QuickTime's Macintosh codes (0: English), and its "no language given".
    EXPECT_EQ(Fields(Mdhd(1, 1, 0), "TOP/mdhd")[2], "language int 0");
    EXPECT_EQ(Fields(Mdhd(1, 1, 0x7FFF), "TOP/mdhd")[2], "language int 32767");
    Bytes v1 = A("mdhd", Vf(1).be64(0).be64(0).be32(44100).be64(88200).append(B16(0x15C7)).fill(2));
    EXPECT_EQ(Fields(v1, "TOP/mdhd"), (L{"timescale int 44100", "duration duration 88200/44100", "language text 'eng'"}));
}

TEST(AtomFields, HandlerNames) {
    EXPECT_EQ(Fields(Hdlr("vide", "VideoHandler"), "TOP/hdlr"),
              (L{"handler_type code 'vide'", "name text 'VideoHandler'"}));
    // QuickTime: a component type, and a counted name.
    Bytes qt = A("hdlr", Vf(0).code("mhlr").code("soun").fill(12).raw({12}).code("SoundHandler"));
    EXPECT_EQ(Fields(qt, "TOP/hdlr"), (L{"component_type code 'mhlr'", "handler_type code 'soun'", "name text 'SoundHandler'"}));
    // A counted name in an ISO handler, and a name without its NUL.
    EXPECT_EQ(Fields(A("hdlr", Vf(0).be32(0).code("vide").fill(12).raw({4}).code("Core")), "TOP/hdlr")[1], "name text 'Core'");
    EXPECT_EQ(Fields(A("hdlr", Vf(0).be32(0).code("soun").fill(12).code("Sound")), "TOP/hdlr")[1], "name text 'Sound'");
    // Defect: the reserved fields are cut off.
    EXPECT_EQ(Fields(A("hdlr", Vf(0).be32(0).code("soun").fill(4)), "TOP/hdlr"), (L{"handler_type code 'soun'", "! too-short"}));
}

Bytes VideoEntry(const char* format, const Bytes& extensions) {
    Bytes compressor = Bytes().raw({4}).code("x264").fill(27);
    return A(format, Zeros(6).append(B16(1)).fill(16).append(B16(320)).append(B16(240)).be32(0x480000).be32(0x480000)
                         .be32(0).append(B16(1)).append(compressor).append(B16(24)).append(B16(0xFFFF)).append(extensions));
}
Bytes SoundEntry(const char* format, uint16_t version, const Bytes& rest) {
    return A(format, Zeros(6).append(B16(1)).append(B16(version)).fill(6).append(rest));
}
// ISO's and QuickTime's version 0 and 1: channels, bits, compression id, packet size, 16.16 rate.
Bytes SoundV0(uint16_t channels, uint16_t bits, uint32_t rate) {
    return B16(channels).append(B16(bits)).fill(4).be32(rate << 16);
}
Bytes Stsd(uint32_t count, const Bytes& entries, uint8_t version = 0) { return A("stsd", Vf(version).be32(count).append(entries)); }

TEST(AtomFields, SampleDescriptionsOfVideoAndSound) {
    Bytes avc = VideoEntry("avc1", A("avcC", Bytes().raw({1, 100, 0, 31, 0xFF, 0xE1})).append(A("pasp", Bytes().be32(4).be32(3))));
    EXPECT_EQ(Fields(Movie("vide", 12800, Stsd(1, avc)), std::string(kStbl) + "stsd"),
              (L{"entry_count int 1", "entry[1].format code 'avc1'", "entry[1].size bytes 116",
                 "entry[1].width x height size 320/240", "entry[1].compressorname text 'x264'", "entry[1].depth int 24",
                 "entry[1].AVCProfileIndication int 100", "entry[1].AVCLevelIndication int 31",
                 "entry[1].hSpacing int 4", "entry[1].vSpacing int 3"}));

    // An ES descriptor with sizes of four bytes each, as some writers make them.
    Bytes esds = A("esds", Vf(0).raw({0x03, 0x80, 0x80, 0x80, 0x22, 0x00, 0x01, 0x00})
                               .raw({0x04, 0x80, 0x80, 0x80, 0x14, 0x40, 0x15}).fill(11));
    Bytes aac = SoundEntry("mp4a", 0, SoundV0(2, 16, 44100).append(esds));
    EXPECT_EQ(Fields(Movie("soun", 44100, Stsd(1, aac)), std::string(kStbl) + "stsd"),
              (L{"entry_count int 1", "entry[1].format code 'mp4a'", "entry[1].size bytes 74", "entry[1].channelcount int 2",
                 "entry[1].samplesize int 16", "entry[1].samplerate hz 44100",
                 "entry[1].objectTypeIndication hex 64 'MPEG-4 Audio'"}));

    // QuickTime's version 1 adds four fields; version 2 has a 64-bit float
    // rate and a 32-bit channel count.
    double rate = 96000.0;
    uint64_t bits;
    std::memcpy(&bits, &rate, sizeof bits);
    Bytes v2 = SoundEntry("lpcm", 2, B16(3).append(B16(16)).append(B16(0xFFFE)).fill(2).be32(0x10000).be32(72).be64(bits)
                                         .be32(6).be32(0x7F000000).be32(24).be32(0xC).be32(18).be32(1));
    // Version 1 with its esds in a 'wave' atom, as QuickTime keeps it.
    Bytes v1 = SoundEntry("mp4a", 1, SoundV0(1, 16, 22050).be32(1024).be32(0).be32(2).be32(2)
                                   .append(A("wave", A("frma", Bytes().code("mp4a")).append(esds).append(Zeros(8)))));
    EXPECT_EQ(Fields(Movie("soun", 96000, Stsd(2, v1.append(v2))), std::string(kStbl) + "stsd"),
              (L{"entry_count int 2", "entry[1].format code 'mp4a'", "entry[1].size bytes 118", "entry[1].version int 1",
                 "entry[1].channelcount int 1", "entry[1].samplesize int 16", "entry[1].samplerate hz 22050",
                 "entry[1].objectTypeIndication hex 64 'MPEG-4 Audio'",
                 "entry[2].format code 'lpcm'", "entry[2].size bytes 72", "entry[2].version int 2",
                 "entry[2].audioSampleRate hz 96000", "entry[2].numAudioChannels int 6", "entry[2].constBitsPerChannel int 24"}));
}

// AAC's own configuration (the decoder specific information of the esds)
// tells the channels and rate, where the sample entry may hold a fixed 2.
TEST(AtomFields, AacConfigurationTellsTheTrueChannels) {
    // AAC LC (2), rate index 3 (48000 Hz), 1 channel: 00010 0011 0001 000.
    const auto esds = [](std::initializer_list<uint8_t> specific, uint8_t size) {
        Bytes config = Bytes().raw({0x40, 0x15}).fill(11).raw({0x05, size}).raw(specific);
        return A("esds", Vf(0).raw({0x03, uint8_t(3 + 2 + config.str().size()), 0x00, 0x01, 0x00})
                             .raw({0x04, uint8_t(config.str().size())}).append(config));
    };
    const std::string stsd = std::string(kStbl) + "stsd";
    L lines = Fields(Movie("soun", 48000, Stsd(1, SoundEntry("mp4a", 0, SoundV0(2, 16, 48000).append(esds({0x11, 0x88}, 2))))), stsd);
    EXPECT_EQ(L(lines.end() - 4, lines.end()),
              (L{"entry[1].objectTypeIndication hex 64 'MPEG-4 Audio'", "entry[1].audioObjectType int 2",
                 "entry[1].samplingFrequency hz 48000", "entry[1].channelConfiguration int 1"}));
    // An explicit rate (index 15, 24 bits): 22050 Hz, 2 channels.
    lines = Fields(Movie("soun", 1, Stsd(1, SoundEntry("mp4a", 0, SoundV0(2, 16, 1).append(esds({0x17, 0x80, 0x2B, 0x11, 0x10}, 5))))), stsd);
    EXPECT_EQ(L(lines.end() - 2, lines.end()), (L{"entry[1].samplingFrequency hz 22050", "entry[1].channelConfiguration int 2"}));
    // Defect: the information claims 100 bytes and holds one: only the object type fits.
    lines = Fields(Movie("soun", 1, Stsd(1, SoundEntry("mp4a", 0, SoundV0(2, 16, 1).append(esds({0x10}, 100))))), stsd);
    EXPECT_EQ(lines.back(), "entry[1].audioObjectType int 2");
}

TEST(AtomFields, SampleDescriptionKinds) {
    // No handler to tell the kind: known formats tell it.
    Bytes bare = A("stbl", Stsd(2, VideoEntry("hvc1", Bytes()).append(A("abcd", Zeros(8)))));
    EXPECT_EQ(Fields(bare, "TOP/stbl/stsd"),
              (L{"entry_count int 2", "entry[1].format code 'hvc1'", "entry[1].size bytes 86",
                 "entry[1].width x height size 320/240", "entry[1].compressorname text 'x264'", "entry[1].depth int 24",
                 "entry[2].format code 'abcd'", "entry[2].size bytes 16"}));
    // Defect: a handler and a format that disagree (avc1 in a sound track): nothing is guessed.
    EXPECT_EQ(Fields(Movie("soun", 1, Stsd(1, VideoEntry("avc1", Bytes()))), std::string(kStbl) + "stsd"),
              (L{"entry_count int 1", "entry[1].format code 'avc1'", "entry[1].size bytes 86"}));
    // Defect: a sound description of version 3, a layout nobody defines.
    EXPECT_EQ(Fields(Movie("soun", 1, Stsd(1, SoundEntry("lpcm", 3, Zeros(48)))), std::string(kStbl) + "stsd"),
              (L{"entry_count int 1", "entry[1].format code 'lpcm'", "entry[1].size bytes 72", "entry[1].version int 3"}));
    // ISO's stsd version 1 with an AudioSampleEntryV1: its boxes follow the rate.
    Bytes isoV1 = SoundEntry("mp4a", 1, SoundV0(2, 16, 1).append(A("esds", Vf(0).raw({3, 5, 0, 1, 0, 4, 1, 0x40}))));
    EXPECT_EQ(Fields(Movie("soun", 1, Stsd(1, isoV1, 1)), std::string(kStbl) + "stsd").back(),
              "entry[1].objectTypeIndication hex 64 'MPEG-4 Audio'");
}

TEST(AtomFields, SampleDescriptionDefects) {
    const std::string stsd = std::string(kStbl) + "stsd";
    // Defect: 1000 entries counted, one there.
    EXPECT_EQ(Fields(Movie("soun", 1, Stsd(1000, SoundEntry("mp4a", 0, SoundV0(1, 16, 8000)))), stsd),
              (L{"entry_count int 1000", "entry[1].format code 'mp4a'", "entry[1].size bytes 36", "entry[1].channelcount int 1",
                 "entry[1].samplesize int 16", "entry[1].samplerate hz 8000", "! too-short"}));
    // Defect: an entry of size 4, smaller than its own header; the list ends there.
    EXPECT_EQ(Fields(Movie("vide", 1, Stsd(2, Bytes().be32(4).code("avc1").fill(20))), stsd),
              (L{"entry_count int 2", "entry[1].format code 'avc1'", "entry[1].size bytes 4", "! too-short"}));
    // Defect: a video entry of 40 bytes, too small for its dimensions.
    EXPECT_EQ(Fields(Movie("vide", 1, Stsd(1, A("avc1", Zeros(32)))), stsd),
              (L{"entry_count int 1", "entry[1].format code 'avc1'", "entry[1].size bytes 40", "! too-short"}));
    // Defect: the entry claims 200 bytes, the atom ends after 86.
    Bytes entry = VideoEntry("avc1", Bytes());
    std::string raw = entry.str();
    raw[2] = 0, raw[3] = char(200);
    EXPECT_EQ(Fields(Movie("vide", 1, Stsd(1, Bytes().code(raw))), stsd),
              (L{"entry_count int 1", "entry[1].format code 'avc1'", "entry[1].size bytes 200",
                 "entry[1].width x height size 320/240", "entry[1].compressorname text 'x264'", "entry[1].depth int 24",
                 "! too-short"}));
    // Many entries: those within the read limit, without a problem.
    Bytes entries;
    for (int i = 0; i < 40; ++i) entries.append(A("tx3g", Zeros(8)));
    const L lines = Fields(Movie("text", 1, Stsd(40, entries)), stsd);
    EXPECT_EQ(lines.size(), 1 + 2 * 32u);  // the 32 whose headers are within the first 512 bytes
    EXPECT_EQ(lines.back(), "entry[32].size bytes 16");
}

TEST(AtomFields, TimeToSampleGivesAVideoFrameRate) {
    Bytes stts = A("stts", Vf(0).be32(1).be32(50).be32(512));
    EXPECT_EQ(Fields(Movie("vide", 12800, stts), std::string(kStbl) + "stts"),
              (L{"entry_count int 1", "entry[1].sample_count int 50", "entry[1].sample_delta int 512", "frame_rate fps 12800/512"}));
    // Sound has no frame rate, nor has a table of two deltas.
    EXPECT_EQ(Fields(Movie("soun", 44100, stts), std::string(kStbl) + "stts").size(), 3u);
    Bytes two = A("stts", Vf(0).be32(2).be32(49).be32(512).be32(1).be32(256));
    EXPECT_EQ(Fields(Movie("vide", 12800, two), std::string(kStbl) + "stts"),
              (L{"entry_count int 2", "entry[1].sample_count int 49", "entry[1].sample_delta int 512"}));
    // Defect: 2^28 entries counted in a table of one.
    EXPECT_EQ(Fields(A("stts", Vf(0).be32(0x10000000).be32(1).be32(1)), "TOP/stts"),
              (L{"entry_count int 268435456", "entry[1].sample_count int 1", "entry[1].sample_delta int 1", "! too-short"}));
}

TEST(AtomFields, SampleTablesAndTheirCounts) {
    EXPECT_EQ(Fields(A("stsz", Vf(0).be32(0).be32(3).be32(10).be32(20).be32(30)), "TOP/stsz"),
              (L{"sample_size bytes 0", "sample_count int 3"}));
    // One size for all: no table to fit.
    EXPECT_EQ(Fields(A("stsz", Vf(0).be32(1000).be32(5000)), "TOP/stsz"), (L{"sample_size bytes 1000", "sample_count int 5000"}));
    // Defect: three sizes counted, one there.
    EXPECT_EQ(Fields(A("stsz", Vf(0).be32(0).be32(3).be32(10)), "TOP/stsz").back(), "! too-short");
    // Five 4-bit sizes fit in 3 bytes; six 8-bit ones do not.
    EXPECT_EQ(Fields(A("stz2", Vf(0).raw({0, 0, 0, 4}).be32(5).raw({1, 2, 3})), "TOP/stz2"), (L{"field_size int 4", "sample_count int 5"}));
    EXPECT_EQ(Fields(A("stz2", Vf(0).raw({0, 0, 0, 8}).be32(6).raw({1, 2, 3})), "TOP/stz2"),
              (L{"field_size int 8", "sample_count int 6", "! too-short"}));

    EXPECT_EQ(Fields(A("stco", Vf(0).be32(2).be32(100).be32(200)), "TOP/stco"), L{"entry_count int 2"});
    EXPECT_EQ(Fields(A("ctts", Vf(1).be32(1).be32(1).be32(0xFFFFFE00)), "TOP/ctts"), L{"entry_count int 1"});
    // Defect: co64 entries are 8 bytes; stsc's 12.
    EXPECT_EQ(Fields(A("co64", Vf(0).be32(2).be64(100).be32(0)), "TOP/co64"), (L{"entry_count int 2", "! too-short"}));
    EXPECT_EQ(Fields(A("stsc", Vf(0).be32(1).be32(1).be32(1)), "TOP/stsc"), (L{"entry_count int 1", "! too-short"}));
    // Defect: versions their tables never had.
    EXPECT_EQ(Fields(A("stco", Vf(1).be32(0)), "TOP/stco"), L{"! version 1"});
    EXPECT_EQ(Fields(A("ctts", Vf(2).be32(0)), "TOP/ctts"), L{"! version 2"});
}

TEST(AtomFields, EditListInMovieAndMediaTime) {
    // An empty edit of half a second, then the media from 1024 ticks on.
    Bytes elst = A("elst", Vf(0).be32(2).be32(500).be32(0xFFFFFFFF).append(B16(1)).fill(2)
                                .be32(2000).be32(1024).append(B16(1)).fill(2));
    EXPECT_EQ(Fields(Movie("soun", 48000, Bytes(), A("edts", elst)), "TOP/moov/trak/edts/elst"),
              (L{"entry_count int 2", "entry[1].segment_duration duration 500/1000", "entry[1].media_time int -1",
                 "entry[1].media_rate int 1", "entry[2].segment_duration duration 2000/1000",
                 "entry[2].media_time duration 1024/48000", "entry[2].media_rate int 1"}));
    // Version 1, without a movie around it: ticks.
    Bytes v1 = A("elst", Vf(1).be32(1).be64(3000).be64(0).append(B16(1)).fill(2));
    EXPECT_EQ(Fields(v1, "TOP/elst"),
              (L{"entry_count int 1", "entry[1].segment_duration int 3000", "entry[1].media_time int 0", "entry[1].media_rate int 1"}));
    // Defect: a million edits counted, one there.
    Bytes hostile = A("elst", Vf(0).be32(1000000).be32(1).be32(0).append(B16(1)).fill(2));
    EXPECT_EQ(Fields(hostile, "TOP/elst"),
              (L{"entry_count int 1000000", "entry[1].segment_duration int 1", "entry[1].media_time int 0",
                 "entry[1].media_rate int 1", "! too-short"}));
}

TEST(AtomFields, MovieFragments) {
    Bytes mvex = A("mvex", A("mehd", Vf(1).be64(90000)).append(A("trex", Vf(0).be32(1).be32(1).be32(1024).be32(0).be32(0x10000))));
    Bytes moov = A("moov", Mvhd(1000, 0).append(mvex));
    EXPECT_EQ(Fields(moov, "TOP/moov/mvex/mehd"), L{"fragment_duration duration 90000/1000"});
    EXPECT_EQ(Fields(moov, "TOP/moov/mvex/trex"),
              (L{"track_ID int 1", "default_sample_description_index int 1", "default_sample_duration int 1024",
                 "default_sample_size bytes 0", "default_sample_flags hex 65536"}));

    // Base offset, default duration and flags present; the base is the moof.
    Bytes tfhd = A("tfhd", Vf(0, 0x020029).be32(1).be64(1000).be32(1024).be32(0x01010000));
    Bytes trun = A("trun", Vf(0, 0x000301).be32(2).be32(112).be32(1024).be32(300).be32(1024).be32(200));
    Bytes moof = A("moof", A("mfhd", Vf(0).be32(7)).append(A("traf", tfhd.append(A("tfdt", Vf(1).be64(0x100000000ULL))).append(trun))));
    EXPECT_EQ(Fields(moof, "TOP/moof/mfhd"), L{"sequence_number int 7"});
    EXPECT_EQ(Fields(moof, "TOP/moof/traf/tfhd"),
              (L{"flags hex 131113", "track_ID int 1", "base_data_offset int 1000", "default_sample_duration int 1024",
                 "default_sample_flags hex 16842752", "duration_is_empty bool 0", "default_base_is_moof bool 1"}));
    EXPECT_EQ(Fields(moof, "TOP/moof/traf/tfdt"), L{"baseMediaDecodeTime int 4294967296"});
    EXPECT_EQ(Fields(moof, "TOP/moof/traf/trun"), (L{"flags hex 769", "sample_count int 2", "data_offset int 112"}));

    // Defect: the flags promise a base data offset that is not there.
    EXPECT_EQ(Fields(A("tfhd", Vf(0, 1).be32(3).be32(0)), "TOP/tfhd"), (L{"flags hex 1", "track_ID int 3", "! too-short"}));
    // Defect: 1000 samples of 8 bytes counted, two there.
    EXPECT_EQ(Fields(A("trun", Vf(1, 0x000300).be32(1000).fill(16)), "TOP/trun"),
              (L{"flags hex 768", "sample_count int 1000", "! too-short"}));
    EXPECT_EQ(Fields(A("tfdt", Vf(2).be64(0)), "TOP/tfdt"), L{"! version 2"});
}

TEST(AtomFields, SegmentIndex) {
    Bytes v0 = A("sidx", Vf(0).be32(1).be32(12800).be32(25600).be32(0).append(B16(0)).append(B16(1))
                             .be32(40000).be32(25600).be32(0x90000000));
    EXPECT_EQ(Fields(v0, "TOP/sidx"),
              (L{"reference_ID int 1", "timescale int 12800", "earliest_presentation_time duration 25600/12800",
                 "first_offset bytes 0", "reference_count int 1"}));
    Bytes v1 = A("sidx", Vf(1).be32(2).be32(0).be64(7).be64(64).append(B16(0)).append(B16(0)));
    EXPECT_EQ(Fields(v1, "TOP/sidx"),
              (L{"reference_ID int 2", "timescale int 0", "earliest_presentation_time int 7", "first_offset bytes 64",
                 "reference_count int 0"}));
    // Defect: two references counted, one there.
    Bytes cut = A("sidx", Vf(0).be32(1).be32(1).be32(0).be32(0).append(B16(0)).append(B16(2)).fill(12));
    EXPECT_EQ(Fields(cut, "TOP/sidx").back(), "! too-short");
}

Bytes Data(uint32_t type, const Bytes& value) { return A("data", Bytes().be32(type).be32(0).append(value)); }
Bytes MdirHandler() { return A("hdlr", Vf(0).be32(0).code("mdir").code("appl").fill(8).raw({0})); }

TEST(AtomFields, QuickTimeMetadataItems) {
    // QuickTime's meta holds atoms straight away; its items the walk can
    // read ('desc', 'tmpo') are nodes of their own.
    Bytes ilst = A("ilst", A("desc", Data(1, Bytes().code("A test"))).append(A("tmpo", Data(21, B16(120)))));
    Bytes file = A("meta", MdirHandler().append(ilst));
    const Decoded meta = DecodeAt(atom::Analyze, file.str(), "TOP/meta");
    EXPECT_TRUE(meta.known);
    EXPECT_EQ(meta.lines, L{});
    EXPECT_EQ(Fields(file, "TOP/meta/ilst/desc"), L{"value text 'A test'"});
    EXPECT_EQ(Fields(file, "TOP/meta/ilst/tmpo"), L{"value int 120"});
    EXPECT_EQ(Fields(file, "TOP/meta/ilst/desc/data"),
              (L{"type_indicator hex 1 'UTF-8'", "locale_indicator hex 0", "value text 'A test'"}));
    EXPECT_EQ(Fields(file, "TOP/meta/ilst"),
              (L{"item[1] code 'desc'", "item[1].value text 'A test'", "item[2] code 'tmpo'", "item[2].value int 120"}));
    // A negative 8-bit integer.
    EXPECT_EQ(Fields(A("ilst", A("rtng", Data(21, Bytes().raw({0xFE})))), "TOP/ilst/rtng"), L{"value int -2"});
    // Defect: the data atom ends within its locale.
    EXPECT_EQ(Fields(A("ilst", A("desc", A("data", Bytes().be32(1).raw({0, 0})))), "TOP/ilst/desc/data"), L{"! too-short"});
}

TEST(AtomFields, IsoMetadataReadFromItsBytes) {
    // ISO's meta is a full box: the walk finds no atoms in it, and items
    // named with 0xA9 no walk reads. The decoder reads them.
    Bytes ilst = A("ilst", A("\xA9nam", Data(1, Bytes().code("Title")))
                               .append(A("\xA9too", Data(1, Bytes().code("Lavf61.7.100"))))
                               .append(A("trkn", Data(0, Bytes().be32(1).be32(0x000A0000)))));
    Bytes file = A("moov", A("udta", A("meta", Vf(0).append(MdirHandler()).append(ilst))));
    EXPECT_EQ(Fields(file, "TOP/moov/udta/meta"),
              (L{"handler_type code 'mdir'", "item[1] code '\xA9nam'", "item[1].value text 'Title'", "item[2] code '\xA9too'",
                 "item[2].value text 'Lavf61.7.100'", "item[3] code 'trkn'"}));
    // Defect: the item list claims 100 bytes more than meta holds.
    std::string cut = A("meta", Vf(0).append(ilst)).str();
    cut[12 + 3] = char(cut[12 + 3] + 100);
    EXPECT_EQ(Fields(Bytes().code(cut), "TOP/meta"),
              (L{"item[1] code '\xA9nam'", "item[1].value text 'Title'", "item[2] code '\xA9too'",
                 "item[2].value text 'Lavf61.7.100'", "item[3] code 'trkn'", "! too-short"}));
    EXPECT_EQ(Fields(A("meta", Vf(1).append(ilst)), "TOP/meta"), L{"! version 1"});
}

TEST(AtomFields, UuidExtendedType) {
    Bytes xmp = Bytes().raw({0xBE, 0x7A, 0xCF, 0xCB, 0x97, 0xA9, 0x42, 0xE8, 0x9C, 0x71, 0x99, 0x94, 0x91, 0xE3, 0xAF, 0xAC});
    EXPECT_EQ(Fields(A("uuid", Bytes(xmp).code("<?xpacket")), "TOP/uuid"), L{"usertype text 'be7acfcb-97a9-42e8-9c71-999491e3afac'"});
    // With a large size, the type is after it.
    Bytes large = Bytes().be32(1).code("uuid").be64(40).append(xmp).fill(8);
    EXPECT_EQ(Fields(large, "TOP/uuid"), L{"usertype text 'be7acfcb-97a9-42e8-9c71-999491e3afac'"});
    // Defect: only 5 bytes of the 16.
    EXPECT_EQ(Fields(A("uuid", Bytes().code("short")), "TOP/uuid"), L{"! too-short"});
}

TEST(AtomFields, OnlyAtomsOfTheFileAreDecoded) {
    // mdat data that looks like an mvhd but leaves 3 bytes over: a phantom.
    Bytes file = A("mdat", Mvhd(600, 1200).fill(3)).append(A("free", Zeros(4)));
    const Decoded phantom = DecodeAt(atom::Analyze, file.str(), "TOP/mdat/mvhd");
    EXPECT_FALSE(phantom.known);
    EXPECT_EQ(phantom.lines, L{});
    EXPECT_FALSE(DecodeAt(atom::Analyze, file.str(), "TOP/free").known);
    EXPECT_FALSE(DecodeAt(atom::Analyze, file.str(), "TOP/mdat").known);
}

TEST(AtomFields, OverrunningAtomIsReadWithinItsParent) {
    // Defect: mdhd claims 200 bytes inside an mdia that has 20 for it; what
    // follows mdia is not read as its fields.
    Bytes file = A("mdia", Bytes().be32(200).code("mdhd").append(Vf(0)).be32(0).be32(0).be32(600)).append(Mvhd(1, 2));
    EXPECT_EQ(Fields(file, "TOP/mdia/mdhd"), (L{"timescale int 600", "! too-short"}));
}

TEST(AtomFields, ReadFailureIsUnreadable) {
    // The file fails 20 bytes into mvhd's payload, after the timescale.
    Bytes file = A("moov", Mvhd(600, 1200));
    TempFile f(file.str());
    std::unique_ptr<ByteSource> walked = ByteSource::OpenFile(f.path());
    ASSERT_TRUE(walked);
    Analysis a = atom::Analyze(*walked);
    ASSERT_TRUE(a.ok());
    const ChunkNode* moov = a.tree->root->firstChild;
    const ChunkNode* ancestors[] = {a.tree->root, moov};
    std::unique_ptr<ByteSource> again = ByteSource::OpenFile(f.path());
    SetReadFailureForTesting(16 + 18, EIO);
    const NodeFields fields = DecodeFields(*again, *a.tree, *moov->firstChild, ancestors, 2);
    SetReadFailureForTesting(-1, 0);
    EXPECT_EQ(FieldLines(fields), (L{"timescale int 600", "! unreadable"}));
}

}  // namespace
