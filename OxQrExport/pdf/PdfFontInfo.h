#pragma once
// One PDF font of a job: widths, descriptor values and the decoration lines of a face
// and weight/slant, measured once from the installed font that draws it.
#include <array>
#include <bitset>
#include <string>

#include "OxQrExport/core/DocumentFilter.h"

namespace oxqr {

struct TOxQRFontRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TOxQRFontInfo {
 public:
  int FontObject = 0;
  std::array<int, 224> Widths{};  // codes 32..255, thousandths of the font size
  int DescriptorObject = 0;
  int Flags = 0;
  TOxQRFontRect FontBBox;
  int Ascent = 0;
  int Descent = 0;
  int CapHeight = 0;
  int AvgWidth = 0;
  int MaxWidth = 0;
  int StemV = 0;
  int ItalicAngle = 0;
  int StrikeoutSize = 0;       // points at the introducing size
  int StrikeoutPosition = 0;   // above the baseline
  int UnderscoreSize = 0;
  int UnderscorePosition = 0;  // negative below the baseline

  // The attributes that introduced the font (its face resolves the program to embed).
  TOxQrFontAttrib Attributes;
  // The text bytes drawn in this font, for a subset of its program.
  std::bitset<256> UsedCodes;

  // Width of byte `code` in thousandths of the font size; 0 below 32.
  int Width(unsigned char code) const { return code < 32 ? 0 : Widths[code - 32]; }
};

// The face name without blanks, then ",Bold", ",Italic" or ",BoldItalic" for those styles.
std::string FontKey(const TOxQrFontAttrib& Font);

// Fills everything but the object numbers from the installed font that draws `Font`.
void MeasureFont(const TOxQrFontAttrib& Font, TOxQRFontInfo& Info);

namespace pdf {

// Body of the font dictionary (lines joined by CR LF) for resource "/F<index>".
// `baseFont` is the PDF name without '/', `encoding` the value of /Encoding.
std::string FontDictionary(const TOxQRFontInfo& info, int index, const std::string& baseFont,
                           const std::string& encoding);
// Body of the font descriptor; `fontFile` is the object of an embedded program or 0.
std::string FontDescriptor(const TOxQRFontInfo& info, const std::string& fontName, int fontFile);

}  // namespace pdf
}  // namespace oxqr
