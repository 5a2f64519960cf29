// The Unicode mode (code page 65001): conversions pass UTF-8 through, the text grid counts
// cells, RTF writes \uN?, PDF writes Type 0 fonts, 8-bit formats count what they replace.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QString>

#include "OxQrExport/pdf/PdfFilter.h"
#include "OxQrExport/pdf/PdfType0Font.h"
#include "OxQrExport/rtf/RtfMarkup.h"
#include "OxQrExport/text/TextFilter.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Utf8.h"
#include "support/ExportTestSupport.h"
#include "unicode/UnicodeNames.h"

namespace oxqr {
namespace {

using UnicodeMode = testing::UnicodeModeTest;

TEST_F(UnicodeMode, ConversionsPassEveryCharacterAndCountOnlyBrokenBytes) {
  const auto before = LostCharacterCount();
  for (const std::string& name : testing::UnicodeNames()) {
    EXPECT_EQ(Utf8ToAnsi(name), name);
    EXPECT_EQ(AnsiToUtf8(name), name);
    EXPECT_EQ(QStringToAnsi(AnsiToQString(name)), name);
  }
  EXPECT_EQ(LostCharacterCount(), before);
  EXPECT_EQ(Utf8ToAnsi("a\xFF" "b\xC3"), "a?b?");  // not UTF-8: a stray byte, a cut sequence
  EXPECT_EQ(LostCharacterCount() - before, 2u);
}

TEST_F(UnicodeMode, EightBitFormatsGetTheFallbackCodePageAndCountWhatItLoses) {
  EXPECT_EQ(EightBitCodePage(), kEightBitFallback);
  const auto before = LostCharacterCount();
  EXPECT_EQ(ToEightBitText("Caf\xC3\xA9 \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x8E\x89"), "Caf\xE9 ?? ?");
  EXPECT_EQ(LostCharacterCount() - before, 3u);
  SetAnsiCodePage(1251);  // out of the mode: the code page's own bytes, unchanged
  EXPECT_EQ(EightBitCodePage(), 1251);
  EXPECT_EQ(ToEightBitText("\xC6"), "\xC6");
}

struct TCellsCase {
  const char* Name;
  const char* Text;
  int Cells;
};
void PrintTo(const TCellsCase& c, std::ostream* os) { *os << c.Name; }

class TextCellsTest : public ::testing::TestWithParam<TCellsCase> {};

TEST_P(TextCellsTest, CountsTheCellsOfTheGrid) { EXPECT_EQ(TextCells(GetParam().Text), GetParam().Cells); }

INSTANTIATE_TEST_SUITE_P(
    Scripts, TextCellsTest,
    ::testing::Values(TCellsCase{"Ascii", "Oslo", 4}, TCellsCase{"Greek", "Αθήνα", 5},
                      TCellsCase{"Hebrew", "שלום", 4}, TCellsCase{"ArabicWithVowelMark", "مَرحبا", 5},
                      TCellsCase{"Chinese", "北京", 4}, TCellsCase{"Kana", "ひらがなカタカナ", 16},
                      TCellsCase{"HalfwidthKana", "ｶﾀｶﾅ", 4}, TCellsCase{"FullwidthLatin", "ＡＢ", 4},
                      TCellsCase{"Hangul", "서울", 4}, TCellsCase{"Emoji", "\xF0\x9F\x8E\x89", 2},
                      TCellsCase{"CombiningAccent", "Jose\xCC\x81", 4}, TCellsCase{"BrokenByte", "a\xFF", 2}),
    [](const auto& info) { return std::string(info.param.Name); });

// The grid's PutText, reachable for a test.
class TGridFilter : public TOxQRTextFilter {
 public:
  using TOxQRTextFilter::PutText;
  using TOxQRTextFilter::TOxQRTextFilter;
};

TEST_F(UnicodeMode, GridRowsKeepColumnsAcrossWideCharactersAndSplitNone) {
  TGridFilter f("unused.txt");
  f.PageWidth = 20;  // blank rows of 20 cells
  f.PutText(1, 1, "東京");
  f.PutText(1, 6, "x");
  EXPECT_EQ(f.PageLines[0], "東京 x" + std::string(14, ' '));  // 4 cells, a blank, x in cell 6
  f.PutText(1, 2, "ab");  // over the right half of 東 and the left half of 京: both become blanks
  EXPECT_EQ(f.PageLines[0], " ab  x" + std::string(14, ' '));
  f.PutText(2, 1, "Jose\xCC\x81 Mu\xCC\x88ller");  // 11 cells: the accents take none
  f.PutText(2, 13, "N1");
  EXPECT_EQ(f.PageLines[1], "Jose\xCC\x81 Mu\xCC\x88ller N1" + std::string(6, ' '));
}

TEST_F(UnicodeMode, TextFileHoldsEveryNameAsUtf8WithItsCodeInOneColumn) {
  const std::string file = Dir() + "names.txt";
  testing::TUnicodeNamesReport report(2);
  TOxQRTextFilter filter(file);
  report.Report().ExportToFilter(filter);
  const std::string text = ReadFileBytes(file);
  ASSERT_TRUE(IsValidUtf8(text));
  for (const std::string& name : testing::UnicodeNames()) EXPECT_NE(text.find(name), std::string::npos) << name;
  // Every row's code starts in the same cell, whatever script the name before it is in.
  std::vector<int> columns;
  std::string rows;
  for (std::size_t at = 0, end; at < text.size(); at = end + 2) {
    end = text.find("\r\n", at);
    if (end == std::string::npos) break;
    const std::string row = text.substr(at, end - at);
    const std::size_t code = row.find(" N");
    if (code == std::string::npos || row.size() < code + 4 || !std::isdigit(static_cast<unsigned char>(row[code + 2])))
      continue;
    columns.push_back(TextCells(row.substr(0, code + 1)));
    rows += row + "\n";
  }
  ASSERT_EQ(columns.size(), 2 * testing::UnicodeNames().size()) << rows;
  EXPECT_TRUE(std::all_of(columns.begin(), columns.end(), [&](int c) { return c == columns.front(); })) << rows;
}

TEST_F(UnicodeMode, RtfWritesSigned16BitUnicodeWordsAndSurrogatePairs) {
  EXPECT_EQ(RtfEscapeText("A\xC3\xA9{"), "A\\u233?\\{");
  EXPECT_EQ(RtfEscapeText("\xE6\x9D\xB1"), "\\u26481?");                    // U+6771
  EXPECT_EQ(RtfEscapeText("\xEF\xBC\xA1"), "\\u-223?");                     // U+FF21 above 32767
  EXPECT_EQ(RtfEscapeText("\xF0\x9F\x8E\x89"), "\\u-10180?\\u-8311?");      // U+1F389: D83C DF89
  EXPECT_EQ(RtfEscapeText("\xFF"), "\\'ff");                                // not UTF-8: as a byte
}

TEST(PdfType0Emitters, WidthsGroupConsecutiveGlyphsAndTheMapIsUtf16) {
  EXPECT_EQ(pdf::CidWidths({{3, 278}, {4, 556}, {5, 556}, {40, 1000}}), "[3 [278 556 556] 40 [1000]]");
  const std::string cmap = pdf::ToUnicodeCMap({{7, u"A"}, {300, u"\U0001F389"}, {301, u"\u0644\u0627"}});
  EXPECT_NE(cmap.find("3 beginbfchar\n<0007> <0041>\n<012C> <D83CDF89>\n<012D> <06440627>\nendbfchar"),
            std::string::npos)
      << cmap;
}

TEST(PdfType0Emitters, GlyphsOfASpanStandInMarkedContentWithTheirText) {
  // "ka", then a vowel sign drawn before its consonant (two glyphs for two characters),
  // then "ka" again: only the middle cluster carries its text as /ActualText.
  pdf::TShapedLine line;
  line.Glyphs = {{0, 5, 0, 0, 500}, {0, 7, 500, 0, 300, 0}, {0, 8, 800, 0, 200, 0}, {0, 5, 1000, 0, 500}};
  line.Spans = {u"\u0939\u093F"};
  EXPECT_EQ(pdf::TType0FontSet().ShowGlyphs(line, 10),
            "/U0 10 Tf\r\n[<0005>] TJ\r\n/Span << /ActualText <FEFF0939093F> >> BDC\r\n[<00070008>] TJ\r\nEMC\r\n"
            "[<0005>] TJ\r\n");
}

TEST_F(UnicodeMode, PdfShowsTextWithType0FontsOnly) {
  const std::string file = Dir() + "names.pdf";
  QRExportSettings().PDF.Compressed = false;
  testing::TUnicodeNamesReport report;
  TOxQRPDFFilter filter(file);
  report.Report().ExportToFilter(filter);
  const std::string pdf = ReadFileBytes(file);
  EXPECT_NE(pdf.find("/Subtype /Type0"), std::string::npos);
  EXPECT_NE(pdf.find("/Subtype /CIDFontType2"), std::string::npos);
  EXPECT_NE(pdf.find("/CIDToGIDMap /Identity"), std::string::npos);
  EXPECT_NE(pdf.find("/FontFile2"), std::string::npos);
  EXPECT_EQ(pdf.find("/Subtype /TrueType"), std::string::npos);  // no simple fonts
  EXPECT_EQ(pdf.find("(Names of the world)"), std::string::npos);  // no byte strings
  EXPECT_NE(pdf.find("] TJ"), std::string::npos);
}

}  // namespace
}  // namespace oxqr
