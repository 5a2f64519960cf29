#pragma once
// TFont: the report's font description (8-bit face name, points, style set).
#include <cstdint>
#include <string>

#include "Color.h"

namespace oxqr {

using TFontCharset = std::uint8_t;
constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset SYMBOL_CHARSET = 2;

enum class TFontPitch : std::uint8_t { fpDefault, fpVariable, fpFixed };

enum class TFontStyle : std::uint8_t { fsBold = 0, fsItalic = 1, fsUnderline = 2, fsStrikeOut = 3 };

// Set of TFontStyle held as bits (bit n = style n).
class TFontStyles {
 public:
  constexpr TFontStyles() = default;
  constexpr TFontStyles(std::initializer_list<TFontStyle> styles) {
    for (auto s : styles) Include(s);
  }
  constexpr bool Has(TFontStyle s) const { return (bits_ >> static_cast<int>(s)) & 1u; }
  constexpr void Include(TFontStyle s) { bits_ |= static_cast<std::uint8_t>(1u << static_cast<int>(s)); }
  constexpr void Exclude(TFontStyle s) { bits_ &= static_cast<std::uint8_t>(~(1u << static_cast<int>(s))); }
  constexpr std::uint8_t Bits() const { return bits_; }
  static constexpr TFontStyles FromBits(std::uint8_t b) { TFontStyles s; s.bits_ = b & 0x0F; return s; }
  constexpr bool Empty() const { return bits_ == 0; }
  friend constexpr bool operator==(TFontStyles, TFontStyles) = default;

 private:
  std::uint8_t bits_ = 0;
};

struct TFont {
  TFontCharset Charset = DEFAULT_CHARSET;
  std::string Name = "Arial";
  TFontPitch Pitch = TFontPitch::fpDefault;
  int Size = 10;  // points; negative values are read as their absolute value
  TColor Color = clBlack;
  TFontStyles Style;
  // Direction of the text line in tenths of a degree, counterclockwise from the x axis
  // (900: the line reads bottom to top). Measuring ignores it: extents run along the line.
  int Orientation = 0;

  // Pixel height of the em at `ppi` pixels per inch (GDI's rule: points x ppi / 72, rounded).
  int PixelHeight(int ppi = 96) const;
  friend bool operator==(const TFont&, const TFont&) = default;
};

}  // namespace oxqr
