// TOxQRPDFFilter: text lines and the font objects.
#include <set>

#include "OxQrExport/core/DocumentFunctions.h"
#include "OxQrExport/pdf/PdfEncoding.h"
#include "OxQrExport/pdf/PdfFilter.h"
#include "OxQrExport/pdf/PdfFontSubset.h"
#include "OxQrExport/pdf/PdfSyntax.h"
#include "OxQrExport/pdf/PdfType0Font.h"
#include "platform/CodePage.h"

namespace oxqr {
namespace {

bool SameKey(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

// A stroked line at height y over the text's measured width.
std::string DecorationLine(double width, double position, double x, double y, double textWidth) {
  using pdf::FormatNumber;
  const double at = y + position;
  return FormatNumber(width) + " w\r\n" + FormatNumber(x) + " " + FormatNumber(at) + " m\r\n" +
         FormatNumber(x + textWidth) + " " + FormatNumber(at) + " l\r\nS";
}

}  // namespace

std::unique_ptr<TOxQRFontInfo> TOxQRPDFFilter::RegisterFont(const TOxQrFontAttrib& Font) {
  auto info = std::make_unique<TOxQRFontInfo>();
  info->FontObject = NextObject();
  info->DescriptorObject = NextObject();
  MeasureFont(Font, *info);
  return info;
}

int TOxQRPDFFilter::FontIndex(const TOxQrFontAttrib& Font) {
  const std::string key = FontKey(Font);
  for (std::size_t i = 0; i < FontList.size(); ++i)
    if (SameKey(FontList[i].Key, key)) return static_cast<int>(i);
  FontList.push_back({key, RegisterFont(Font)});
  return static_cast<int>(FontList.size()) - 1;
}

std::string TOxQRPDFFilter::TextOperators(const TOxQrTextRec& Rec) {
  TOxQrTextRec r = Rec;
  if (r.Alignment == TAlignment::taRightJustify)
    r.X = r.X - r.Width - 2;
  else if (r.Alignment == TAlignment::taCenter)
    r.X = r.X - r.Width / 2 - 1;

  if (Type0Fonts) return UnicodeTextOperators(r);
  const int index = FontIndex(r.Font);
  TOxQRFontInfo& font = *FontList[static_cast<std::size_t>(index)].Info;

  // Character spacing stretches the line to its width on the report page. It is counted
  // on the bytes the reader shows, not on the escaped text.
  const std::string shown = pdf::UnescapeString(r.Text);
  double charSpacing = 0;
  if (!shown.empty()) {
    long sum = 0;
    for (const char c : shown) {
      const auto code = static_cast<unsigned char>(c);
      sum += font.Width(code);
      font.UsedCodes.set(code);
    }
    const double natural = static_cast<double>(sum) * r.Font.Size / 1000;
    const double diff = r.Width - natural;
    if (diff != 0) charSpacing = diff / static_cast<double>(shown.size());
  }

  const double baseline = r.Y - r.Height + 3;
  // Tc is text state that outlives ET: every text object sets its own.
  std::string ops = "BT\r\n" + ColorToPDF(r.Font.Color) + " rg\r\n/F" + std::to_string(index) + " " +
                    std::to_string(r.Font.Size) + " Tf\r\n" + FormatNumber(charSpacing) + " Tc\r\n" +
                    FormatNumber(r.X) + " " + FormatNumber(baseline) + " Td (" + r.Text + ") Tj\r\nET";
  if (r.Font.Style.Has(TFontStyle::fsUnderline))
    ops += "\r\n" + ColorToPDF(r.Font.Color) + " RG\r\n" +
           DecorationLine(font.UnderscoreSize, font.UnderscorePosition, r.X, baseline, r.Width);
  if (r.Font.Style.Has(TFontStyle::fsStrikeOut))
    ops += "\r\n" + ColorToPDF(r.Font.Color) + " RG\r\n" +
           DecorationLine(font.StrikeoutSize, font.StrikeoutPosition, r.X, baseline, r.Width);
  return ops;
}

std::string TOxQRPDFFilter::UnicodeTextOperators(const TOxQrTextRec& r) {
  const std::string shown = pdf::UnescapeString(r.Text);
  const std::vector<pdf::TShapedGlyph> glyphs = Type0Fonts->Shape(r.Font.ToFont(), shown, *this);
  double natural = 0;
  for (const auto& g : glyphs) natural = std::max(natural, g.X + g.Advance);
  natural = natural * r.Font.Size / 1000;
  const double charSpacing = glyphs.empty() ? 0 : (r.Width - natural) / static_cast<double>(glyphs.size());
  const double baseline = r.Y - r.Height + 3;
  std::string ops = "BT\r\n" + ColorToPDF(r.Font.Color) + " rg\r\n" + FormatNumber(charSpacing) + " Tc\r\n" +
                    FormatNumber(r.X) + " " + FormatNumber(baseline) + " Td\r\n" +
                    Type0Fonts->ShowGlyphs(glyphs, r.Font.Size) + "ET";
  const bool underline = r.Font.Style.Has(TFontStyle::fsUnderline);
  const bool strikeOut = r.Font.Style.Has(TFontStyle::fsStrikeOut);
  if (underline || strikeOut) {
    TOxQRFontInfo font;
    MeasureFont(r.Font, font);
    if (underline)
      ops += "\r\n" + ColorToPDF(r.Font.Color) + " RG\r\n" +
             DecorationLine(font.UnderscoreSize, font.UnderscorePosition, r.X, baseline, r.Width);
    if (strikeOut)
      ops += "\r\n" + ColorToPDF(r.Font.Color) + " RG\r\n" +
             DecorationLine(font.StrikeoutSize, font.StrikeoutPosition, r.X, baseline, r.Width);
  }
  return ops;
}

void TOxQRPDFFilter::AddText(const TOxQrTextRec& Rec) {
  if (!PageOpen()) return;
  std::string ops = TextOperators(Rec);
  if (InTextBlock)
    TextBlockLines.push_back(std::move(ops));
  else
    PageContent().Write(ops + "\r\n");
}

int TOxQRPDFFilter::WriteFontProgram(const TOxQRFontInfo& Info) {
  std::set<char32_t> characters;
  for (int c = 32; c < 256; ++c)
    if (Info.UsedCodes.test(static_cast<std::size_t>(c)))
      if (const char32_t u = pdf::CodePageCharacter(AnsiCodePage(), static_cast<unsigned char>(c)); u != 0)
        characters.insert(u);
  const std::string program = pdf::SubsetFontProgram(Info.Attributes.ToFont(), characters);
  if (program.empty()) return 0;
  TMemoryStream data;
  const std::int64_t length = DeflateInto(program, data, 9);
  const int object = NextObject();
  const bool compressed = QRExportSettings().PDF.Compressed;
  WriteObject("/Length " + std::to_string(length) + "\r\n/Length1 " + std::to_string(program.size()) +
                  (compressed ? "\r\n/Filter /FlateDecode" : ""),
              object, false);
  Writer->Write("stream\r\n");
  Writer->Write(data.Bytes());
  Writer->Write("\r\nendstream\r\nendobj\r\n");
  return object;
}

void TOxQRPDFFilter::WriteFontObjects(int Index, TFontEntry& Entry) {
  const TOxQRFontInfo& info = *Entry.Info;
  const std::string encoding = pdf::EncodingEntry(QRExportSettings().PDF.FontEncoding, AnsiCodePage());
  std::string name = pdf::EscapeName(Entry.Key);
  int fontFile = 0;
  if (QRExportSettings().PDF.EmbedFonts) {
    // The program goes first so that the descriptor can name it; a face that cannot be
    // subset keeps the plain, non-embedded font.
    fontFile = WriteFontProgram(info);
    if (fontFile != 0) name = pdf::SubsetTag(Entry.Key + info.UsedCodes.to_string()) + "+" + name;
  }
  WriteObject(pdf::FontDictionary(info, Index, name, encoding), info.FontObject, true);
  WriteObject(pdf::FontDescriptor(info, name, fontFile), info.DescriptorObject, true);
  Entry.Info.reset();
}

}  // namespace oxqr
