#pragma once
// Which glyph each text byte names. Text bytes are in the ANSI code page; a font's
// /Encoding tells a reader how to read them. For code page 1252 with WinAnsiEncoding the
// plain name is exact; any other pairing becomes an encoding dictionary whose /Differences
// name the code page's character for every code 32..255 where the base encoding differs.
#include <string>
#include <string_view>

#include "OxQrExport/core/Settings.h"

namespace oxqr::pdf {

// "WinAnsiEncoding", "MacRomanEncoding", "MacExpertEncoding", "StandardEncoding", "PDFDocEncoding".
std::string_view FontEncodingName(TPDFFontEncoding encoding);

// The glyph name of a Unicode character: the name WinAnsiEncoding gives it when it has
// one there, "uniXXXX" otherwise.
std::string GlyphName(char32_t unicode);

// The Unicode character byte `code` stands for in `codePage`; 0 for a control character or
// a byte the code page leaves undefined.
char32_t CodePageCharacter(int codePage, unsigned char code);

// The value of a font's /Encoding entry for `encoding` and text bytes in `codePage`.
// 1252 with feWinAnsiEncoding: "/WinAnsiEncoding". Otherwise a dictionary on one line,
// "<< /Type /Encoding /BaseEncoding /MacRomanEncoding /Differences [...] >>" for
// feMacRomanEncoding and the same over /WinAnsiEncoding for the other settings.
std::string EncodingEntry(TPDFFontEncoding encoding, int codePage);

}  // namespace oxqr::pdf
