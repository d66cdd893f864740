// What the walks notice about a node: each anomaly and note built from
// readable bytes, with its exact record (kind and figure), and the --check
// lines and JSON of the dump tools that print them.
#include <gtest/gtest.h>

#include "atom_analysis.h"
#include "node_hints.h"
#include "riff_analysis.h"
#include "test_support.h"

namespace {

using L = std::vector<std::string>;

// One line per node with a hint: "label@offset h=HEADER kind:bytes ... (note ...)".
L Hints(Walk walk, const Bytes& bytes) {
    ByteSource src(bytes.str().data(), bytes.size());
    const Analysis a = walk(src);
    if (!a.ok()) return Failed(a.reason);
    struct Collector {
        const ChunkTree& tree;
        std::vector<const ChunkNode*> ancestors;
        L lines;
        void Enter(const ChunkNode& node, size_t depth) {
            ancestors.resize(depth);
            const ChunkNode* parent = depth ? ancestors.back() : nullptr;
            ancestors.push_back(&node);
            if (!node.anomalies && !node.notes && !node.flags) return;
            const NodeDescription d = DescribeNode(node, parent, tree);
            std::string line = std::string(node.label) + "@" + std::to_string(d.offset) + " h=" +
                               std::to_string(d.headerSize);
            auto add = [&](const Hint& h, const char* prefix) {
                line += ' ';
                line += prefix;
                line += HintName(h.kind);
                if (h.bytes >= 0) {
                    line += ':';
                    line += std::to_string(h.bytes);
                }
            };
            for (size_t i = 0; i < d.anomalyCount; ++i) add(d.anomalies[i], "");
            for (size_t i = 0; i < d.noteCount; ++i) add(d.notes[i], "note ");
            if (d.phantom) line += " phantom";
            lines.push_back(line);
        }
        void Leave(const ChunkNode&, size_t) {}
    } collector{*a.tree, {}, {}};
    VisitPreOrder(a.tree->root, collector);
    return collector.lines;
}

L Riff(const Bytes& b) { return Hints(riff::Analyze, b); }
L Atoms(const Bytes& b) { return Hints(atom::Analyze, b); }

TEST(RiffHints, SoundFilesHaveNone) {
    Bytes avi = Form("AVI ", Bytes::List("hdrl", Leaf("avih", 56)).append(Bytes::List("movi", Leaf("00dc", 7))));
    EXPECT_EQ(Riff(avi), L{});
    // A pad byte that is there, also after the last chunk of a list.
    EXPECT_EQ(Riff(Form("WAVE", Leaf("fmt ", 16).append(Leaf("data", 3)))), L{});
}

TEST(RiffHints, CutAndOverrunningChunks) {
    // A WAVE cut short: data declares 1000 bytes, 100 are there; the root
    // is cut by as much.
    Bytes cut = Bytes().code("RIFF").le32(1036).code("WAVE").append(Leaf("fmt ", 16)).code("data").le32(1000).fill(100);
    EXPECT_EQ(Riff(cut), (L{"RIFF_WAVE@0 h=12 truncated:900", "data@36 h=8 truncated:900"}));

    // A leaf 10 bytes past its LIST, which ends 40 bytes before the file.
    Bytes list = Bytes().code("LIST").le32(4 + 8 + 20).code("INFO").code("ISFT").le32(30).fill(60);
    EXPECT_EQ(Riff(Form("AVI ", list)), (L{"ISFT@24 h=8 overruns-parent:10"}));

    // A LIST past its parent and past the end of the file: both figures,
    // unless the parent ends where the file does (the same figure twice).
    Bytes far = Form("AVI ", Bytes().code("LIST").le32(100).code("movi").append(Leaf("00dc", 4)));
    EXPECT_EQ(Riff(far), (L{"LIST_movi@12 h=12 truncated:84"}));
    Bytes far2 = Form("AVI ", Bytes().code("LIST").le32(100).code("movi").append(Leaf("00dc", 4))).fill(50);
    EXPECT_EQ(Riff(far2), (L{"LIST_movi@12 h=12 overruns-parent:84 truncated:34"}));
}

TEST(RiffHints, MalformedSizesAndStructure) {
    // A streamed chunk's FF FF FF FF; a streamed root.
    EXPECT_EQ(Riff(Bytes().code("RIFF").le32(44).code("WAVE").append(Leaf("fmt ", 16)).code("data").le32(0xFFFFFFFF).fill(8)),
              (L{"data@36 h=8 negative-size"}));
    EXPECT_EQ(Riff(Bytes().code("RIFF").le32(0xFFFFFFFF).code("WAVE").append(Leaf("data", 4))),
              (L{"RIFF_WAVE@0 h=12 negative-size"}));
    // An odd chunk whose writer left out the pad byte; the next one is read from there.
    Bytes nopad = Form("AVI ", Bytes::Chunk("JUNK", Bytes().fill(3), false).append(Leaf("idx1", 4)));
    EXPECT_EQ(Riff(nopad), (L{"JUNK@12 h=8 missing-pad"}));
    // LISTs too small for their type, the root included.
    EXPECT_EQ(Riff(Form("AVI ", Bytes().code("LIST").le32(2).code("xy").append(Leaf("idx1", 4)))),
              (L{"LIST_xyid@12 h=12 list-too-small"}));
    EXPECT_EQ(Riff(Bytes().code("RIFF").le32(2).code("AVI ")), (L{"RIFF_AVI @0 h=12 list-too-small"}));
    // A LIST at the nesting bound is not opened.
    Bytes deep = Leaf("junk", 4);
    for (int i = 0; i < riff::kMaxDepth; ++i) deep = Bytes::List("deep", deep);
    const L lines = Riff(Form("AVI ", deep));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "LIST_deep@" + std::to_string(12 * riff::kMaxDepth) + " h=12 depth-limit");
    // ...but an empty one there, or one too small for a chunk, has nothing to open.
    for (size_t room : {0, 7}) {
        Bytes empty = Bytes::List("last", Bytes().fill(room));
        for (int i = 0; i < riff::kMaxDepth - 1; ++i) empty = Bytes::List("deep", empty);
        EXPECT_EQ(Riff(Form("AVI ", empty)), L{}) << room;
    }
}

