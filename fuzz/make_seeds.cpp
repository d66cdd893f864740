// make-seeds: writes the fuzzers' seed corpora, small files built with the
// same Bytes builder the tests use: well-formed AVI, WAVE and MP4 shapes and
// the defects the walks have rules for (missing pads, negative, tiny and
// overshooting sizes, largesize, uuid, deep nesting, short tails, zero ids)
// and data that only looks like atoms.
//   make-seeds OUTPUT-DIRECTORY      (writes OUTPUT-DIRECTORY/riff and /atom)
// The committed corpora in fuzz/corpus are this program's output.
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "byte_builder.h"

namespace {

using Seeds = std::vector<std::pair<std::string, Bytes>>;


Seeds RiffSeeds() {
    Seeds s;
    Bytes strl = Leaf("strh", 56).append(Leaf("strf", 40));
    Bytes hdrl = Leaf("avih", 56).append(Bytes::List("strl", strl));
    Bytes movi = Leaf("00dc", 10).append(Leaf("01wb", 7)).append(Leaf("00dc", 9));
    Bytes avi = Form("AVI ", Bytes::List("hdrl", hdrl)
                                 .append(Bytes::List("INFO", Leaf("ISFT", 5)))
                                 .append(Bytes::List("movi", movi))
                                 .append(Leaf("idx1", 48)));
    s.emplace_back("avi", avi);
    s.emplace_back("wave", Form("WAVE", Leaf("fmt ", 16).append(Leaf("data", 4))));
    s.emplace_back("wave-empty-data", Form("WAVE", Leaf("fmt ", 16).append(Leaf("data", 0))));
    s.emplace_back("header-only", Bytes().code("RIFF").le32(4).code("WAVE"));
    s.emplace_back("tiny-root", Bytes().code("RIFF").le32(2).code("AVI ").append(Leaf("junk", 4)));
    s.emplace_back("odd-chunks-padded",
                   Form("AVI ", Bytes::List("movi", Leaf("00dc", 3).append(Leaf("00dc", 5)).append(Leaf("01wb", 2)))
                                    .append(Bytes::List("odd ", Leaf("abcd", 1)))
                                    .append(Leaf("idx1", 0))));
    // Defect: the pad byte after the 3-byte chunk is missing.
    s.emplace_back("missing-pad",
                   Form("WAVE", Bytes::Chunk("aaaa", Bytes().fill(3), false).append(Leaf("bbbb", 2))));
    // Defect: streamed file, sizes FF FF FF FF on the root, a LIST and a chunk.
    s.emplace_back("streamed-avi", Bytes().code("RIFF").le32(0xFFFFFFFF).code("AVI ")
                                       .append(Bytes::List("hdrl", Leaf("avih", 4)))
                                       .append(Bytes().code("LIST").le32(0xFFFFFFFF).code("movi"))
                                       .append(Leaf("00dc", 4)));
    s.emplace_back("streamed-wave", Bytes().code("RIFF").le32(0xFFFFFFFF).code("WAVE").append(Leaf("fmt ", 16))
                                        .append(Bytes().code("data").le32(0xFFFFFFFF).fill(40, 0x40)));
    // Defect: a chunk claims more than its LIST holds.
    s.emplace_back("overshooting-leaf",
                   Form("AVI ", Bytes::List("movi", Leaf("00dc", 4).append(Bytes().code("00dc").le32(100).fill(4)))
                                    .append(Leaf("idx1", 4))));
    // Defect: a LIST claims more than its parent holds.
    s.emplace_back("overshooting-list", Form("AVI ", Bytes::List("a   ", Bytes().code("LIST").le32(40).code("b   "))
                                                         .append(Leaf("cccc", 4))
                                                         .append(Leaf("dddd", 4))));
    // Defect: LISTs too small for their type.
    s.emplace_back("tiny-lists", Form("AVI ", Bytes().code("LIST").le32(0).code("next").le32(0)
                                                  .code("LIST").le32(1).raw({'x', 0}).code("abcd").le32(2).fill(2)));
    s.emplace_back("tiny-leaves", Form("WAVE", Leaf("aaaa", 0).append(Leaf("bbbb", 1)).append(Leaf("cccc", 2))
                                                   .append(Leaf("dddd", 3))));
    // Defect: the data ends inside a header and inside a LIST type.
    s.emplace_back("short-header", Form("WAVE", Leaf("fmt ", 2).code("dat")));
    s.emplace_back("short-list-type", Form("AVI ", Leaf("avih", 2).code("LIST").le32(4).code("mo")));
    s.emplace_back("wrapping-span", Bytes().code("RIFF").le32(10).code("AVI ").code("abcd").le32(0x7FFFFFFF).fill(8));
    // Defect: four zero bytes of padding between two chunks.
    s.emplace_back("zero-id", Form("AVI ", Bytes::List("hdrl", Leaf("avih", 8)).fill(4).append(Bytes::List("movi", Leaf("00dc", 4)))));
    Bytes third = Form("AVIX", Bytes());
    s.emplace_back("opendml", Bytes()
                                  .append(Form("AVI ", Bytes::List("movi", Leaf("00dc", 5))))
                                  .append(Form("AVIX", Bytes::List("movi", Leaf("00dc", 3).append(Leaf("01wb", 2)))))
                                  .append(third)
                                  .append(Leaf("junk", 4)));
    s.emplace_back("opendml-odd-root", Bytes().code("RIFF").le32(13).code("AVI ")
                                           .append(Bytes::Chunk("abcd", Bytes().raw({7}), false))
                                           .raw({0})
                                           .append(third));
    s.emplace_back("odd-codes", Form("AVI ", Bytes::Chunk(std::string_view("ab\0d", 4), Bytes().fill(2))
                                                 .append(Bytes::Chunk("\xA9x!y", Bytes()))
                                                 .append(Bytes::List(std::string_view("\0mov", 4), Bytes()))));
    // Defect: 300 LISTs, each the only child of the one before: past the nesting bound.
    Bytes deep = Leaf("core", 2);
    for (int i = 0; i < 300; ++i) deep = Bytes::List("deep", deep);
    s.emplace_back("deep-lists", Form("AVI ", deep));
    return s;
}

Bytes Mp4() {
    Bytes ftyp = A("ftyp", Bytes().code("isom").be32(512).code("isomiso2avc1mp41"));
    Bytes hdlr = A("hdlr", Zeros(8).code("soun").fill(12).code("SoundHandler").raw({0}));
    Bytes dinf = A("dinf", A("dref", Bytes().be32(0).be32(1).append(A("url ", Bytes().be32(1)))));
    Bytes stbl = A("stbl", A("stsd", Bytes().be32(0).be32(1).append(A("mp4a", Zeros(28))))
                               .append(A("stts", Zeros(16)))
                               .append(A("stsc", Zeros(8)))
                               .append(A("stsz", Zeros(12)))
                               .append(A("stco", Zeros(8))));
    Bytes minf = A("minf", A("smhd", Zeros(8)).append(dinf).append(stbl));
    Bytes trak = A("trak", A("tkhd", Zeros(84)).append(A("mdia", A("mdhd", Zeros(24)).append(hdlr).append(minf))));
    Bytes udta = A("udta", A("meta", Zeros(4).append(A("ilst", A("\xA9too", A("data", Zeros(12)))))));
    Bytes moov = A("moov", A("mvhd", Zeros(100)).append(trak).append(udta));
    Bytes mdat = A("mdat", Bytes().raw({0x21, 0x10, 0x05, 0x20}).fill(60, 0x8C));
    return ftyp.append(moov).append(mdat);
}

Seeds AtomSeeds() {
    Seeds s;
    s.emplace_back("mp4", Mp4());
    s.emplace_back("empty", Bytes());
    s.emplace_back("single-free", A("free"));
    s.emplace_back("qt-movie", A("moov", A("trak", Zeros(12))));
    Bytes fragment = A("moof", A("mfhd", Zeros(8)).append(A("traf", A("tfhd", Zeros(8)).append(A("tfdt", Zeros(12)))
                                                                         .append(A("trun", Zeros(20))))))
                         .append(A("mdat", Zeros(24)));
    s.emplace_back("fragmented", A("ftyp", Bytes().code("iso6").be32(0).code("iso6dash")).append(fragment).append(fragment));
    s.emplace_back("exact-fits", A("moov", A("mvhd", Zeros(4)).append(A("free"))).append(A("skip")));
    s.emplace_back("payload-spells-atoms", A("mdat", Bytes().be32(500).code("abcd").fill(4)).append(A("moov")));
    // Defect: an iTunes-style name that fails the header test.
    s.emplace_back("implausible-child",
                   A("udta", A("ilst", A("\xA9nam", A("data", Zeros(8))).append(A("trkn", Zeros(8)))).append(A("free"))));
    s.emplace_back("size-zero-top", A("ftyp", Bytes().code("qt  ").be32(0)).append(Bytes().be32(0).code("mdat").code("junk").be32(7)));
    s.emplace_back("size-zero-nested", A("moov", Bytes().be32(0).code("udta").append(A("free"))).append(A("skip")));
    s.emplace_back("largesize", Bytes().be32(1).code("mdat").be64(32).append(A("abcd", Zeros(8))).append(A("moov")));
    // Defect: largesize cut short, below the header, and far too big.
    s.emplace_back("largesize-short", A("ftyp").be32(1).code("mdat").raw({0, 0, 0}));
    s.emplace_back("largesize-tiny", A("moov", Bytes().be32(1).code("mdat").be64(15).append(A("free"))).append(A("skip")));
    s.emplace_back("largesize-huge", A("ftyp").be32(1).code("mdat").be64(0xFFFFFFFFFFFFFFFFULL).append(A("moov")));
    // Defect: sizes 2 to 7, smaller than the header.
    for (uint32_t size = 2; size < 8; ++size)
        s.emplace_back("size-" + std::to_string(size),
                       A("moov", A("mvhd", Zeros(4)).be32(size).code("bad!").append(A("free"))).append(A("skip")));
    s.emplace_back("overshooting", A("moov", A("mvhd", Zeros(4)).be32(100).code("trak").fill(8)).append(A("free")));
    s.emplace_back("negative-size", A("moov", Bytes().be32(0x80000010).code("trak").fill(8)).append(A("free")));
    s.emplace_back("short-tail", A("moov", A("mvhd", Zeros(4)).fill(5, 0x61)).append(A("mdat", Zeros(3))).append(A("free")));
    s.emplace_back("uuid", A("uuid", Bytes().code("0123456789abcdef").append(A("tfxd", Zeros(4))))
                               .append(A("uuid", Bytes().code("short")))
                               .append(A("free")));
    // Data that passes the header test: a sample group's grouping type, a
    // QuickTime handler's component type (size 0), an XMP packet in uuid.
    s.emplace_back("phantoms",
                   A("moov", A("trak", A("stbl", A("sgpd", Bytes().be32(0x01000000).code("roll").be32(2).be32(1).le16(0xFFFF))
                                                   .append(A("hdlr", Zeros(4).code("mhlr").code("vide").fill(12))))))
                       .append(A("uuid", Bytes().code("0123456789abcdef").code("<?xpacket begin")))
                       .append(A("mdat", Bytes().raw({0xDE, 0x02, 0x00, 0x4C}).code("avc59.37.100"))));
    // A QuickTime user data list closed by a 32-bit zero.
    s.emplace_back("udta-zero-end", A("moov", A("udta", A("name", Bytes().code("clip")).be32(0))).append(A("free")));
    // Defect: 300 atoms, each the only child of the one before, in moov/trak.
    Bytes deep = A("core", Zeros(2));
    for (int i = 0; i < 300; ++i) deep = A("deep", deep);
    s.emplace_back("deep-atoms", A("moov", A("trak", deep)).append(A("free")));
    return s;
}

bool Write(const std::filesystem::path& dir, const Seeds& seeds) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    for (const auto& [name, bytes] : seeds) {
        if (!bytes.WriteTo((dir / name).string())) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-seeds OUTPUT-DIRECTORY\n");
        return 2;
    }
    const std::filesystem::path out(argv[1]);
    if (!Write(out / "riff", RiffSeeds()) || !Write(out / "atom", AtomSeeds())) {
        std::fprintf(stderr, "make-seeds: cannot write under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
