// TOxQRPDFFilter: text lines and the font objects.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>

#include "OxQrExport/core/DocumentFunctions.h"
#include "OxQrExport/pdf/PdfEncoding.h"
#include "OxQrExport/pdf/PdfFilter.h"
#include "OxQrExport/pdf/PdfFontSubset.h"
#include "OxQrExport/pdf/PdfSyntax.h"
#include "OxQrExport/pdf/PdfType0Font.h"
#include "platform/CodePage.h"
#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

bool SameKey(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

// A stroked line at height y over the text's measured width, in `color`, after a line end.
void AppendDecorationLine(std::string& out, TColor color, double width, double position, double x, double y,
                          double textWidth) {
  const double at = y + position;
  out += "\r\n";
  out += pdf::ColorText(color);
  out += " RG\r\n";
  pdf::AppendNumber(out, width);
  out += " w\r\n";
  pdf::AppendPoint(out, x, at);
  out += " m\r\n";
  pdf::AppendPoint(out, x + textWidth, at);
  out += " l\r\nS";
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
  // Lines in a row mostly share their font: the key depends only on the name and style.
  const bool bold = Font.Style.Has(TFontStyle::fsBold);
  const bool italic = Font.Style.Has(TFontStyle::fsItalic);
  if (lastFont_.Index >= 0 && lastFont_.Bold == bold && lastFont_.Italic == italic && lastFont_.Name == Font.Name)
    return lastFont_.Index;
  const std::string key = FontKey(Font);
  int index = -1;
  for (std::size_t i = 0; i < FontList.size() && index < 0; ++i)
    if (SameKey(FontList[i].Key, key)) index = static_cast<int>(i);
  if (index < 0) {
    FontList.push_back({key, RegisterFont(Font)});
    index = static_cast<int>(FontList.size()) - 1;
  }
  lastFont_ = {Font.Name, bold, italic, index};
  return index;
}

std::string TOxQRPDFFilter::TextOperators(const TOxQrTextRec& Rec) {
  double x = Rec.X;
  if (Rec.Alignment == TAlignment::taRightJustify)
    x = x - Rec.Width - 2;
  else if (Rec.Alignment == TAlignment::taCenter)
    x = x - Rec.Width / 2 - 1;

  if (Type0Fonts) {
    TOxQrTextRec r = Rec;
    r.X = x;
    return UnicodeTextOperators(r);
  }
  const TOxQrTextRec& r = Rec;
  const int index = FontIndex(r.Font);
  TOxQRFontInfo& font = *FontList[static_cast<std::size_t>(index)].Info;

  // Character spacing stretches the line to its width on the report page. It is counted
  // on the bytes the reader shows (an escape's backslash is not shown), not on the
  // escaped text.
  double charSpacing = 0;
  long sum = 0;
  std::size_t shown = 0;
  for (std::size_t i = 0; i < r.Text.size(); ++i) {
    if (r.Text[i] == '\\' && i + 1 < r.Text.size()) ++i;
    const auto code = static_cast<unsigned char>(r.Text[i]);
    sum += font.Width(code);
    font.UsedCodes.set(code);
    ++shown;
  }
  if (shown > 0) {
    const double natural = static_cast<double>(sum) * r.Font.Size / 1000;
    const double diff = r.Width - natural;
    if (diff != 0) charSpacing = diff / static_cast<double>(shown);
  }

  const double baseline = r.Y - r.Height + 3;
  // Tc is text state that outlives ET: every text object sets its own.
  std::string ops;
  ops.reserve(r.Text.size() + 96);
  ops += "BT\r\n";
  ops += pdf::ColorText(r.Font.Color);
  ops += " rg\r\n/F";
  pdf::AppendInt(ops, index);
  ops += ' ';
  pdf::AppendInt(ops, r.Font.Size);
  ops += " Tf\r\n";
  pdf::AppendNumber(ops, charSpacing);
  ops += " Tc\r\n";
  pdf::AppendNumber(ops, x);
  ops += ' ';
  pdf::AppendNumber(ops, baseline);
  ops += " Td (";
  ops += r.Text;
  ops += ") Tj\r\nET";
  if (r.Font.Style.Has(TFontStyle::fsUnderline))
    AppendDecorationLine(ops, r.Font.Color, font.UnderscoreSize, font.UnderscorePosition, x, baseline, r.Width);
  if (r.Font.Style.Has(TFontStyle::fsStrikeOut))
    AppendDecorationLine(ops, r.Font.Color, font.StrikeoutSize, font.StrikeoutPosition, x, baseline, r.Width);
  return ops;
}

std::string TOxQRPDFFilter::UnicodeTextOperators(const TOxQrTextRec& r) {
  std::string shown = pdf::UnescapeString(r.Text);
  if (Conformance && !UnicodeMode()) shown = AnsiToUtf8(shown);  // 8-bit text in Unicode fonts
  const pdf::TShapedLine line = Type0Fonts->Shape(r.Font.ToFont(), shown, *this);
  if (Conformance && (!line.Boxes.empty() || std::any_of(line.Glyphs.begin(), line.Glyphs.end(),
                                                         [](const auto& g) { return g.Glyph == 0; })))
    Conformance->MissingGlyphs(shown);
  const double scale = static_cast<double>(r.Font.Size) / 1000;
  const double natural = line.Width * r.Font.Size / 1000;
  const double charSpacing = line.Glyphs.empty() ? 0 : (r.Width - natural) / static_cast<double>(line.Glyphs.size());
  const double baseline = r.Y - r.Height + 3;
  std::string ops = "BT\r\n" + ColorToPDF(r.Font.Color) + " rg\r\n" + FormatNumber(charSpacing) + " Tc\r\n" +
                    FormatNumber(r.X) + " " + FormatNumber(baseline) + " Td\r\n" +
                    Type0Fonts->ShowGlyphs(line, r.Font.Size) + "ET";
  // Characters without a face: the outlined boxes the page shows, one pixel wide.
  if (!line.Boxes.empty()) {
    ops += "\r\nq\r\n" + ColorToPDF(r.Font.Color) + " RG\r\n0.75 w";
    for (const pdf::TMissingBox& b : line.Boxes)
      ops += "\r\n" + FormatNumber(r.X + b.Left * scale + 0.375) + " " +
             FormatNumber(baseline + b.Bottom * scale + 0.375) + " " + FormatNumber(b.Width * scale - 0.75) + " " +
             FormatNumber(b.Height * scale - 0.75) + " re";
    ops += "\r\nS\r\nQ";
  }
  const bool underline = r.Font.Style.Has(TFontStyle::fsUnderline);
  const bool strikeOut = r.Font.Style.Has(TFontStyle::fsStrikeOut);
  if (underline || strikeOut) {
    TOxQRFontInfo font;
    MeasureFont(r.Font, font);
    if (underline)
      AppendDecorationLine(ops, r.Font.Color, font.UnderscoreSize, font.UnderscorePosition, r.X, baseline, r.Width);
    if (strikeOut)
      AppendDecorationLine(ops, r.Font.Color, font.StrikeoutSize, font.StrikeoutPosition, r.X, baseline, r.Width);
  }
  return ops;
}

std::string TOxQRPDFFilter::TurnedTextOperators(const TOxQrTextRec& Rec) {
  TOxQrTextRec upright = Rec;
  upright.X = 0;
  upright.Y = 0;
  upright.Alignment = TAlignment::taLeftJustify;
  upright.Orientation = 0;
  const double a = Rec.Orientation * std::numbers::pi / 1800.0;
  // Quarter turns get exact matrices.
  const auto exact = [](double v) { return std::abs(v) < 1e-12 ? 0.0 : v; };
  const double c = exact(std::cos(a)), s = exact(std::sin(a));
  std::string ops = "q\r\n";
  if (TextClipRight > TextClipLeft && TextClipBottom > TextClipTop) {
    const double left = MapX(TextClipLeft), bottom = MapY(TextClipBottom);
    pdf::AppendPoint(ops, left, bottom);
    ops += ' ';
    pdf::AppendPoint(ops, MapX(TextClipRight) - left, MapY(TextClipTop) - bottom);
    ops += " re W n\r\n";
  }
  pdf::AppendPoint(ops, c, s);
  ops += ' ';
  pdf::AppendPoint(ops, -s, c);
  ops += ' ';
  pdf::AppendPoint(ops, Rec.X, Rec.Y);
  ops += " cm\r\n";
  ops += TextOperators(upright);
  ops += "\r\nQ";
  return ops;
}

void TOxQRPDFFilter::AddText(const TOxQrTextRec& Rec) {
  if (!PageOpen()) return;
  std::string ops = Rec.Orientation % 3600 != 0 ? TurnedTextOperators(Rec) : TextOperators(Rec);
  if (Conformance) ops = Conformance->Text(TextControl, ops);
  if (InTextBlock) {
    TextBlockLines.push_back(std::move(ops));
  } else {
    ops += "\r\n";
    PageContent().Write(ops);
  }
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
  // A face that readers would not find under the font's name (Impact, drawn here in a
  // condensed bold sans) is embedded even when fonts are not asked for, under the same
  // name and widths, so that the document shows what the page was drawn with.
  if (QRExportSettings().PDF.EmbedFonts || !DrawnFace(info.Attributes.Name).FoundByName) {
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
