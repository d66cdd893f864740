// What the decoders of RIFF chunks' fields share (riff_fields.cpp,
// riff_wave_format.cpp): flag names, the fixed parts' checks and runs of
// 32-bit fields, and the wave format every audio stream and WAVE file has.
#pragma once

#include <initializer_list>
#include <string>

#include "field_decoding.h"

namespace viewer::fields::riff_parts {

struct FlagName {
    uint32_t bit;
    const char* name;
};

// The names of the bits of `value` that `names` knows, in its order, joined by spaces.
inline std::string FlagNames(uint32_t value, std::initializer_list<FlagName> names) {
    std::string text;
    for (const FlagName& f : names)
        if (value & f.bit) {
            if (!text.empty()) text += ' ';
            text += f.name;
        }
    return text;
}

// Whether `n` bytes at `at` are in the payload; when not, the node is too
// short for its fixed part.
inline bool Need(const Payload& p, Out& o, size_t at, size_t n) {
    if (p.Has(at, n)) return true;
    o.TooShort();
    return false;
}

// A run of 32-bit fields of one fixed part, at consecutive offsets from `at`,
// given while they fit. False once one does not (the node then too short).
struct Dword {
    const char* name;
    FieldType type;
};
inline bool Dwords(const Payload& p, Out& o, size_t at, std::initializer_list<Dword> list) {
    for (const Dword& d : list) {
        if (!Need(p, o, at, 4)) return false;
        o.Add(d.name, d.type, p.Le32(at));
        at += 4;
    }
    return true;
}

inline int32_t Signed32(uint32_t v) { return static_cast<int32_t>(v); }
inline int16_t Signed16(uint32_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v)); }
inline uint32_t Le24(const Payload& p, size_t at) {
    return uint32_t(p.bytes[at]) | uint32_t(p.bytes[at + 1]) << 8 | uint32_t(p.bytes[at + 2]) << 16;
}

// WAVEFORMAT, PCMWAVEFORMAT, WAVEFORMATEX and WAVEFORMATEXTENSIBLE, as far
// as the chunk goes (a WAVE's fmt, an audio stream's strf).
void WaveFormat(const Payload& p, Out& o);

}  // namespace viewer::fields::riff_parts
