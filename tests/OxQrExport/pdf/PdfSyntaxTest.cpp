// The small pieces of PDF syntax, byte for byte.
#include <clocale>

#include <gtest/gtest.h>

#include "OxQrExport/core/DocumentFunctions.h"
#include "OxQrExport/pdf/PdfEncoding.h"
#include "OxQrExport/pdf/PdfSyntax.h"
#include "platform/CodePage.h"
#include "platform/Locale.h"

namespace oxqr::pdf {
namespace {

TEST(PdfSyntaxTest, NumbersHaveFourDecimalsAndAPointUnderACommaLocale) {
  const char* saved = std::setlocale(LC_NUMERIC, nullptr);
  const std::string restore = saved ? saved : "C";
  const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  const char separator = DecimalSeparator();
  SetDecimalSeparator(',');
  EXPECT_EQ(FormatNumber(1234.5), "1234.5000");
  EXPECT_EQ(FormatNumber(595.27559055), "595.2756");
  EXPECT_EQ(FormatNumber(-12), "-12.0000");
  EXPECT_EQ(FormatNumber(0), "0.0000");
  EXPECT_EQ(FormatNumber(-0.00001), "0.0000");
  EXPECT_EQ(FormatNumber(1e6), "1000000.0000");
  SetDecimalSeparator(separator);
  std::setlocale(LC_NUMERIC, restore.c_str());
  if (!comma) GTEST_LOG_(INFO) << "de_DE.UTF-8 is not installed; only the platform separator was changed";
}

// The quick digits of page content must be FixedNumber4's everywhere: near the halves where
// rounding could go either way, at ties, signs, zero, large and non-finite values, and over
// the coordinates a page produces.
TEST(PdfSyntaxTest, AppendedNumbersMatchTheExactConversion) {
  std::vector<double> values = {0.0,       -0.0,         0.00005,      -0.00005,   0.00015,    1.00005,
                                2.5e-5,    123.45675,    -123.45675,   0.12345,    595.27559055, 1e-9,
                                -1e-9,     214748.3647,  214748.3648,  -214748.3648, 1e6,       -1e12,
                                1e300,     1.0 / 0.0,    -1.0 / 0.0,   0.0 / 0.0,  4.99999999e-5, 0.999949999};
  for (int native = -3000; native <= 30000; ++native) values.push_back(native / 254.0 * 72);
  for (int k = 0; k < 20000; ++k) values.push_back((k + 0.5) / 10000.0);  // halves of the last digit
  for (int k = 0; k < 20000; ++k) values.push_back(-(k * 7919 % 100000) / 255.0);
  for (const double v : values) {
    std::string out = "x";
    AppendNumber(out, v);
    EXPECT_EQ(out, "x" + FixedNumber4(v)) << v;
    EXPECT_EQ(FormatNumber(v), FixedNumber4(v)) << v;
  }
  std::string out;
  AppendInt(out, -42);
  AppendInt(out, 1234567890123LL);
  EXPECT_EQ(out, "-421234567890123");
}

TEST(PdfSyntaxTest, ColourTextsAreThoseOfTheConversionWhateverTheOrder) {
  // More colours than are remembered, asked again in another order.
  std::vector<TColor> colors;
  for (int i = 0; i < 20; ++i) colors.push_back(static_cast<TColor>(i * 0x0A0B0C));
  colors.push_back(clBtnFace);  // a system colour resolved through the palette
  for (int round = 0; round < 3; ++round)
    for (std::size_t i = 0; i < colors.size(); ++i) {
      const TColor c = colors[(i * (round + 1) * 7) % colors.size()];
      EXPECT_EQ(ColorText(c), ColorToPDF(c)) << c;
      EXPECT_EQ(ColorText(c), ColorToPDF(c)) << "asked twice " << c;
    }
}

TEST(PdfSyntaxTest, StringsEscapeBackslashAndParenthesesAndReadBack) {
  EXPECT_EQ(EscapeString("Total (net)"), "Total \\(net\\)");
  EXPECT_EQ(EscapeString("C:\\temp\\x"), "C:\\\\temp\\\\x");
  EXPECT_EQ(EscapeString("Caf\xE9 \x80"), "Caf\xE9 \x80");  // 8-bit bytes as they are
  for (const char* s : {"Total (net)", "C:\\temp\\x", "(1,234.56)", "a\\(b", ""})
    EXPECT_EQ(UnescapeString(EscapeString(s)), s);
}

TEST(PdfSyntaxTest, NamesEscapeDelimitersAndBytesOutsidePrintableAscii) {
  EXPECT_EQ(EscapeName("TimesNewRoman,BoldItalic"), "TimesNewRoman,BoldItalic");
  EXPECT_EQ(EscapeName("A/B(x)"), "A#2FB#28x#29");
  EXPECT_EQ(EscapeName("Caf\xE9Sans"), "Caf#E9Sans");
  EXPECT_EQ(EscapeName("a b#1%<>[]{}"), "a#20b#231#25#3C#3E#5B#5D#7B#7D");
}

TEST(PdfSyntaxTest, InformationStringsAboveAsciiBecomeUtf16) {
  EXPECT_EQ(InfoString("Sales (Q1)"), "(Sales \\(Q1\\))");
  EXPECT_EQ(InfoString(""), "()");
  // "Café €" in code page 1252.
  EXPECT_EQ(InfoString("Caf\xE9 \x80"), "<FEFF00430061006600E9002020AC>");
}

TEST(PdfSyntaxTest, UtcOffsetsAndCrossReferenceEntries) {
  EXPECT_EQ(UtcOffsetText(-330), "+05'30'");
  EXPECT_EQ(UtcOffsetText(300), "-05'00'");
  EXPECT_EQ(UtcOffsetText(0), "+00'00'");
  EXPECT_EQ(UtcOffsetText(-60), "+01'00'");
  EXPECT_EQ(XrefEntry(17), "0000000017 00000 n\r\n");
  EXPECT_EQ(XrefEntry(17).size(), 20u);
}

TEST(PdfEncodingTest, WinAnsiFor1252AndDifferencesForEverythingElse) {
  EXPECT_EQ(EncodingEntry(TPDFFontEncoding::feWinAnsiEncoding, 1252), "/WinAnsiEncoding");
  // 1252 under another setting: WinAnsi already names every character of the code page.
  EXPECT_EQ(EncodingEntry(TPDFFontEncoding::feStandardEncoding, 1252),
            "<< /Type /Encoding /BaseEncoding /WinAnsiEncoding /Differences [] >>");
  const std::string mac = EncodingEntry(TPDFFontEncoding::feMacRomanEncoding, 1252);
  EXPECT_EQ(mac.rfind("<< /Type /Encoding /BaseEncoding /MacRomanEncoding /Differences [128 /Euro ", 0), 0u) << mac;
  EXPECT_NE(mac.find(" /egrave /eacute /ecircumflex "), std::string::npos) << mac;  // 232.. in 1252
  // Central European: ż (0xBF), ł (0xB3), ś (0x9C) in 1250.
  const std::string ce = EncodingEntry(TPDFFontEncoding::feWinAnsiEncoding, 1250);
  EXPECT_NE(ce.find(" 156 /uni015B "), std::string::npos) << ce;
  EXPECT_NE(ce.find(" /uni0142 "), std::string::npos) << ce;
  EXPECT_NE(ce.find(" /uni017C "), std::string::npos) << ce;
  EXPECT_EQ(ce.find("/Euro"), std::string::npos) << "the euro sign is at 128 in both";
  EXPECT_EQ(ce.find(" 65 "), std::string::npos) << "ASCII needs no difference";
}

}  // namespace
}  // namespace oxqr::pdf