TEST(RiffHints, ThePadIsLookedForAtTheChunksOwnEnd) {
    // Defect: LIST outr (odd, 17) holds LIST innr, which runs 11 bytes past
    // it; outr's zero pad at 37 is inside innr's child "J\0NK". The pad was
    // looked for where innr's walk stopped (48, the 'i' of idx1) and
    // reported missing.
    Bytes overrun = Bytes().code("RIFF").le32(48).code("AVI ").code("LIST").le32(17).code("outr").code("LIST")
                        .le32(16).code("innr").raw({'J', 0, 'N', 'K'}).le32(4).code("abcd").code("idx1").le32(0);
    EXPECT_EQ(Riff(overrun), (L{"LIST_innr@24 h=12 overruns-parent:11"}));
    // Defect: a root of odd size followed by a non-zero byte was not marked.
    Bytes root = Bytes().code("RIFF").le32(13).code("AVI ").code("abcd").le32(1).raw({0x41}).code("JUNK");
    EXPECT_EQ(Riff(root), (L{"RIFF_AVI @0 h=12 missing-pad"}));
}

TEST(RiffHints, ZeroIdsAreTold) {
    // Four zero bytes of padding after hdrl: the next chunk's id "JUNK" is
    // read as the zero id's size.
    Bytes padded = Form("AVI ", Bytes::List("hdrl", Leaf("avih", 56)).fill(4).append(Leaf("JUNK", 4)));
    EXPECT_EQ(Riff(padded), (L{"@88 h=8 zero-id truncated:1263424834"}));
    // Eight zero bytes read as a chunk of size 0 keep the walk in step.
    EXPECT_EQ(Riff(Form("AVI ", Bytes().fill(8).append(Leaf("JUNK", 4)))), L{});
}

