#pragma once
// Small pieces of PDF syntax the writer shares: numbers, strings, names, dates and the
// cross-reference entries. Every function returns exactly the bytes written to the file.
#include <cstdint>
#include <string>
#include <string_view>

#include "OxQrExport/core/NumberText.h"
#include "platform/Color.h"

namespace oxqr::pdf {

// Fixed point with four decimals and '.' whatever the locale: "595.2756", "-12.0000".
// A value that rounds to zero is written "0.0000" (never "-0.0000"). The digits are those of
// FixedNumber4; AppendNumber writes them without a string of their own (page content has
// several numbers per text line).
void AppendNumber(std::string& out, double value);
inline std::string FormatNumber(double value) {
  std::string out;
  AppendNumber(out, value);
  return out;
}
// "x y" of a point or a size.
inline void AppendPoint(std::string& out, double x, double y) {
  AppendNumber(out, x);
  out += ' ';
  AppendNumber(out, y);
}
// Integer text, as std::to_string writes it.
void AppendInt(std::string& out, long long value);

// The colour's "r g b" operands, as ColorToPDF writes them; remembered for the few colours
// a report uses (per thread, a handful at most). The reference is valid until the next call.
const std::string& ColorText(TColor color);

// A literal string's body: '\' '(' ')' escaped with a backslash, other bytes as they are.
std::string EscapeString(std::string_view text);
// The bytes a string body shows once its escapes are read: the inverse of EscapeString.
std::string UnescapeString(std::string_view escaped);

// A name without its leading '/': bytes outside '!'..'~', the delimiters ()<>[]{}/% and
// '#' itself are written as '#' and two upper-case hex digits.
std::string EscapeName(std::string_view name);

// A text string of the document information dictionary, brackets included. ASCII text is
// a literal string "(...)"; text with bytes above 127 (8-bit text in the ANSI code page)
// is converted to UTF-16BE with a byte-order mark and written as "<FEFF...>".
std::string InfoString(std::string_view ansiText);

// The offset from UTC of a date string for a time-zone bias in minutes (west positive):
// -330 gives "+05'30'", 300 gives "-05'00'", 0 gives "+00'00'".
std::string UtcOffsetText(int biasMinutes);

// One 20-byte cross-reference entry in use: "0000000017 00000 n" CR LF.
std::string XrefEntry(std::int64_t offset);

}  // namespace oxqr::pdf
