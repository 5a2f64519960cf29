#pragma once
// The worksheet file's records, one small emitter each. Every record is a 16-bit
// identifier, a 16-bit body length and the body, little-endian throughout; texts are
// 8-bit in the report's code page with a one-byte length.
#include <array>
#include <cstdint>
#include <string_view>

#include "platform/Font.h"
#include "platform/Streams.h"

namespace oxqr::biff {

constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kBof2 = 0x0009;
constexpr std::uint16_t kCodePage = 0x0042;
constexpr std::uint16_t kDimensions = 0x0200;
constexpr std::uint16_t kFont = 0x0031;
constexpr std::uint16_t kFormat = 0x001E;
constexpr std::uint16_t kXf = 0x0043;
constexpr std::uint16_t kLabel = 0x0004;
constexpr std::uint16_t kInteger = 0x0002;
constexpr std::uint16_t kNumber = 0x0003;
constexpr std::uint16_t kEof = 0x000A;

// The last row and column that readers of these records accept.
constexpr int kMaxRow = 16383;
constexpr int kMaxColumn = 255;
// The INTEGER record holds an unsigned 16-bit value.
constexpr int kMaxInteger = 65535;
// Characters of a LABEL (its length is one byte).
constexpr std::size_t kMaxLabel = 255;

// The three attribute bytes of a cell: byte 0 the XF index, byte 1 the font index in its
// two highest bits and the FORMAT index in its six lowest, byte 2 the horizontal alignment
// (0 general, 2 centred, 3 right).
using TCellAttributes = std::array<std::uint8_t, 3>;

// The 4-byte header, then the given 16-bit words (if any) as the body.
void WriteRecord(TStream& s, std::uint16_t id, std::uint16_t length, std::initializer_list<std::uint16_t> words = {});

// BOF of a worksheet: version 0, type 0x10.
void WriteBof(TStream& s);
// The older 4-byte BOF of a worksheet (identifier 0x0009): version 2, type 0x10. A reader
// that takes the 0x0809 BOF for a later file version does not apply the number formats of
// the 4-byte XF and one-byte-length FORMAT records; under this BOF every reader does.
void WriteBof2(TStream& s);
// CODEPAGE: 0x8001 for Windows code page 1252, the code page's number for any other.
void WriteCodePage(TStream& s, int codePage);
// DIMENSIONS of ten zero bytes (readers find the used range themselves).
void WriteDimensions(TStream& s);
// FONT: height in twips (size x 20), flags 1 bold, 2 italic, 4 underline, 8 strike-out, the name.
void WriteFont(TStream& s, std::string_view name, int size, TFontStyles style);
// FORMAT: a number format string; formats are numbered in the order written, from 0.
void WriteFormat(TStream& s, std::string_view format);
// XF: font 0, the given FORMAT index, no alignment, no borders.
void WriteXf(TStream& s, std::uint8_t formatIndex = 0);
// LABEL: the text cut to its first 255 characters.
void WriteLabel(TStream& s, int row, int column, const TCellAttributes& attr, std::string_view text);
// INTEGER: an unsigned 16-bit value.
void WriteInteger(TStream& s, int row, int column, const TCellAttributes& attr, std::uint16_t value);
// NUMBER: a 64-bit IEEE double.
void WriteNumber(TStream& s, int row, int column, const TCellAttributes& attr, double value);
// INTEGER when `value` is a whole number 0 .. 65535, NUMBER for every other value.
void WriteNumeric(TStream& s, int row, int column, const TCellAttributes& attr, double value);
void WriteEof(TStream& s);

}  // namespace oxqr::biff
