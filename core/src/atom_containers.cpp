#include "atom_containers.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "node_hints.h"

namespace viewer {

namespace {

constexpr uint32_t Code(const char (&c)[5]) {
    return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 | uint32_t(uint8_t(c[2])) << 8 |
           uint32_t(uint8_t(c[3]));
}

// The atoms whose payload is nothing but atoms, from:
//  - ISO/IEC 14496-12 (ISO base media file format), its box table: moov
//    trak edts mdia minf dinf stbl mvex moof traf mfra udta tref trgr sinf
//    rinf schi strk strd meco iprp ipco grpl, and the hint track boxes
//    hnti hinf;
//  - ISO/IEC 14496-14 (MP4), 14496-15 (NAL unit streams) and 3GPP TS 26.244
//    (3GP) define no further containers outside sample entries, which the
//    walk never reaches (stsd starts with its version and entry count);
//  - ISO/IEC 23008-12 (HEIF): iprp ipco grpl, listed above;
//  - Apple's QuickTime File Format: moov trak clip matt tapt edts tref mdia
//    minf gmhd dinf stbl udta, wave (the sound description's extension),
//    meta with its ilst (whose items each hold data atoms), the compressed
//    movie cmov and the reference movie rmra with its rmda.
// Sorted, for the binary search.
constexpr uint32_t kContainers[] = {
    Code("clip"), Code("cmov"), Code("dinf"), Code("edts"), Code("gmhd"), Code("grpl"), Code("hinf"),
    Code("hnti"), Code("ilst"), Code("ipco"), Code("iprp"), Code("matt"), Code("mdia"), Code("meco"),
    Code("meta"), Code("mfra"), Code("minf"), Code("moof"), Code("moov"), Code("mvex"), Code("rinf"),
    Code("rmda"), Code("rmra"), Code("schi"), Code("sinf"), Code("stbl"), Code("strd"), Code("strk"),
    Code("tapt"), Code("traf"), Code("trak"), Code("tref"), Code("trgr"), Code("udta"), Code("wave"),
};
static_assert(std::is_sorted(std::begin(kContainers), std::end(kContainers)));

uint32_t CodeOf(const char* type) {
    unsigned char b[4];
    std::memcpy(b, type, 4);
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
}

// Marks every node of the list starting at `first`, and all below it, phantom.
void MarkPhantoms(ChunkNode* first) {
    for (ChunkNode* n = first; n; n = n->next) {
        if (n->flags & kPhantom) continue;  // and so is all below it
        n->flags |= kPhantom;
        // The walk nests at most a few hundred levels: so does this.
        MarkPhantoms(n->firstChild);
    }
}

}  // namespace

bool IsAtomContainer(const char* type, const char* parentType) {
    if (parentType && CodeOf(parentType) == Code("ilst")) return true;
    return std::binary_search(std::begin(kContainers), std::end(kContainers), CodeOf(type));
}

bool ChildrenTile(const ChunkNode& node, const ChunkTree& tree) {
    if (!node.firstChild) return false;
    int64_t at = node.offset + node.headerSize;
    for (const ChunkNode* c = node.firstChild; c; c = c->next) {
        if (c->offset != at || c->anomalies || (c->notes & kSizeZeroToEnd)) return false;
        at = DeclaredEnd(*c, tree);
    }
    return at == SpanEnd(node, tree);
}

void MarkContentsNotAtoms(ChunkNode& node) {
    node.notes |= kContentsNotAtoms;
    node.anomalies &= static_cast<uint16_t>(~kTailSkipped);
    MarkPhantoms(node.firstChild);
}

}  // namespace viewer
