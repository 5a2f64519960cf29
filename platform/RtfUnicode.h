#pragma once
// Characters beyond 7 bits as RTF Unicode words, for the Unicode mode's UTF-8 text.
#include <cstddef>
#include <string>
#include <string_view>

namespace oxqr {

// Appends the character `c` as \uN? : N is its UTF-16 unit as a signed 16-bit number and
// '?' the character a reader without Unicode shows; beyond the basic plane, a surrogate
// pair of two such words.
void AppendRtfUnicode(std::string& out, char32_t c);

// In the Unicode mode, when the byte at `i` starts a UTF-8 character above 127, appends it
// as AppendRtfUnicode does and returns its length; otherwise 0 and nothing is appended.
std::size_t AppendRtfUnicodeAt(std::string& out, std::string_view text, std::size_t i);

}  // namespace oxqr
