// What a well-known chunk or atom holds: its fields, read from the file only
// when someone asks (the dialog's tip, the dump tools' --fields and --json),
// never by the walks. A decoder reads at most kMaxFieldBytes of a node, never
// past its declared end nor past its parent's, and trusts no count or size it
// reads there: whatever a field claims, only the bytes that are there are
// shown.
//
// The fields are typed values, not text: each presentation (the Chinese tip,
// the ASCII --fields lines, JSON) writes them in its own words and units.
// Field names are those of the formats' own documents (the AVI and WAVE
// references, ISO/IEC 14496-12, Apple's QuickTime File Format), so that a
// user can look them up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "byte_source.h"
#include "chunk_node.h"

namespace viewer {

// The most bytes one node's decoder reads (a list of codes or of entries is
// cut there, and says how many it had).
constexpr size_t kMaxFieldBytes = 512;

enum class FieldType : uint8_t {
    kInteger,       // value, a signed decimal
    kHex,           // value, flags or a tag shown in hex ("0x0055"); text: its name when known ("MPEG Layer-3")
    kCode,          // text: one four-character code, its bytes as in the file
    kCodes,         // text: four-character codes, 4 bytes each, in file order
    kText,          // text: bytes from the file as the writer stored them (escaped when printed)
    kBool,          // value: 0 or 1
    kDuration,      // value ticks of which `scale` (> 0) make a second: a time, 00:01:23.456
    kFrameRate,     // value/scale (scale > 0) frames per second: 25 帧/秒, 25/s
    kRate,          // value/scale (scale > 0) of something per second (a stream's samples or blocks)
    kHertz,         // value samples per second: 44100 Hz
    kBytes,         // value, a count of bytes
    kBytesPerSecond,// value bytes per second
    kMicroseconds,  // value µs
    kDimensions,    // value × scale: width × height in pixels
};

struct Field {
    std::string name;  // as the format's documents name it; unique within a node ("entry[1].format")
    FieldType type = FieldType::kInteger;
    int64_t value = 0;
    int64_t scale = 0;  // kDuration, kFrameRate, kRate: the denominator; kDimensions: the height
    std::string text;   // kCode, kCodes, kText; kHex: the value's name when known
};

// Why a node of a known kind shows no fields, or not all of them.
enum class FieldProblem : uint8_t {
    kNone,
    kTooShort,        // the node (or the file) ends before its fields do: those before it are given
    kUnknownVersion,  // a full box of a version the decoder does not know: `problemValue` is it
    kUnreadable,      // the file could not be read there (a read error, or it changed)
};

struct NodeFields {
    // A node of a kind the decoder knows. False for every other node and for
    // a phantom, whatever its label names: data that only looked like an
    // atom is not decoded as one.
    bool known = false;
    FieldProblem problem = FieldProblem::kNone;
    int64_t problemValue = 0;
    std::vector<Field> fields;
};

// Decodes `node` of `tree` from `file` (the file the tree was read from,
// still the same). `ancestors` are the nodes from the top level down to its
// parent (`depth` of them; none for a top-level node): some fields need
// them (a stream format's kind is told by its stream header, a duration by
// the track's timescale). The source's position is left anywhere.
NodeFields DecodeFields(ByteSource& file, const ChunkTree& tree, const ChunkNode& node,
                        const ChunkNode* const* ancestors, size_t depth);

}  // namespace viewer

namespace viewer {

// A time of `ticks` of which `scale` make a second, as hours, minutes,
// seconds and milliseconds ("00:01:23.456", "-00:00:01.000"; hours grow
// past two digits as needed); "?" when the scale is not above zero.
std::string DurationText(int64_t ticks, int64_t scale);

// num/den as a decimal with at most three decimals, rounded, and no
// trailing zeros ("25", "29.97", "0.5"); "?" when den is zero.
std::string RatioText(int64_t num, int64_t den);

}  // namespace viewer
