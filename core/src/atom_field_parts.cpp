// The pieces the decoders of the atoms' fields share (atom_field_parts.h).
#include "atom_field_parts.h"

#include <algorithm>
#include <cstring>

#include "node_hints.h"

namespace viewer::fields::atoms {

std::string Indexed(const char* list, size_t i, const char* name) {
    return std::string(list) + "[" + std::to_string(i + 1) + "]." + name;
}

size_t Available(const Context& c, const ChunkNode& n, const ChunkNode* holder) {
    const int64_t start = n.offset + n.headerSize;
    int64_t end = DeclaredEnd(n, c.tree);
    if (holder) end = std::min(end, SpanEnd(*holder, c.tree));
    end = std::min(end, c.file.KnownLength());
    return end > start ? static_cast<size_t>(end - start) : 0;
}

// Reads a relative whose holder is not among the node's ancestors (a sibling
// of an ancestor, or a child of one), bounded by that holder.
void ReadWithin(const Context& c, const ChunkNode& n, const ChunkNode& holder, Payload& out) {
    const size_t want = std::min(Available(c, n, &holder), kMaxFieldBytes);
    c.file.Seek(n.offset + n.headerSize);
    out.size = want ? c.file.Read(out.bytes, want) : 0;
    out.readFailed = out.size < want;
}

// Signed or unsigned big-endian integers of 1 to 8 bytes.
uint64_t BeN(const unsigned char* p, size_t n) {
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v = v << 8 | p[i];
    return v;
}
int64_t SignedBeN(const unsigned char* p, size_t n) {
    const uint64_t v = BeN(p, n);
    if (n < 8 && (v >> (8 * n - 1)) & 1) return static_cast<int64_t>(v | ~uint64_t{0} << (8 * n));
    return static_cast<int64_t>(v);
}

// A 64-bit unsigned field as a value of `type`; past what an int64_t
// holds, its bits in hex.
void Unsigned(Out& o, const std::string& name, uint64_t v, FieldType type) {
    if (v > static_cast<uint64_t>(INT64_MAX))
        o.Add(name, FieldType::kHex, static_cast<int64_t>(v));
    else
        o.Add(name, type, static_cast<int64_t>(v));
}

// A time of `ticks`, `scale` of which make a second (0: not known, an
// integer of ticks).
void Time(Out& o, const std::string& name, uint64_t ticks, uint32_t scale) {
    if (scale && ticks <= static_cast<uint64_t>(INT64_MAX))
        o.Add(name, FieldType::kDuration, static_cast<int64_t>(ticks), scale);
    else
        Unsigned(o, name, ticks, FieldType::kInteger);
}
// A duration: a time, but all ones (of a 32-bit field, or of a 64-bit one
// when `wide`) is "unknown".
void Duration(Out& o, const std::string& name, uint64_t ticks, bool wide, uint32_t scale) {
    if (ticks == (wide ? ~uint64_t{0} : 0xFFFFFFFFu))
        o.Add(name, FieldType::kHex, static_cast<int64_t>(ticks)).text = "unknown";
    else
        Time(o, name, ticks, scale);
}

// Reads the version and flags of a full box that this decoder knows up to
// `maxVersion`; false, with the problem set, when it cannot go on.
bool FullBox(const Payload& p, unsigned maxVersion, Out& o, unsigned* version, uint32_t* flags) {
    if (!p.Has(0, 4)) {
        o.TooShort();
        return false;
    }
    if (p.bytes[0] > maxVersion) {
        o.f.problem = FieldProblem::kUnknownVersion;
        o.f.problemValue = p.bytes[0];
        return false;
    }
    if (version) *version = p.bytes[0];
    if (flags) *flags = p.Be32(0) & 0xFFFFFF;
    return true;
}

// Marks the atom short when a table of `count` entries of `entrySize` bytes
// from `at` does not fit in it.
void CheckTable(const Atom& a, size_t at, uint64_t count, uint64_t entrySize, Out& o) {
    if (!a.Within(at, count * entrySize)) o.TooShort();  // count < 2^32, entrySize < 2^8: no overflow
}

// The version-dependent 32- or 64-bit field at `at`; false (short) when absent.
bool Wide(const Payload& p, size_t at, bool wide, uint64_t* v) {
    if (!p.Has(at, wide ? 8 : 4)) return false;
    *v = wide ? p.Be64(at) : p.Be32(at);
    return true;
}

// The timescale of a movie or media header (mvhd and mdhd share their
// first fields), or 0 when there is none to read.
uint32_t HeaderTimescale(const Payload& p) {
    if (!p.Has(0, 4) || p.bytes[0] > 1) return 0;
    const size_t at = p.bytes[0] ? 20 : 12;
    return p.Has(at, 4) ? p.Be32(at) : 0;
}
uint32_t TimescaleOf(const Context& c, const ChunkNode* header, const ChunkNode* holder) {
    if (!header || (header->flags & kPhantom)) return 0;
    Payload p;
    if (holder)
        ReadWithin(c, *header, *holder, p);
    else
        ReadPayload(c, *header, p);
    return HeaderTimescale(p);
}
// The movie's timescale: mvhd under the nearest moov.
uint32_t MovieTimescale(const Context& c) {
    const ChunkNode* moov = c.Ancestor("moov");
    return moov ? TimescaleOf(c, ChildLabelled(*moov, "mvhd"), nullptr) : 0;
}
// The track's media timescale: mdhd under the nearest mdia, or under the
// mdia of the nearest trak (from its edit list).
uint32_t MediaTimescale(const Context& c) {
    if (const ChunkNode* mdia = c.Ancestor("mdia")) return TimescaleOf(c, ChildLabelled(*mdia, "mdhd"), nullptr);
    const ChunkNode* trak = c.Ancestor("trak");
    const ChunkNode* mdia = trak ? ChildLabelled(*trak, "mdia") : nullptr;
    if (!mdia || (mdia->flags & kPhantom)) return 0;
    return TimescaleOf(c, ChildLabelled(*mdia, "mdhd"), mdia);
}
// The track's handler_type ('vide', 'soun', ...) from hdlr under the
// nearest mdia, or 0.
uint32_t TrackHandler(const Context& c) {
    const ChunkNode* mdia = c.Ancestor("mdia");
    const ChunkNode* hdlr = mdia ? ChildLabelled(*mdia, "hdlr") : nullptr;
    if (!hdlr || (hdlr->flags & kPhantom)) return 0;
    Payload p;
    ReadPayload(c, *hdlr, p);
    return p.Has(8, 4) ? p.Be32(8) : 0;
}

}  // namespace viewer::fields::atoms
