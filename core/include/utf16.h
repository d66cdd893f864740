// Text between UTF-8, which the program uses inside, and UTF-16, which
// Windows uses at its interfaces. A Windows file name may hold a surrogate
// that is not part of a pair; such a unit is carried through UTF-8 as the
// three bytes its code point would take (as WTF-8 does), so every name that
// arrives from the system can be handed back to it unchanged.
#pragma once

#include <string>
#include <string_view>

namespace viewer {

// False (and *out left as it was) when `text` is not UTF-8: a cut or stray
// continuation byte, an overlong form, a code point past U+10FFFF.
bool Utf8ToUtf16(std::string_view text, std::u16string* out);

// Never fails: lone surrogates are kept as described above.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace viewer
