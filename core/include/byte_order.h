// Integers as the container formats store them: RIFF little-endian, atoms
// big-endian. Byte by byte, so any alignment and any host order will do.
#pragma once

#include <cstdint>

namespace viewer {

inline uint32_t ReadLe32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

inline uint32_t ReadBe32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           static_cast<uint32_t>(p[3]);
}

inline uint64_t ReadBe64(const unsigned char* p) { return static_cast<uint64_t>(ReadBe32(p)) << 32 | ReadBe32(p + 4); }

}  // namespace viewer
