// The figures of fields in words every presentation shares.
#include <cstdio>

#include "node_fields.h"

namespace viewer {

namespace {

using Wide = __int128;

// |v| of a 64-bit value, which may be its smallest.
unsigned __int128 Magnitude(int64_t v) { return v < 0 ? -static_cast<Wide>(v) : static_cast<Wide>(v); }

}  // namespace

std::string DurationText(int64_t ticks, int64_t scale) {
    if (scale <= 0) return "?";
    // Milliseconds, rounded, in 128 bits: ticks * 1000 cannot overflow.
    const unsigned __int128 ms = (Magnitude(ticks) * 1000 + static_cast<unsigned>(scale) / 2) / static_cast<uint64_t>(scale);
    const auto total = static_cast<unsigned long long>(ms / 1000);
    char text[64];
    std::snprintf(text, sizeof text, "%s%02llu:%02llu:%02llu.%03u", ticks < 0 ? "-" : "", total / 3600, total / 60 % 60,
                  total % 60, static_cast<unsigned>(ms % 1000));
    return text;
}

std::string RatioText(int64_t num, int64_t den) {
    if (den == 0) return "?";
    const bool negative = (num < 0) != (den < 0) && num != 0;
    const unsigned __int128 n = Magnitude(num), d = Magnitude(den);
    const unsigned __int128 thousandths = (n * 1000 + d / 2) / d;
    std::string text = negative ? "-" : "";
    text += std::to_string(static_cast<unsigned long long>(thousandths / 1000));
    unsigned frac = static_cast<unsigned>(thousandths % 1000);
    if (frac) {
        char digits[8];
        std::snprintf(digits, sizeof digits, ".%03u", frac);
        std::string f = digits;
        while (f.back() == '0') f.pop_back();
        text += f;
    }
    return text;
}

}  // namespace viewer
