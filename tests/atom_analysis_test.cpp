// The atom walk on files built byte by byte. Each malformed case names its
// defect; every case asserts the exact list of items the tree shows.
#include <gtest/gtest.h>

#include "atom_analysis.h"
#include "test_support.h"

namespace {

using L = std::vector<std::string>;

L Atoms(const Bytes& b) { return LinesOf(atom::Analyze, b.str()); }
std::string Top(const Bytes& b) { return "TOP[" + std::to_string(b.size()) + "Bytes]"; }

TEST(AtomHeader, PlausibilityLooksAtThreeCharacters) {
    auto ok = [](const char* t) { return atom::PlausibleType(reinterpret_cast<const unsigned char*>(t)); };
    EXPECT_TRUE(ok("moov"));
    EXPECT_TRUE(ok("url "));    // the fourth character is not examined
    EXPECT_TRUE(ok("000\xFF"));
    EXPECT_TRUE(ok("zzz!"));
    EXPECT_FALSE(ok("\xA9nam"));  // iTunes metadata names
    EXPECT_FALSE(ok("ab z"));
    EXPECT_FALSE(ok("/abc"));   // one below '0'
    EXPECT_FALSE(ok("ab{c"));   // one above 'z'
    EXPECT_FALSE(ok("\0\0\0\0"));
}

TEST(AtomWalk, TinyAndImplausibleFiles) {
    EXPECT_EQ(Atoms(Bytes()), L{"TOP[0Bytes]"});
    EXPECT_EQ(Atoms(Bytes().code("ftypis")), L{"TOP[6Bytes]"});
    // Defect: the first header's type is not made of letters or digits.
    EXPECT_EQ(Atoms(Bytes().be32(16).code("\x01\x02\x03\x04").fill(8)), L{"TOP[16Bytes]"});
    // An 8-byte atom that is all the file holds is shown.
    EXPECT_EQ(Atoms(A("free")), (L{"TOP[8Bytes]", "  free[8Bytes]"}));
}

TEST(AtomWalk, SmallMovieFromTheFormatsOwnExample) {
    // moov of 28 bytes holding trak of 20 bytes with 12 zero bytes of payload.
    Bytes file = A("moov", A("trak", Zeros(12)));
    EXPECT_EQ(Atoms(file), (L{"TOP[28Bytes]", "  moov[28Bytes]", "    trak[20Bytes]"}));
}

Bytes Mp4() {
    Bytes ftyp = A("ftyp", Bytes().code("isom").be32(512).code("isomiso2avc1mp41"));
    Bytes mvhd = A("mvhd", Zeros(100));
    Bytes tkhd = A("tkhd", Zeros(84));
    Bytes mdhd = A("mdhd", Zeros(24));
    Bytes hdlr = A("hdlr", Zeros(8).code("soun").fill(12).code("SoundHandler").raw({0}));
    Bytes smhd = A("smhd", Zeros(8));  // 16 bytes in all
    Bytes dinf = A("dinf", A("dref", Bytes().be32(0).be32(1).append(A("url ", Bytes().be32(1)))));
    Bytes stbl = A("stbl", A("stsd", Bytes().be32(0).be32(1).append(A("mp4a", Zeros(28))))
                               .append(A("stts", Zeros(16)))
                               .append(A("stsc", Zeros(8)))
                               .append(A("stsz", Zeros(12)))
                               .append(A("stco", Zeros(8))));
    Bytes minf = A("minf", smhd.append(dinf).append(stbl));
    Bytes trak = A("trak", tkhd.append(A("mdia", mdhd.append(hdlr).append(minf))));
    Bytes udta = A("udta", A("meta", Zeros(4).append(A("ilst", A("\xA9too", A("data", Zeros(12)))))));
    Bytes moov = A("moov", mvhd.append(trak).append(udta));
    Bytes mdat = A("mdat", Bytes().raw({0x21, 0x10, 0x05, 0x20}).fill(60, 0x8C));
    return ftyp.append(moov).append(mdat);
}

TEST(AtomWalk, Mp4WithSixteenByteAtomsStaysInStep) {
    // smhd and the tables of 8 to 15 bytes used to put the walk out of step;
    // dinf, stbl, udta and mdat must all appear where they are.
    Bytes file = Mp4();
    EXPECT_EQ(Atoms(file), (L{Top(file),
                              "  ftyp[32Bytes]",
                              "  moov[553Bytes]",
                              "    mvhd[108Bytes]",
                              "    trak[381Bytes]",
                              "      tkhd[92Bytes]",
                              "      mdia[281Bytes]",
                              "        mdhd[32Bytes]",
                              "        hdlr[45Bytes]",
                              "        minf[196Bytes]",
                              "          smhd[16Bytes]",
                              "          dinf[36Bytes]",
                              "            dref[28Bytes]",
                              "          stbl[136Bytes]",
                              "            stsd[52Bytes]",
                              "            stts[24Bytes]",
                              "            stsc[16Bytes]",
                              "            stsz[20Bytes]",
                              "            stco[16Bytes]",
                              "    udta[56Bytes]",
                              "      meta[48Bytes]",
                              "  mdat[72Bytes]"}));
}

TEST(AtomWalk, EightByteAtomsAndExactFits) {
    // free at the end of moov is shown; the list ends with nothing left over.
    Bytes file = A("moov", A("mvhd", Zeros(4)).append(A("free"))).append(A("skip"));
    EXPECT_EQ(Atoms(file), (L{Top(file), "  moov[28Bytes]", "    mvhd[12Bytes]", "    free[8Bytes]", "  skip[8Bytes]"}));
}

TEST(AtomWalk, PayloadThatSpellsAtomsIsWalked) {
    // mdat bytes that happen to look like a header become children; an
    // overshooting one is the only child and keeps its size.
    Bytes file = A("mdat", Bytes().be32(500).code("abcd").fill(4)).append(A("moov"));
    EXPECT_EQ(Atoms(file), (L{Top(file), "  mdat[20Bytes]", "    abcd[500Bytes]", "  moov[8Bytes]"}));
}

TEST(AtomWalk, ImplausibleTypeSkipsTheRestOfItsParent) {
    // Defect for this walk: ilst's child starts with 0xA9; the rest of ilst is
    // skipped, and the walk goes on after it.
    Bytes ilst = A("ilst", A("\xA9nam", A("data", Zeros(8))).append(A("trkn", Zeros(8))));
    Bytes file = A("udta", ilst.append(A("free")));
    EXPECT_EQ(Atoms(file), (L{Top(file), "  udta[64Bytes]", "    ilst[48Bytes]", "    free[8Bytes]"}));
}

TEST(AtomSizes, SizeZeroRunsToTheEndOfItsParent) {
    // An mdat of size 0 at the top level runs to the end of the file.
    Bytes file = A("ftyp", Bytes().code("qt  ").be32(0)).append(Bytes().be32(0).code("mdat").code("junk").be32(7));
    EXPECT_EQ(Atoms(file), (L{Top(file), "  ftyp[16Bytes]", "  mdat[16Bytes]"}));
    // Inside moov it ends with moov, and its payload is tried for children.
    Bytes nested = A("moov", Bytes().be32(0).code("udta").append(A("free"))).append(A("skip"));
    EXPECT_EQ(Atoms(nested), (L{Top(nested), "  moov[24Bytes]", "    udta[16Bytes]", "      free[8Bytes]", "  skip[8Bytes]"}));
}

TEST(AtomSizes, LargeSizeFollowsTheType) {
    Bytes file = Bytes().be32(1).code("mdat").be64(32).append(A("abcd", Zeros(8))).append(A("moov"));
    EXPECT_EQ(Atoms(file), (L{Top(file), "  mdat[32Bytes]", "    abcd[16Bytes]", "  moov[8Bytes]"}));

    // Defect: the file ends inside the largesize: no node.
    EXPECT_EQ(Atoms(A("ftyp").be32(1).code("mdat").raw({0, 0, 0})), (L{"TOP[19Bytes]", "  ftyp[8Bytes]"}));
    // Defect: a largesize smaller than the 16-byte header, then one past the end.
    Bytes tiny = A("moov", Bytes().be32(1).code("mdat").be64(15).append(A("free"))).append(A("skip"));
    EXPECT_EQ(Atoms(tiny), (L{Top(tiny), "  moov[32Bytes]", "    mdat[15Bytes]", "  skip[8Bytes]"}));
    Bytes huge = A("ftyp").be32(1).code("mdat").be64(0xFFFFFFFFFFFFFFFFULL).append(A("moov"));
    EXPECT_EQ(Atoms(huge), (L{Top(huge), "  ftyp[8Bytes]", "  mdat[-1Bytes]"}));
    Bytes big = A("ftyp").be32(1).code("mdat").be64(0x7FFFFFFFFFFFFFFFULL);
    EXPECT_EQ(Atoms(big), (L{Top(big), "  ftyp[8Bytes]", "  mdat[9223372036854775807Bytes]"}));
}

TEST(AtomSizes, SizesSmallerThanTheHeaderEndTheirList) {
    // Defect: sizes 2 to 7 inside moov; the atom is shown and ends moov's list,
    // and the walk resumes after moov.
    for (uint32_t size = 2; size < 8; ++size) {
        Bytes file = A("moov", A("mvhd", Zeros(4)).be32(size).code("bad!").append(A("free"))).append(A("skip"));
        EXPECT_EQ(Atoms(file), (L{Top(file), "  moov[36Bytes]", "    mvhd[12Bytes]",
                                  "    bad![" + std::to_string(size) + "Bytes]", "  skip[8Bytes]"}))
            << size;
    }
}

TEST(AtomSizes, OvershootingAtomIsLastOfItsParent) {
    // Defect: trak claims 100 bytes inside a moov that has 16 left.
    Bytes file = A("moov", A("mvhd", Zeros(4)).be32(100).code("trak").fill(8)).append(A("free"));
    EXPECT_EQ(Atoms(file), (L{Top(file), "  moov[36Bytes]", "    mvhd[12Bytes]", "    trak[100Bytes]", "  free[8Bytes]"}));
}

TEST(AtomSizes, NarrowFilesReadTheSizeFieldSigned) {
    // Defect: a size field with its top bit set in a small file.
    Bytes file = A("moov", Bytes().be32(0x80000010).code("trak").fill(8)).append(A("free"));
    EXPECT_EQ(Atoms(file), (L{Top(file), "  moov[24Bytes]", "    trak[-2147483632Bytes]", "  free[8Bytes]"}));
}

TEST(AtomSizes, ShortTailsOfASpanAreSteppedOver) {
    // moov's payload ends with 5 bytes that cannot hold a header; the walk
    // steps over them and reads the next top-level atom in step.
    Bytes file = A("moov", A("mvhd", Zeros(4)).fill(5, 0x61)).append(A("mdat", Zeros(3))).append(A("free"));
    EXPECT_EQ(Atoms(file), (L{Top(file), "  moov[25Bytes]", "    mvhd[12Bytes]", "  mdat[11Bytes]", "  free[8Bytes]"}));
}

TEST(AtomSizes, UuidChildrenFollowTheExtendedType) {
    Bytes ext = Bytes().code("0123456789abcdef");  // looks like a header, but is the extended type
    Bytes file = A("uuid", ext.append(A("tfxd", Zeros(4)))).append(A("uuid", Bytes().code("short"))).append(A("free"));
    EXPECT_EQ(Atoms(file), (L{Top(file), "  uuid[36Bytes]", "    tfxd[12Bytes]", "  uuid[13Bytes]", "  free[8Bytes]"}));
}

TEST(AtomDepth, DeepNestingStopsAt256Levels) {
    // Defect: 100,000 atoms, each the only child of the one before, inside a
    // legitimate moov/trak.
    const int levels = 100000;
    std::string nest(static_cast<size_t>(levels) * 8, '\0');
    for (int i = 0; i < levels; ++i) {
        const uint32_t size = static_cast<uint32_t>(levels - i) * 8;
        char* p = &nest[static_cast<size_t>(i) * 8];
        p[0] = static_cast<char>(size >> 24), p[1] = static_cast<char>(size >> 16);
        p[2] = static_cast<char>(size >> 8), p[3] = static_cast<char>(size);
        std::memcpy(p + 4, "deep", 4);
    }
    Bytes inner;
    inner.code(nest);
    Bytes file = A("moov", A("trak", inner)).append(A("free"));
    const L lines = LinesOf(atom::Analyze, file.str());
    ASSERT_EQ(lines.size(), 2u + atom::kMaxDepth);  // TOP, 256 levels, free
    EXPECT_EQ(lines[1], "  moov[" + std::to_string(levels * 8 + 16) + "Bytes]");
    EXPECT_EQ(lines[atom::kMaxDepth], std::string(2 * atom::kMaxDepth, ' ') + "deep[" +
                                         std::to_string((levels - (atom::kMaxDepth - 3)) * 8) + "Bytes]");
    EXPECT_EQ(lines.back(), "  free[8Bytes]");
}

TEST(AtomWide, SixGibFileShowsTrueSizes) {
    // ftyp, an mdat of about 6 GiB with a largesize, moov at the end.
    TempFile f;
    const long long total = 6LL << 30;
    const long long mdatSize = total - 24 - 40;
    f.WriteAt(0, A("ftyp", Bytes().code("isom").be32(0)).str());
    f.WriteAt(16, Bytes().be32(1).code("mdat").be64(static_cast<uint64_t>(mdatSize)).str());
    f.WriteAt(16 + mdatSize, A("moov", A("mvhd", Zeros(4)).append(Bytes().be32(0x90000000).code("trak"))).str());
    f.Truncate(total);
    EXPECT_EQ(Lines(AnalyzePath(f.path(), atom::Analyze)),
              (L{"TOP[6442450944Bytes]", "  ftyp[16Bytes]", "  mdat[" + std::to_string(mdatSize) + "Bytes]",
                 "  moov[28Bytes]", "    mvhd[12Bytes]", "    trak[2415919104Bytes]"}));
}

TEST(AtomPaths, NonRegularFilesCannotBeOpened) {
    EXPECT_EQ(Lines(AnalyzePath("", atom::Analyze)), Failed(Reason::kEmptyPath));
#ifndef _WIN32
    EXPECT_EQ(Lines(AnalyzePath("/tmp", atom::Analyze)), Failed(Reason::kCannotOpen));
    EXPECT_EQ(Lines(AnalyzePath("/dev/urandom", atom::Analyze)), Failed(Reason::kCannotOpen));
#endif
    Bytes file = Mp4();
    TempFile f(file.str());
    EXPECT_EQ(Lines(AnalyzePath(f.path(), atom::Analyze)), Atoms(file));
}

}  // namespace
