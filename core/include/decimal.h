// Signed decimals as printf's %lld writes them, without printf: the display
// and the dump tools write millions of them, and printf's machinery is most
// of the cost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace viewer {

// Enough for INT64_MIN: a sign and 19 digits.
constexpr size_t kDecimalCapacity = 20;

namespace decimal_detail {

// "00" "01" ... "99": two digits per division by 100.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// How many digits `value` has (1 for 0).
inline size_t DigitCount(uint64_t value) {
    size_t count = 1;
    for (;;) {
        if (value < 10) return count;
        if (value < 100) return count + 1;
        if (value < 1000) return count + 2;
        if (value < 10000) return count + 3;
        value /= 10000;
        count += 4;
    }
}

}  // namespace decimal_detail

// Writes value into out (room for kDecimalCapacity characters, no NUL) and
// returns the number of characters written. The digits go straight to their
// places, from the last one back, two at a time.
inline size_t FormatDecimal(int64_t value, char* out) {
    using namespace decimal_detail;
    // Work on the magnitude as unsigned so that INT64_MIN needs no special case.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    size_t n = 0;
    if (value < 0) out[n++] = '-';
    n += DigitCount(magnitude);
    char* p = out + n;
    while (magnitude >= 100) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * (magnitude % 100), 2);
        magnitude /= 100;
    }
    if (magnitude >= 10) {
        std::memcpy(p - 2, kDigitPairs + 2 * magnitude, 2);
    } else {
        p[-1] = static_cast<char>('0' + magnitude);
    }
    return n;
}

}  // namespace viewer
