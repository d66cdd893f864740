// Signed decimals as printf's %lld writes them, without printf: the display
// and the dump tools write millions of them, and printf's machinery is most
// of the cost.
#pragma once

#include <cstddef>
#include <cstdint>

namespace viewer {

// Enough for INT64_MIN: a sign and 19 digits.
constexpr size_t kDecimalCapacity = 20;

// Writes value into out (room for kDecimalCapacity characters, no NUL) and
// returns the number of characters written.
inline size_t FormatDecimal(int64_t value, char* out) {
    char digits[kDecimalCapacity];
    size_t d = 0;
    // Work on the magnitude as unsigned so that INT64_MIN needs no special case.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        digits[d++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    size_t n = 0;
    if (value < 0) out[n++] = '-';
    while (d) out[n++] = digits[--d];
    return n;
}

}  // namespace viewer
