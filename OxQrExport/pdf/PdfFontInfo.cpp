#include "PdfFontInfo.h"

#include <cstdio>
#include <cstdlib>

#include "OxQrExport/core/DocumentFunctions.h"
#include "platform/TextMetrics.h"
#include "platform/Types.h"

namespace oxqr {
namespace {

int Rounded(double v) { return static_cast<int>(RoundHalfEven(v)); }

// A value of the font at 1000 points in whole screen pixels, as a device would report it.
int PixelsAt1000pt(int unitsPerThousand) { return Rounded(unitsPerThousand * ScreenPPI / 72.0); }

}  // namespace

std::string FontKey(const TOxQrFontAttrib& Font) {
  std::string key = ReplaceText(Font.Name, " ", "");
  const bool bold = Font.Style.Has(TFontStyle::fsBold);
  const bool italic = Font.Style.Has(TFontStyle::fsItalic);
  if (bold || italic) key += std::string(",") + (bold ? "Bold" : "") + (italic ? "Italic" : "");
  return key;
}

void MeasureFont(const TOxQrFontAttrib& Font, TOxQRFontInfo& Info) {
  TFont font = Font.ToFont();
  Info.Attributes = Font;

  // Defaults at the font's own size.
  Info.Flags = 0;
  Info.FontBBox = {-250, -200, 1000, 900};
  Info.Ascent = 800;
  Info.Descent = -200;
  Info.CapHeight = 700;
  Info.AvgWidth = 576;
  Info.MaxWidth = 576;
  Info.StemV = 0;
  Info.ItalicAngle = 0;
  Info.StrikeoutSize = Font.Size / 20;
  Info.StrikeoutPosition = std::abs(font.PixelHeight(ScreenPPI)) / 5;
  Info.UnderscoreSize = Font.Size / 10;
  Info.UnderscorePosition = -1;
  Info.Widths.fill(600);

  // Widths at 1000 points are already thousandths of the font size.
  font.Size = 1000;
  const TFontMetricsInfo m = GetFontMetrics(font);
  for (int c = 32; c < 256; ++c) {
    const double pixels = PixelsAt1000pt(m.Widths[static_cast<std::size_t>(c)]);
    Info.Widths[static_cast<std::size_t>(c - 32)] = Rounded(pixels / ScreenPPI * 72);
  }

  const std::uint8_t pf = m.PitchAndFamily;
  const bool symbol = m.Charset == SYMBOL_CHARSET;
  Info.Flags = ((pf & 1) == 0 ? 1 : 0) + ((pf & 16) != 0 ? 2 : 0) + (symbol ? 4 : 0) + ((pf & 64) != 0 ? 8 : 0) +
               (symbol ? 0 : 32) + (m.Italic ? 64 : 0);
  // Integer division before the multiplication, as the device metrics are whole pixels.
  Info.Ascent = (PixelsAt1000pt(m.Ascent) / ScreenPPI) * 72;
  Info.Descent = -((std::abs(PixelsAt1000pt(m.Descent)) / ScreenPPI) * 72);
  Info.CapHeight = Info.Ascent;
  Info.AvgWidth = (PixelsAt1000pt(m.AvgWidth) / ScreenPPI) * 72;
  Info.MaxWidth = (PixelsAt1000pt(m.MaxWidth) / ScreenPPI) * 72;
  Info.FontBBox = {-250, Info.Ascent, Info.MaxWidth, Info.Descent};

  if ((pf & 4) != 0 && m.Outline) {
    auto atSize = [&](int units) { return Rounded(PixelsAt1000pt(units) / double(ScreenPPI) * 72 * Font.Size / 1000); };
    Info.ItalicAngle = m.ItalicAngle;
    Info.StrikeoutSize = atSize(m.StrikeoutSize);
    Info.StrikeoutPosition = atSize(m.StrikeoutPosition);
    Info.UnderscoreSize = atSize(m.UnderscoreSize);
    Info.UnderscorePosition = atSize(m.UnderscorePosition) - 1;
  }
}

namespace pdf {

std::string FontDictionary(const TOxQRFontInfo& info, int index, const std::string& baseFont,
                           const std::string& encoding) {
  std::string widths;
  for (std::size_t i = 0; i < info.Widths.size(); ++i) widths += (i ? " " : "") + std::to_string(info.Widths[i]);
  return "/Type /Font\r\n/Subtype /TrueType\r\n/Name /F" + std::to_string(index) + "\r\n/BaseFont /" + baseFont +
         "\r\n/Encoding " + encoding + "\r\n/FirstChar 32\r\n/LastChar 255\r\n/Widths [" + widths +
         "]\r\n/FontDescriptor " + std::to_string(info.DescriptorObject) + " 0 R";
}

std::string FontDescriptor(const TOxQRFontInfo& info, const std::string& fontName, int fontFile) {
  char bbox[96];
  std::snprintf(bbox, sizeof bbox, "/FontBBox [%d %d %d %d]", info.FontBBox.Left, info.FontBBox.Bottom,
                info.FontBBox.Right, info.FontBBox.Top);
  std::string body = "/Type /FontDescriptor\r\n/FontName /" + fontName + "\r\n/Flags " + std::to_string(info.Flags) +
                     "\r\n" + bbox + "\r\n/Ascent " + std::to_string(info.Ascent) + "\r\n/Descent " +
                     std::to_string(info.Descent) + "\r\n/CapHeight " + std::to_string(info.CapHeight) +
                     "\r\n/AvgWidth " + std::to_string(info.AvgWidth) + "\r\n/MaxWidth " +
                     std::to_string(info.MaxWidth) + "\r\n/StemV " + std::to_string(info.StemV) +
                     "\r\n/ItalicAngle " + std::to_string(info.ItalicAngle);
  if (fontFile > 0) body += "\r\n/FontFile2 " + std::to_string(fontFile) + " 0 R";
  return body;
}

}  // namespace pdf
}  // namespace oxqr
