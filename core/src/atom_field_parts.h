// What the decoders of the atoms' fields share (atom_fields.cpp,
// atom_sample_entries.cpp, atom_metadata.cpp): the payload with how far the
// atom reaches, the atom's relatives (the track's timescales and handler),
// and the appenders of times and full-box headers.
#pragma once

#include <cstdint>
#include <string>

#include "field_decoding.h"

namespace viewer::fields::atoms {

constexpr uint32_t Code(const char (&c)[5]) {
    return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 | uint32_t(uint8_t(c[2])) << 8 |
           uint32_t(uint8_t(c[3]));
}

// The type of a node, from its label (the type's bytes up to a NUL).
inline uint32_t TypeOf(const ChunkNode& n) { return ReadBe32(reinterpret_cast<const unsigned char*>(n.label)); }
inline bool Is(const ChunkNode* n, const char (&type)[5]) { return n && TypeOf(*n) == Code(type); }

std::string Indexed(const char* list, size_t i, const char* name);

// The payload of the node being decoded, and how far it reaches beyond the
// bytes read.
struct Atom {
    Payload p;
    size_t available = 0;  // payload bytes the node has within its parent and the file, past the read limit too

    // Whether the read limit, not the node's end, cut the payload short.
    bool Capped() const { return available > p.size && !p.readFailed; }
    // Whether `n` bytes from `at` lie within the node, read or not.
    bool Within(size_t at, uint64_t n) const { return at <= available && n <= available - at; }
};

// How many payload bytes `n` has within `holder` (if given) and the data,
// past the read limit too.
size_t Available(const Context& c, const ChunkNode& n, const ChunkNode* holder);

// Reads a relative whose holder is not among the node's ancestors (a sibling
// of an ancestor, or a child of one), bounded by that holder.
void ReadWithin(const Context& c, const ChunkNode& n, const ChunkNode& holder, Payload& out);

// Signed or unsigned big-endian integers of 1 to 8 bytes.
uint64_t BeN(const unsigned char* p, size_t n);

int64_t SignedBeN(const unsigned char* p, size_t n);

// A 64-bit unsigned field as a value of `type`; past what an int64_t
// holds, its bits in hex.
void Unsigned(Out& o, const std::string& name, uint64_t v, FieldType type);

// A time of `ticks`, `scale` of which make a second (0: not known, an
// integer of ticks).
void Time(Out& o, const std::string& name, uint64_t ticks, uint32_t scale);

// A duration: a time, but all ones (of a 32-bit field, or of a 64-bit one
// when `wide`) is "unknown".
void Duration(Out& o, const std::string& name, uint64_t ticks, bool wide, uint32_t scale);

// Reads the version and flags of a full box that this decoder knows up to
// `maxVersion`; false, with the problem set, when it cannot go on.
bool FullBox(const Payload& p, unsigned maxVersion, Out& o, unsigned* version = nullptr, uint32_t* flags = nullptr);

// Marks the atom short when a table of `count` entries of `entrySize` bytes
// from `at` does not fit in it.
void CheckTable(const Atom& a, size_t at, uint64_t count, uint64_t entrySize, Out& o);

// The version-dependent 32- or 64-bit field at `at`; false (short) when absent.
bool Wide(const Payload& p, size_t at, bool wide, uint64_t* v);

// The timescale of a movie or media header (mvhd and mdhd share their
// first fields), or 0 when there is none to read.
uint32_t HeaderTimescale(const Payload& p);

uint32_t TimescaleOf(const Context& c, const ChunkNode* header, const ChunkNode* holder);

// The movie's timescale: mvhd under the nearest moov.
uint32_t MovieTimescale(const Context& c);

// The track's media timescale: mdhd under the nearest mdia, or under the
// mdia of the nearest trak (from its edit list).
uint32_t MediaTimescale(const Context& c);

// The track's handler_type ('vide', 'soun', ...) from hdlr under the
// nearest mdia, or 0.
uint32_t TrackHandler(const Context& c);

// The decoders of atom_sample_entries.cpp and atom_metadata.cpp.
void Stsd(const Context& c, const Atom& a, Out& o);
void Data(const Atom& a, Out& o);
// The items of an ilst whose atoms lie from `at` to `end` of the payload.
void IlstItems(const Atom& a, size_t at, size_t end, Out& o);
void IlstItem(const Context& c, Out& o);
void Meta(const Atom& a, Out& o);
void Uuid(const Context& c, Out& o);

}  // namespace viewer::fields::atoms
