#pragma once
// Reading back a worksheet file in tests: its records in order and its cells with their
// values, so that expectations can name cells instead of byte offsets.
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace oxqr::testing {

struct TSheetRecord {
  std::uint16_t Id = 0;
  std::string Body;
};

struct TSheetCell {
  std::uint16_t Id = 0;  // 0x0004 LABEL, 0x0002 INTEGER, 0x0003 NUMBER
  int Row = 0;
  int Column = 0;
  std::array<std::uint8_t, 3> Attr{};
  std::string Text;  // LABEL
  double Value = 0;  // INTEGER, NUMBER
  bool IsNumber() const { return Id != 0x0004; }
};

inline std::uint16_t U16(const std::string& s, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(s[at]) | static_cast<std::uint8_t>(s[at + 1]) << 8);
}

// The records of `bytes`; a record running past the end is returned cut (Body shorter
// than its length field says), which the tests' equality checks then catch.
inline std::vector<TSheetRecord> SheetRecords(const std::string& bytes) {
  std::vector<TSheetRecord> out;
  std::size_t at = 0;
  while (at + 4 <= bytes.size()) {
    const std::uint16_t id = U16(bytes, at);
    const std::uint16_t length = U16(bytes, at + 2);
    out.push_back({id, bytes.substr(at + 4, length)});
    at += 4u + length;
  }
  return out;
}

inline std::vector<TSheetCell> SheetCells(const std::string& bytes) {
  std::vector<TSheetCell> cells;
  for (const auto& r : SheetRecords(bytes)) {
    if ((r.Id != 0x0002 && r.Id != 0x0003 && r.Id != 0x0004) || r.Body.size() < 7) continue;
    TSheetCell c;
    c.Id = r.Id;
    c.Row = U16(r.Body, 0);
    c.Column = U16(r.Body, 2);
    for (std::size_t i = 0; i < 3; ++i) c.Attr[i] = static_cast<std::uint8_t>(r.Body[4 + i]);
    if (r.Id == 0x0004 && r.Body.size() >= 8) c.Text = r.Body.substr(8, static_cast<std::uint8_t>(r.Body[7]));
    if (r.Id == 0x0002 && r.Body.size() >= 9) c.Value = U16(r.Body, 7);
    if (r.Id == 0x0003 && r.Body.size() >= 15) {
      std::uint64_t bits = 0;
      std::memcpy(&bits, r.Body.data() + 7, 8);  // little-endian host
      c.Value = std::bit_cast<double>(bits);
    }
    cells.push_back(c);
  }
  return cells;
}

// Bytes as upper-case hex pairs separated by blanks ("09 08 06 00").
inline std::string HexBytes(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (const char ch : bytes) {
    const auto b = static_cast<std::uint8_t>(ch);
    if (!out.empty()) out += ' ';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

}  // namespace oxqr::testing
