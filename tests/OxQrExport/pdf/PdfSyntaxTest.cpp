// The small pieces of PDF syntax, byte for byte.
#include <clocale>

#include <gtest/gtest.h>

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
