#pragma once
// Small emitters of the RTF format, one piece of markup each, without filter state: text
// escaping, numbers, drawing-object rectangles and lines, and the metafile records that
// wrap an embedded Windows bitmap. Positions are twips.
#include <string>
#include <string_view>

namespace oxqr {

// A number as the format writes it: rounded half to even, plain decimal digits.
std::string RtfNumber(double value);
// The same digits appended to `out`, without a string of their own (the markup is built
// piece by piece in one buffer, and numbers are most of its pieces).
void AppendRtfNumber(std::string& out, double value);
// An integer's decimal digits appended to `out`.
void AppendRtfInt(std::string& out, long long value);

// Text for the document: "\", "{" and "}" escaped, bytes above 127 and control characters
// as \'hh, so that the file is plain 7-bit text whatever code page a reader assumes. In the
// Unicode mode, UTF-8 characters above 127 are \uN? words.
std::string RtfEscapeText(std::string_view text);

// Upper-case hex digits of `value`, padded to `digits`, byte pairs in little-endian order:
// HexLE(78, 8) = "4E000000".
std::string HexLE(unsigned long value, int digits);

// Bytes as two upper-case hex digits each, no separators.
std::string HexBytes(std::string_view bytes);

// The open head of a page-anchored drawing-object rectangle from (x1, y1) to (x2, y2); the
// caller adds the line and fill words and the closing brace.
std::string RtfRectObject(double x1, double y1, double x2, double y2);
void AppendRtfRectObject(std::string& out, double x1, double y1, double x2, double y2);

// The open head of a page-anchored drawing-object line from (x1, y1) to (x2, y2), solid,
// with `linePart` (colour and width words); the caller adds the closing brace.
std::string RtfLineObject(double x1, double y1, double x2, double y2, std::string_view linePart);
void AppendRtfLineObject(std::string& out, double x1, double y1, double x2, double y2, std::string_view linePart);

// The metafile header and records in front of the bitmap data: a bitmap record of `words`
// 16-bit words for a bitmap of width x height pixels. Ends with CR LF.
std::string MetafileWrapper(unsigned long words, int width, int height);

// The metafile's end record, written after the bitmap data.
inline constexpr std::string_view MetafileEndRecord = "030000000000";

}  // namespace oxqr
