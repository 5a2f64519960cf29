#pragma once
// UTF-8 decoding and encoding, and the width of a character on a character grid.
#include <cstddef>
#include <string>
#include <string_view>

namespace oxqr {

// Decodes the UTF-8 sequence at `i` into `*cp` and returns its length (1..4), or 0 when
// the bytes there are not valid UTF-8 (overlong forms, surrogates and values beyond
// Unicode included).
std::size_t DecodeUtf8At(std::string_view s, std::size_t i, char32_t* cp);
void AppendUtf8(std::string& out, char32_t c);
bool IsValidUtf8(std::string_view s);

// Cells a character takes on a character grid: 0 for combining marks and zero-width
// characters, 2 for East Asian wide and fullwidth characters (and emoji), else 1.
int CharacterCells(char32_t c);
// The cells of a UTF-8 text; an invalid byte counts as one cell.
int TextCells(std::string_view utf8);

}  // namespace oxqr