TEST(AtomHints, SoundFilesHaveNone) {
    Bytes mp4 = Bytes::Atom("ftyp", Bytes().code("isom").be32(0))
                    .append(Bytes::Atom("moov", Bytes::Atom("mvhd", Bytes().fill(100))))
                    .append(Bytes::Atom("mdat", Bytes().fill(3)));
    EXPECT_EQ(Atoms(mp4), L{});
    // An 8-byte payload that is no atom: a leaf, not an anomaly.
    EXPECT_EQ(Atoms(Bytes::Atom("smhd", Bytes().fill(8))), L{});
}

TEST(AtomHints, CutAndOverrunningAtoms) {
    // moov cut 84 bytes short at the end of the file.
    Bytes cut = Bytes::Atom("ftyp", Bytes().code("isom")).be32(200).code("moov").append(Bytes::Atom("mvhd", Bytes().fill(100)));
    EXPECT_EQ(Atoms(cut), (L{"moov@12 h=8 truncated:84"}));
    // Text read as a header inside mdat, far past mdat and the file: mdat
    // holds no atoms, so that one is a phantom, its figures kept.
    Bytes text = Bytes::Atom("mdat", Bytes().be32(1000).code("libf").fill(8)).append(Bytes::Atom("free", Bytes()));
    EXPECT_EQ(Atoms(text), (L{"mdat@0 h=8 note contents-not-atoms", "libf@8 h=8 overruns-parent:984 truncated:976 phantom"}));
    // Past the end of a container: damage, whatever holds the container.
    Bytes stbl = Bytes::Atom("trak", Bytes::Atom("stbl", Bytes().be32(100).code("stsz").fill(8)));
    EXPECT_EQ(Atoms(stbl), (L{"stsz@16 h=8 truncated:84"}));
}

TEST(AtomHints, DataThatOnlyLookedLikeAtomsIsPhantom) {
    // ffmpeg's sample group of AAC tracks: version 1, flags 0, then the
    // grouping type "roll" (read as a type, the version as a size), its
    // default length, one entry, a roll distance of -1.
    Bytes sgpd = Bytes::Atom("stbl", Bytes::Atom("sgpd", Bytes().be32(0x01000000).code("roll").be32(2).be32(1).le16(0xFFFF)));
    EXPECT_EQ(Atoms(sgpd), (L{"sgpd@8 h=8 note contents-not-atoms", "roll@16 h=8 truncated:16777198 phantom"}));
    // A camera's uuid holding atoms that tile it (trusted), the first of
    // which holds text: "Cano" read as a size, "nCR3" as a type.
    Bytes cr3 = Bytes::Atom("uuid", Bytes().fill(16).append(Bytes::Atom("CNCV", Bytes().code("CanonCR3_001/00.09.00"))));
    EXPECT_EQ(Atoms(cr3), (L{"CNCV@24 h=8 note contents-not-atoms", "nCR3@32 h=8 truncated:1130458714 phantom"}));
    // Every level below the atom whose contents did not fit is phantom,
    // and a tail after phantoms is no tail of the atom's.
    Bytes nested = Bytes::Atom("uuid", Bytes().fill(16).append(Bytes::Atom("abcd", Bytes::Atom("efgh", Bytes()))).fill(3));
    EXPECT_EQ(Atoms(nested), (L{"uuid@0 h=24 note contents-not-atoms", "abcd@24 h=8 phantom", "efgh@32 h=8 phantom"}));
    // Atoms that tile a payload exactly are trusted, in any atom.
    Bytes tiled = Bytes::Atom("free", Bytes::Atom("abcd", Bytes().fill(4)).append(Bytes::Atom("efgh", Bytes())));
    EXPECT_EQ(Atoms(tiled), L{});
    // The items of an iTunes list hold atoms whatever their type: a data
    // atom past its item is damage.
    Bytes ilst = Bytes::Atom("ilst", Bytes::Atom("covr", Bytes().be32(40).code("data").fill(8)));
    EXPECT_EQ(Atoms(ilst), (L{"data@16 h=8 truncated:24"}));
    // What the dump tools make of a phantom: no --check line; in JSON a
    // mark, with its anomalies and its parent's note.
    ByteSource src(sgpd.str().data(), sgpd.size());
    const Analysis a = atom::Analyze(src);
    EXPECT_EQ(DumpCheck(*a.tree), "");
    EXPECT_NE(DumpJson(*a.tree).find("\"offset\":8,\"header\":8,\"notes\":[{\"kind\":\"contents-not-atoms\"}],"
                                     "\"children\":[{\"label\":\"roll\",\"size\":16777216,\"offset\":16,\"header\":8,"
                                     "\"phantom\":true,\"anomalies\":[{\"kind\":\"truncated\",\"bytes\":16777198}]"),
              std::string::npos);
}

