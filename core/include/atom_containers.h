// Which atoms hold atoms, and what becomes of a payload that only looked
// like atoms. The atom walk tries every payload as a list of atoms; inside
// an atom that the formats do not define as a container, what it finds is
// trusted only when it tiles the payload exactly. Otherwise the payload was
// data (a sample group's grouping type, encoder text in mdat, an XMP packet)
// that passed the header test, and the nodes read from it are phantoms.
#pragma once

#include <cstdint>

#include "byte_order.h"
#include "chunk_node.h"

namespace viewer {

namespace container_table {

constexpr uint32_t Code(const char (&c)[5]) {
    return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 | uint32_t(uint8_t(c[2])) << 8 |
           uint32_t(uint8_t(c[3]));
}

// The atoms whose payload is nothing but atoms, from:
//  - ISO/IEC 14496-12 (ISO base media file format), its box table: moov
//    trak edts mdia minf dinf stbl mvex moof traf mfra udta tref trgr sinf
//    rinf schi strk strd meco meta iprp ipco grpl, and the hint track boxes
//    hnti hinf (meta is a full box there: the walk never sees atoms in it);
//  - ISO/IEC 14496-14 (MP4), 14496-15 (NAL unit streams) and 3GPP TS 26.244
//    (3GP) define no further containers outside sample entries, which the
//    walk never reaches (stsd starts with its version and entry count);
//  - ISO/IEC 23008-12 (HEIF): iprp ipco grpl, listed above;
//  - Apple's QuickTime File Format: moov trak clip matt tapt edts tref mdia
//    minf gmhd dinf stbl udta, wave (the sound description's extension),
//    meta with its ilst (whose items each hold data atoms), the compressed
//    movie cmov and the reference movie rmra with its rmda.
constexpr uint32_t kContainers[] = {
    Code("clip"), Code("cmov"), Code("dinf"), Code("edts"), Code("gmhd"), Code("grpl"), Code("hinf"),
    Code("hnti"), Code("ilst"), Code("ipco"), Code("iprp"), Code("matt"), Code("mdia"), Code("meco"),
    Code("meta"), Code("mfra"), Code("minf"), Code("moof"), Code("moov"), Code("mvex"), Code("rinf"),
    Code("rmda"), Code("rmra"), Code("schi"), Code("sinf"), Code("stbl"), Code("strd"), Code("strk"),
    Code("tapt"), Code("traf"), Code("trak"), Code("tref"), Code("trgr"), Code("udta"), Code("wave"),
};

// A perfect hash: each container has a slot of its own among 64, so a type
// is looked up with one multiplication and one comparison (the walk asks
// once per atom that has children). A slot no container takes holds a code
// that hashes elsewhere, so that nothing matches it.
constexpr uint32_t kMultiplier = 0x34ACB0E7;
constexpr unsigned Slot(uint32_t code) { return (code * kMultiplier) >> 26; }

struct Table {
    uint32_t slots[64];
    bool perfect;
};
constexpr Table MakeTable() {
    Table t{};
    bool taken[64] = {};
    t.perfect = true;
    for (uint32_t c : kContainers) {
        if (taken[Slot(c)]) t.perfect = false;
        taken[Slot(c)] = true;
        t.slots[Slot(c)] = c;
    }
    for (unsigned i = 0; i < 64; ++i) {
        if (taken[i]) continue;
        for (uint32_t c : kContainers)
            if (Slot(c) != i) t.slots[i] = c;
    }
    return t;
}
inline constexpr Table kTable = MakeTable();
static_assert(kTable.perfect, "two containers share a slot: choose another multiplier");

}  // namespace container_table

// Whether the formats define an atom of type `type` (4 bytes, as in a
// label) as a list of atoms. `parentType` is the type of the atom holding
// it (the items of an iTunes `ilst` are containers whatever their type).
inline bool IsAtomContainer(const char* type, const char* parentType) {
    using namespace container_table;
    const uint32_t code = ReadBe32(reinterpret_cast<const unsigned char*>(type));
    if (kTable.slots[Slot(code)] == code) return true;
    return ReadBe32(reinterpret_cast<const unsigned char*>(parentType)) == Code("ilst");
}

// Whether the children of `node` tile its payload exactly: the first starts
// where the payload does, each next one where the one before ends, the last
// ends where `node` does, and none has an anomaly of its own or size 0. (A
// size of 0, "to the end", fits any payload by definition and so proves
// nothing; ISO/IEC 14496-12 allows it to the last box of a file alone. Four
// zero bytes of version and flags before a four-letter code, as in hdlr and
// sbgp, read as one.) False for a node without children.
bool ChildrenTile(const ChunkNode& node, const ChunkTree& tree);

// Marks `node` kContentsNotAtoms and every node below it kPhantom. A tail
// skipped after the last phantom is no tail of `node`'s: its mark goes.
// Subtrees already marked phantom are passed over, so marking every level
// of a tree costs time in proportion to its nodes.
void MarkContentsNotAtoms(ChunkNode& node);

// What the atom walk does once the children of `node` (held by `parent`)
// are read: where `node` is no container and its children do not tile it,
// they were data (MarkContentsNotAtoms).
inline void JudgeAtomContents(ChunkNode& node, const ChunkNode& parent, const ChunkTree& tree) {
    if (node.firstChild && !IsAtomContainer(node.label, parent.label) && !ChildrenTile(node, tree))
        MarkContentsNotAtoms(node);
}

}  // namespace viewer
