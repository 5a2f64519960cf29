// Byte layout of the EMF and placeable WMF files written from a recorded page: headers,
// counts and sizes that readers rely on, and the text records.
#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/MetafileFiles.h"
#include "platform/Streams.h"
#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

std::uint32_t U32(const std::string& b, std::size_t at) {
  return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8 |
         static_cast<unsigned char>(b[at + 2]) << 16 | static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
std::uint16_t U16(const std::string& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}
std::int32_t I32(const std::string& b, std::size_t at) { return static_cast<std::int32_t>(U32(b, at)); }

// A page of 794 x 1123 pixels with one record of each kind.
TMetafile SamplePage() {
  TMetafile mf(794, 1123);
  TFont bold;
  bold.Size = 12;
  bold.Style = {TFontStyle::fsBold, TFontStyle::fsItalic};
  mf.Records.push_back(MrFillRect{Rect(0, 0, 794, 1123), TBrush{clWhite, TBrushStyle::bsSolid}});
  mf.Records.push_back(MrText{10, 20, "Gr\xFC\xDF" "e", bold, false, clWhite, false, {}});
  mf.Records.push_back(MrText{10, 60, "clipped", TFont{}, true, clYellow, true, Rect(5, 55, 40, 75)});
  mf.Records.push_back(MrRectangle{Rect(100, 100, 200, 150), TPen{}, TBrush{clRed, TBrushStyle::bsCross}});
  mf.Records.push_back(MrEllipse{Rect(300, 100, 400, 200), TPen{clBlue, 2, TPenStyle::psDash}, TBrush{}});
  mf.Records.push_back(MrLine{TPoint{10, 300}, TPoint{500, 300}, TPen{}});
  auto img = std::make_shared<QImage>(3, 2, QImage::Format_RGB32);
  img->fill(Qt::red);
  mf.Records.push_back(MrBitmap{Rect(50, 400, 110, 440), img});
  return mf;
}

std::string Emf(const TMetafile& mf) {
  TMemoryStream s;
  WriteEMF(mf, s);
  return s.Bytes();
}
std::string Wmf(const TMetafile& mf) {
  TMemoryStream s;
  WriteWMF(mf, s);
  return s.Bytes();
}

struct EmfRecord {
  std::uint32_t Type;
  std::size_t At;
  std::uint32_t Size;
};
std::vector<EmfRecord> WalkEmf(const std::string& b) {
  std::vector<EmfRecord> out;
  std::size_t at = 0;
  while (at + 8 <= b.size()) {
    const auto size = U32(b, at + 4);
    EXPECT_EQ(size % 4, 0u) << "record at " << at;
    if (size < 8) break;
    out.push_back({U32(b, at), at, size});
    at += size;
  }
  EXPECT_EQ(at, b.size()) << "records do not end at the end of the file";
  return out;
}

TEST(EMFWriter, HeaderDescribesTheFile) {
  const std::string b = Emf(SamplePage());
  const auto records = WalkEmf(b);
  ASSERT_GE(records.size(), 3u);
  EXPECT_EQ(U32(b, 0), 1u);    // EMR_HEADER
  EXPECT_EQ(U32(b, 4), 108u);  // with both header extensions
  // rclBounds in pixels and rclFrame in 0.01 mm (794 px = 21008, 1123 px = 29713), inclusive.
  EXPECT_EQ(std::vector<int>({I32(b, 8), I32(b, 12), I32(b, 16), I32(b, 20)}), std::vector<int>({0, 0, 793, 1122}));
  EXPECT_EQ(std::vector<int>({I32(b, 24), I32(b, 28), I32(b, 32), I32(b, 36)}),
            std::vector<int>({0, 0, 21007, 29712}));
  EXPECT_EQ(b.substr(40, 4), " EMF");
  EXPECT_EQ(U32(b, 44), 0x10000u);
  EXPECT_EQ(U32(b, 48), b.size());
  EXPECT_EQ(U32(b, 52), records.size());
  // Handles: one more than the highest object slot any record creates.
  std::uint32_t maxSlot = 0;
  for (const auto& r : records)
    if (r.Type == 38 || r.Type == 39 || r.Type == 82) maxSlot = std::max(maxSlot, U32(b, r.At + 8));
  EXPECT_EQ(U16(b, 56), maxSlot + 1);
  // Reference device of 96 pixels per inch.
  EXPECT_EQ(std::vector<int>({I32(b, 72), I32(b, 76), I32(b, 80), I32(b, 84)}),
            std::vector<int>({1920, 1080, 508, 286}));
  EXPECT_EQ(std::vector<int>({I32(b, 100), I32(b, 104)}), std::vector<int>({508000, 285750}));
  // EMR_EOF closes the file.
  const auto& eof = records.back();
  EXPECT_EQ(eof.Type, 14u);
  EXPECT_EQ(eof.Size, 20u);
  EXPECT_EQ(U32(b, eof.At + 16), 20u);
}

TEST(EMFWriter, TextRecordsCarryUnicodeTextAdvancesAndFont) {
  const TMetafile page = SamplePage();
  const std::string b = Emf(page);
  std::vector<EmfRecord> texts, fonts;
  for (const auto& r : WalkEmf(b)) {
    if (r.Type == 84) texts.push_back(r);
    if (r.Type == 82) fonts.push_back(r);
  }
  ASSERT_EQ(texts.size(), 2u);
  ASSERT_GE(fonts.size(), 1u);

  // Font of the first text: LOGFONTW at +12.
  const auto& font = std::get<MrText>(page.Records[1]).Font;
  const std::size_t lf = fonts[0].At + 12;
  EXPECT_EQ(I32(b, lf), -font.PixelHeight());
  EXPECT_EQ(I32(b, lf + 16), 700);
  EXPECT_EQ(static_cast<unsigned char>(b[lf + 20]), 1);  // italic
  EXPECT_EQ(U16(b, lf + 28), 'A');
  EXPECT_EQ(U16(b, lf + 28 + 2 * 5), 0);  // "Arial" ends

  // First text: reference point, five UTF-16 units from code page 1252, no options.
  std::size_t t = texts[0].At;
  EXPECT_EQ(std::vector<int>({I32(b, t + 36), I32(b, t + 40)}), std::vector<int>({10, 20}));
  ASSERT_EQ(U32(b, t + 44), 5u);
  const auto offString = U32(b, t + 48);
  EXPECT_EQ(U32(b, t + 52), 0u);
  EXPECT_EQ(U16(b, t + offString + 4), 0x00FC);  // ü
  EXPECT_EQ(U16(b, t + offString + 6), 0x00DF);  // ß
  const auto offDx = U32(b, t + 72);
  int sum = 0;
  for (int i = 0; i < 5; ++i) sum += I32(b, t + offDx + 4 * i);
  EXPECT_EQ(sum, TextExtent(font, "Gr\xFC\xDF" "e").cx);

  // Second text: clipped and opaque, with the clip rectangle.
  t = texts[1].At;
  EXPECT_EQ(U32(b, t + 52), 2u | 4u);  // ETO_OPAQUE | ETO_CLIPPED
  EXPECT_EQ(std::vector<int>({I32(b, t + 56), I32(b, t + 60), I32(b, t + 64), I32(b, t + 68)}),
            std::vector<int>({5, 55, 40, 75}));
}

TEST(EMFWriter, DecoratedTextIsAPlainFontWithBarsInTheTextColour) {
  // Readers paint a decorated font's whole text box in the background colour even in
  // transparent mode; the underline and strike-out are therefore separate bars.
  TMetafile mf(200, 100);
  TFont font;
  font.Size = 16;
  font.Color = clWhite;
  font.Style = {TFontStyle::fsUnderline, TFontStyle::fsStrikeOut};
  mf.Records.push_back(MrFillRect{Rect(0, 0, 200, 100), TBrush{clTeal, TBrushStyle::bsSolid}});
  mf.Records.push_back(MrText{10, 20, "Title", font, false, clWhite, false, {}});
  const std::string b = Emf(mf);
  std::vector<EmfRecord> fonts, boxes, brushes;
  for (const auto& r : WalkEmf(b)) {
    if (r.Type == 82) fonts.push_back(r);
    if (r.Type == 43) boxes.push_back(r);
    if (r.Type == 39) brushes.push_back(r);
  }
  ASSERT_EQ(fonts.size(), 1u);
  EXPECT_EQ(static_cast<unsigned char>(b[fonts[0].At + 12 + 21]), 0);  // lfUnderline
  EXPECT_EQ(static_cast<unsigned char>(b[fonts[0].At + 12 + 22]), 0);  // lfStrikeOut
  ASSERT_EQ(boxes.size(), 3u);  // the teal fill, then the two bars
  ASSERT_EQ(brushes.size(), 2u);
  EXPECT_EQ(U32(b, brushes[1].At + 16), 0xFFFFFFu);  // white, the text colour
  const TTextDecorationLines lines = TextDecorationLines(font);
  const int width = TextExtent(font, "Title").cx;
  EXPECT_EQ(std::vector<int>({I32(b, boxes[1].At + 8), I32(b, boxes[1].At + 12), I32(b, boxes[1].At + 16)}),
            std::vector<int>({10, 20 + lines.UnderlineTop, 10 + width + 1}));
  EXPECT_EQ(I32(b, boxes[2].At + 12), 20 + lines.StrikeOutTop);
  EXPECT_LT(lines.StrikeOutTop, lines.UnderlineTop);
}

TEST(EMFWriter, EmptyPageIsHeaderAndEof) {
  const std::string b = Emf(TMetafile(100, 50));
  const auto records = WalkEmf(b);
  EXPECT_EQ(records.front().Type, 1u);
  EXPECT_EQ(records.back().Type, 14u);
  EXPECT_EQ(U32(b, 52), records.size());
  for (const auto& r : records) EXPECT_NE(r.Type, 43u) << "nothing to paint, nothing painted";
}

TEST(WMFWriter, PlaceableHeaderIsExact) {
  const std::string b = Wmf(SamplePage());
  // key, hmf, bbox (0, 0, 794, 1123), 96 units per inch, reserved, checksum.
  const std::string expectedHead("\xD7\xCD\xC6\x9A\x00\x00\x00\x00\x00\x00\x1A\x03\x63\x04\x60\x00\x00\x00\x00\x00", 20);
  EXPECT_EQ(b.substr(0, 20), expectedHead);
  std::uint16_t x = 0;
  for (int i = 0; i < 10; ++i) x ^= U16(b, 2 * i);
  EXPECT_EQ(U16(b, 20), x);
}

TEST(WMFWriter, MetaHeaderAndRecordsAgree) {
  const std::string b = Wmf(SamplePage());
  constexpr std::size_t m = 22;
  EXPECT_EQ(U16(b, m), 1u);       // in memory
  EXPECT_EQ(U16(b, m + 2), 9u);   // header words
  EXPECT_EQ(U16(b, m + 4), 0x300u);
  EXPECT_EQ(U32(b, m + 6), (b.size() - m) / 2);
  std::size_t at = m + 18;
  std::uint32_t maxRecord = 0;
  std::uint16_t last = 0xFFFF;
  int slotsInUse = 0, maxSlots = 0;
  std::string texts;
  while (at + 6 <= b.size()) {
    const auto words = U32(b, at);
    ASSERT_GE(words, 3u);
    last = U16(b, at + 4);
    maxRecord = std::max(maxRecord, words);
    if (last == 0x02FA || last == 0x02FB || last == 0x02FC) maxSlots = std::max(maxSlots, ++slotsInUse);
    if (last == 0x01F0) --slotsInUse;
    if (last == 0x0A32) {
      const auto count = U16(b, at + 10);
      const auto options = U16(b, at + 12);
      texts += b.substr(at + 14 + (options != 0 ? 8 : 0), count) + "|";
    }
    if (last == 0x0103) {
      EXPECT_EQ(U16(b, at + 6), 8u);  // MM_ANISOTROPIC
    }
    if (last == 0x020C) {  // window extent: height, width
      EXPECT_EQ(U16(b, at + 6), 1123);
      EXPECT_EQ(U16(b, at + 8), 794);
    }
    at += 2 * words;
  }
  EXPECT_EQ(at, b.size());
  EXPECT_EQ(last, 0x0000);  // META_EOF
  EXPECT_EQ(U32(b, b.size() - 6), 3u);
  EXPECT_EQ(U32(b, m + 12), maxRecord);
  EXPECT_EQ(U16(b, m + 10), maxSlots);
  EXPECT_EQ(texts, "Gr\xFC\xDF" "e|clipped|");  // 8-bit text as it stands
}

// A turned line keeps its direction in the font record of both formats (escapement and
// orientation in tenths of a degree), its reference point at the turned start, and an
// underline in the font rather than as upright bars that would cross it.
TEST(MetafileFiles, TurnedTextCarriesItsDirectionInTheFontRecord) {
  for (const int orientation : {900, 1800, 2700}) {
    TMetafile mf(200, 200);
    TFont font;
    font.Size = 12;
    font.Orientation = orientation;
    font.Style = {TFontStyle::fsUnderline};
    mf.Records.push_back(MrText{50, 150, "Turned", font, false, clWhite, false, {}});

    const std::string e = Emf(mf);
    std::vector<EmfRecord> fonts, texts, boxes;
    for (const auto& r : WalkEmf(e)) {
      if (r.Type == 82) fonts.push_back(r);
      if (r.Type == 84) texts.push_back(r);
      if (r.Type == 43) boxes.push_back(r);
    }
    ASSERT_EQ(fonts.size(), 1u) << orientation;
    const std::size_t lf = fonts[0].At + 12;
    EXPECT_EQ(I32(e, lf + 8), orientation);   // lfEscapement
    EXPECT_EQ(I32(e, lf + 12), orientation);  // lfOrientation
    EXPECT_EQ(static_cast<unsigned char>(e[lf + 21]), 1) << "underline kept in the font";
    EXPECT_TRUE(boxes.empty()) << "no upright bars";
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(std::vector<int>({I32(e, texts[0].At + 36), I32(e, texts[0].At + 40)}), std::vector<int>({50, 150}));
    // rclBounds covers the turned line: a quarter-turned line is taller than wide.
    const int bw = I32(e, texts[0].At + 16) - I32(e, texts[0].At + 8);
    const int bh = I32(e, texts[0].At + 20) - I32(e, texts[0].At + 12);
    EXPECT_EQ(bh > bw, orientation != 1800) << orientation << ": " << bw << " x " << bh;

    const std::string w = Wmf(mf);
    std::size_t at = 22 + 18;
    int seen = 0;
    while (at + 6 <= w.size()) {
      const auto words = U32(w, at);
      if (words < 3) break;
      if (U16(w, at + 4) == 0x02FB) {  // META_CREATEFONTINDIRECT: height, width, escapement, orientation
        EXPECT_EQ(static_cast<std::int16_t>(U16(w, at + 10)), orientation);
        EXPECT_EQ(static_cast<std::int16_t>(U16(w, at + 12)), orientation);
        ++seen;
      }
      at += 2 * words;
    }
    EXPECT_EQ(seen, 1) << orientation;
  }
}

}  // namespace
}  // namespace oxqr
