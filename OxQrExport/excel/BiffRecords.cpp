#include "BiffRecords.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace oxqr::biff {

namespace {

void WriteCellHead(TStream& s, std::uint16_t id, std::uint16_t length, int row, int column,
                   const TCellAttributes& attr) {
  WriteRecord(s, id, length, {static_cast<std::uint16_t>(row), static_cast<std::uint16_t>(column)});
  s.Write(attr.data(), attr.size());
}

}  // namespace

void WriteRecord(TStream& s, std::uint16_t id, std::uint16_t length, std::initializer_list<std::uint16_t> words) {
  s.WriteU16(id);
  s.WriteU16(length);
  for (const std::uint16_t w : words) s.WriteU16(w);
}

void WriteBof(TStream& s) { WriteRecord(s, kBof, 6, {0x0000, 0x0010, 0x0000}); }

void WriteBof2(TStream& s) { WriteRecord(s, kBof2, 4, {0x0002, 0x0010}); }

void WriteCodePage(TStream& s, int codePage) {
  WriteRecord(s, kCodePage, 2, {static_cast<std::uint16_t>(codePage == 1252 ? 0x8001 : codePage)});
}

void WriteDimensions(TStream& s) { WriteRecord(s, kDimensions, 10, {0, 0, 0, 0, 0}); }

void WriteFont(TStream& s, std::string_view name, int size, TFontStyles style) {
  const auto n = static_cast<std::uint8_t>(std::min<std::size_t>(name.size(), 255));
  std::uint16_t flags = 0;
  if (style.Has(TFontStyle::fsBold)) flags |= 1;
  if (style.Has(TFontStyle::fsItalic)) flags |= 2;
  if (style.Has(TFontStyle::fsUnderline)) flags |= 4;
  if (style.Has(TFontStyle::fsStrikeOut)) flags |= 8;
  WriteRecord(s, kFont, static_cast<std::uint16_t>(5 + n), {static_cast<std::uint16_t>(size * 20), flags});
  s.WriteByte(n);
  s.Write(name.substr(0, n));
}

void WriteFormat(TStream& s, std::string_view format) {
  const auto n = static_cast<std::uint8_t>(std::min<std::size_t>(format.size(), 255));
  WriteRecord(s, kFormat, static_cast<std::uint16_t>(1 + n));
  s.WriteByte(n);
  s.Write(format.substr(0, n));
}

void WriteXf(TStream& s, std::uint8_t formatIndex) {
  WriteRecord(s, kXf, 4);
  const std::uint8_t body[4] = {0, 0, static_cast<std::uint8_t>(formatIndex & 0x3F), 0};
  s.Write(body, sizeof body);
}

void WriteLabel(TStream& s, int row, int column, const TCellAttributes& attr, std::string_view text) {
  const auto n = static_cast<std::uint8_t>(std::min(text.size(), kMaxLabel));
  WriteCellHead(s, kLabel, static_cast<std::uint16_t>(8 + n), row, column, attr);
  s.WriteByte(n);
  s.Write(text.substr(0, n));
}

void WriteInteger(TStream& s, int row, int column, const TCellAttributes& attr, std::uint16_t value) {
  WriteCellHead(s, kInteger, 9, row, column, attr);
  s.WriteU16(value);
}

void WriteNumber(TStream& s, int row, int column, const TCellAttributes& attr, double value) {
  WriteCellHead(s, kNumber, 15, row, column, attr);
  const auto bits = std::bit_cast<std::uint64_t>(value);
  s.WriteU32(static_cast<std::uint32_t>(bits));
  s.WriteU32(static_cast<std::uint32_t>(bits >> 32));
}

void WriteNumeric(TStream& s, int row, int column, const TCellAttributes& attr, double value) {
  if (value >= 0 && value <= kMaxInteger && std::trunc(value) == value) {
    WriteInteger(s, row, column, attr, static_cast<std::uint16_t>(value));
  } else {
    WriteNumber(s, row, column, attr, value);
  }
}

void WriteEof(TStream& s) { WriteRecord(s, kEof, 0); }

}  // namespace oxqr::biff