TEST(AtomHints, QuickTimeUserDataMayEndInAZero) {
    Bytes udta = Bytes::Atom("moov", Bytes::Atom("udta", Bytes::Atom("name", Bytes().code("clip")).be32(0)));
    EXPECT_EQ(Atoms(udta), (L{"udta@8 h=8 note zero-terminator"}));
    // Four other bytes are a tail; a zero after another container's list too.
    Bytes other = Bytes::Atom("moov", Bytes::Atom("udta", Bytes::Atom("name", Bytes().code("clip")).code("abcd")));
    EXPECT_EQ(Atoms(other), (L{"udta@8 h=8 tail-skipped:4"}));
    Bytes trak = Bytes::Atom("trak", Bytes::Atom("tkhd", Bytes().fill(8)).be32(0));
    EXPECT_EQ(Atoms(trak), (L{"trak@0 h=8 tail-skipped:4"}));
}

TEST(AtomHints, SizesAndTails) {
    // Negative (a narrow file reads the field signed) and below the header.
    EXPECT_EQ(Atoms(Bytes().be32(0x80000000).code("mdat").fill(8)), (L{"mdat@0 h=8 negative-size"}));
    EXPECT_EQ(Atoms(Bytes().be32(5).code("free").fill(8)), (L{"free@0 h=8 size-below-header"}));
    // Largesize below its 16-byte header.
    EXPECT_EQ(Atoms(Bytes().be32(1).code("mdat").be64(12).fill(8)),
              (L{"mdat@0 h=16 size-below-header note largesize"}));
    // ...and past its parent too, when its 64-bit size lies beyond moov's end
    // (a fuzz find: the overrun went unmarked).
    EXPECT_EQ(Atoms(Bytes::Atom("moov", Bytes().be32(1).code("mdat")).be64(15).fill(8)),
              (L{"mdat@8 h=16 overruns-parent:7 size-below-header note largesize"}));
    // Notes alone: size 0 runs to the end of its parent; a sound largesize.
    EXPECT_EQ(Atoms(Bytes::Atom("moov", Bytes().be32(0).code("free").fill(4))), (L{"free@8 h=8 note size-zero-to-end"}));
    EXPECT_EQ(Atoms(Bytes().be32(1).code("mdat").be64(24).fill(8)), (L{"mdat@0 h=16 note largesize"}));
    // A tail of 5 bytes after moov's last child; none after a leaf's short payload.
    EXPECT_EQ(Atoms(Bytes::Atom("moov", Bytes::Atom("mvhd", Bytes().fill(8)).fill(5))),
              (L{"moov@0 h=8 tail-skipped:5"}));
    EXPECT_EQ(Atoms(Bytes::Atom("stss", Bytes().fill(5))), L{});
    // A uuid's header holds its extended type. A uuid holds no atoms by
    // any format, so a list in it that leaves a tail was data.
    EXPECT_EQ(Atoms(Bytes::Atom("uuid", Bytes().fill(16).append(Bytes::Atom("free", Bytes())).fill(3))),
              (L{"uuid@0 h=24 note contents-not-atoms", "free@24 h=8 phantom"}));
    // Atoms at the nesting bound are not opened: in containers, the file's
    // anomaly; in atoms that hold no atoms, a phantom's.
    Bytes deep = Bytes::Atom("free", Bytes()), moov = deep;
    for (int i = 0; i < atom::kMaxDepth; ++i) deep = Bytes::Atom("deep", deep), moov = Bytes::Atom("moov", moov);
    EXPECT_EQ(Atoms(moov), (L{"moov@" + std::to_string(8 * (atom::kMaxDepth - 1)) + " h=8 depth-limit"}));
    // A payload there that does not start like an atom has nothing to open.
    Bytes data = Bytes::Atom("stsz", Bytes().fill(12));
    for (int i = 0; i < atom::kMaxDepth - 1; ++i) data = Bytes::Atom("moov", data);
    EXPECT_EQ(Atoms(data), L{});
    EXPECT_EQ(Atoms(deep), (L{"deep@" + std::to_string(8 * (atom::kMaxDepth - 2)) + " h=8 note contents-not-atoms",
                              "deep@" + std::to_string(8 * (atom::kMaxDepth - 1)) + " h=8 depth-limit phantom"}));
}

TEST(DumpForms, CheckLinesAndJsonHints) {
    // A ':' in a label would pass for the separator: the line would split
    // into the path "RIFF_AVI /a" and the kind "b".
    Bytes colon = Form("AVI ", Bytes::Chunk("a: b", Bytes().fill(3), false).append(Leaf("idx1", 4)));
    ByteSource src0(colon.str().data(), colon.size());
    EXPECT_EQ(DumpCheck(*riff::Analyze(src0).tree), "12 RIFF_AVI /a\\x3a b: missing-pad: odd size, and no pad byte follows\n");
    Bytes cut = Bytes().code("RIFF").le32(1036).code("WAVE").append(Leaf("fmt ", 16)).code("da/a").le32(1000).fill(100);
    ByteSource src(cut.str().data(), cut.size());
    const Analysis a = riff::Analyze(src);
    ASSERT_TRUE(a.ok());
    // The path escapes as the text dump does, and '/' too.
    EXPECT_EQ(DumpCheck(*a.tree), "0 RIFF_WAVE: truncated: the file ends 900 bytes before its declared end\n"
                                  "36 RIFF_WAVE/da\\x2fa: truncated: the file ends 900 bytes before its declared end\n");
    EXPECT_NE(DumpJson(*a.tree).find("\"offset\":36,\"header\":8,\"anomalies\":[{\"kind\":\"truncated\",\"bytes\":900}],"
                                     "\"children\""),
              std::string::npos);

    Bytes notes = Bytes::Atom("moov", Bytes().be32(2).code("free").fill(4)).be32(0).code("mdat");
    ByteSource src2(notes.str().data(), notes.size());
    const Analysis b = atom::Analyze(src2);
    EXPECT_EQ(DumpCheck(*b.tree), "8 TOP/moov/free: size-below-header: size 2 is less than its 8-byte header\n");

    // A negative size in each format's words.
    Bytes negative = Bytes().be32(0xFFFFFFFF).code("mdat").fill(8);
    ByteSource src3(negative.str().data(), negative.size());
    EXPECT_EQ(DumpCheck(*atom::Analyze(src3).tree), "0 TOP/mdat: negative-size: the size field has its top bit set\n");
    Bytes streamed = Bytes().code("RIFF").le32(0xFFFFFFFF).code("WAVE").append(Leaf("data", 4));
    ByteSource src4(streamed.str().data(), streamed.size());
    EXPECT_EQ(DumpCheck(*riff::Analyze(src4).tree), "0 RIFF_WAVE: negative-size: negative size (a streamed file's unknown size)\n");
    EXPECT_NE(DumpJson(*b.tree).find("{\"label\":\"mdat\",\"size\":8,\"offset\":20,\"header\":8,"
                                     "\"notes\":[{\"kind\":\"size-zero-to-end\"}],\"children\":[]}"),
              std::string::npos);
}

}  // namespace
