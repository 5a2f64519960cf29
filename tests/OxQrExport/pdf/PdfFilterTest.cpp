// The PDF file writer, text and fonts: whole objects byte for byte through a real printer.
#include <filesystem>
#include <map>
#include <fstream>

#include <gtest/gtest.h>

#include "OxQrExport/core/DocumentFunctions.h"
#include "pdf/PdfTestSupport.h"
#include "platform/CodePage.h"
#include "support/ExportTestSupport.h"

namespace oxqr {
namespace {

using testing::CountOf;
using testing::Inflate;
using testing::RunPdf;
using testing::TPdfFile;

class PdfFilterTest : public testing::ExportTest {
 protected:
  std::string File() const { return Dir() + "out.pdf"; }
  TPdfFile Read() const { return TPdfFile(ReadFileBytes(File())); }
  // A text record at the given box, in Arial `size`.
  static TOxQrTextRec Line(const std::string& text, double x, double y, double width, double height,
                           TAlignment alignment = TAlignment::taLeftJustify, int size = 10) {
    TOxQrTextRec r;
    r.X = x;
    r.Y = y;
    r.Width = width;
    r.Height = height;
    r.Font.Name = "Arial";
    r.Font.Size = size;
    r.Alignment = alignment;
    r.Text = text;
    return r;
  }
  // Natural width in points of the bytes `shown` in Arial (the report font) at `size`.
  static double Natural(const TOxQRPDFFilter&, const std::string& shown, int size = 10) {
    static const TOxQRFontInfo arial = [] {
      TOxQRFontInfo info;
      TOxQrFontAttrib a;
      a.Name = "Arial";
      a.Size = 10;
      MeasureFont(a, info);
      return info;
    }();
    long sum = 0;
    for (char c : shown) sum += arial.Width(static_cast<unsigned char>(c));
    return static_cast<double>(sum) * size / 1000;
  }

  testing::TPinnedClock clock_;
  TQRPrinter printer_;
};

// Every object the table lists starts where its entry says.
void ExpectOffsetsPointAtObjects(const TPdfFile& pdf) {
  ASSERT_GT(pdf.Size, 1);
  EXPECT_EQ(static_cast<int>(pdf.Offsets.size()), pdf.Size - 1) << "every number 1..Size-1 is in use";
  for (const auto& [n, offset] : pdf.Offsets)
    EXPECT_EQ(pdf.Bytes.substr(static_cast<std::size_t>(offset), std::to_string(n).size() + 8),
              std::to_string(n) + " 0 obj\r\n")
        << "object " << n;
  EXPECT_EQ(pdf.Bytes.substr(static_cast<std::size_t>(pdf.XrefOffset), 6), "xref\r\n");
}

TEST_F(PdfFilterTest, PagelessJobGetsOneEmptyPageAndEveryObjectOfTheLayout) {
  QRExportSettings().PDF.Author = "A. Writer";
  TOxQRPDFFilter f(File());
  printer_.Title = "Customers";
  f.SourcePrinter = &printer_;
  f.StartJob(2100, 2970, TFont());
  f.ClosePage();
  f.FinishJob();
  const TPdfFile pdf = Read();
  const std::string head =
      "%PDF-1.3\r\n%\xE2\xE3\xCF\xD3\r\n1 0 obj\r\n<<\r\n/Type /Catalog\r\n/Pages 2 0 R\r\n>>\r\nendobj\r\n";
  EXPECT_EQ(pdf.Bytes.substr(0, head.size()), head);
  EXPECT_EQ(pdf.Offsets.at(1), 17);
  // Objects 6 and 7 are the report font; the empty page takes 8.
  EXPECT_EQ(pdf.Body(8), "<<\r\n/Type /Page\r\n/Parent 2 0 R\r\n>>");
  EXPECT_EQ(pdf.Body(2),
            "<<\r\n/Type /Pages\r\n/Count 1\r\n/MediaBox [0 0 595.2756 841.8898]\r\n/Kids [8 0 R]\r\n"
            "/Resources 5 0 R\r\n>>");
  EXPECT_EQ(pdf.Body(5), "<<\r\n/Font <<\r\n/F0 6 0 R\r\n>>\r\n/ProcSet 4 0 R\r\n>>");
  EXPECT_EQ(pdf.Body(4), "[/PDF /Text /ImageC]");
  EXPECT_EQ(pdf.Body(3),
            "<<\r\n/Author (A. Writer)\r\n/CreationDate (D:20260309140507+01'00')\r\n/Keywords ()\r\n"
            "/Creator (QRReport)\r\n/Producer (OxQRFilters V2.11 for QRReport)\r\n/Title (Customers)\r\n>>");
  const std::string font = pdf.Body(6);
  EXPECT_EQ(font.rfind("<<\r\n/Type /Font\r\n/Subtype /TrueType\r\n/Name /F0\r\n/BaseFont /Arial\r\n"
                       "/Encoding /WinAnsiEncoding\r\n/FirstChar 32\r\n/LastChar 255\r\n/Widths [",
                       0),
            0u)
      << font;
  EXPECT_NE(font.find("]\r\n/FontDescriptor 7 0 R\r\n>>"), std::string::npos);
  EXPECT_EQ(pdf.Body(7).rfind("<<\r\n/Type /FontDescriptor\r\n/FontName /Arial\r\n/Flags 32\r\n/FontBBox [-250 ", 0),
            0u)
      << pdf.Body(7);
  // Object order: 1, the page, 2, 5, 4, the font's two objects, 3.
  EXPECT_LT(pdf.Offsets.at(1), pdf.Offsets.at(8));
  EXPECT_LT(pdf.Offsets.at(8), pdf.Offsets.at(2));
  EXPECT_LT(pdf.Offsets.at(2), pdf.Offsets.at(5));
  EXPECT_LT(pdf.Offsets.at(5), pdf.Offsets.at(4));
  EXPECT_LT(pdf.Offsets.at(4), pdf.Offsets.at(6));
  EXPECT_LT(pdf.Offsets.at(7), pdf.Offsets.at(3));
  const std::string tail = pdf.Bytes.substr(static_cast<std::size_t>(pdf.XrefOffset));
  EXPECT_EQ(tail.substr(0, 31), "xref\r\n0 9\r\n0000000000 65535 f\r\n");
  EXPECT_EQ(tail.substr(31 + 8 * 20), "trailer\r\n<<\r\n/Root 1 0 R\r\n/Info 3 0 R\r\n/Size 9\r\n>>\r\nstartxref\r\n" +
                                          std::to_string(pdf.XrefOffset) + "\r\n%%EOF");
  ExpectOffsetsPointAtObjects(pdf);
}

TEST_F(PdfFilterTest, FirstPageUsesObjects8To10WithItsStreamAndLength) {
  QRExportSettings().PDF.Compressed = false;
  TOxQRPDFFilter f(File());
  RunPdf(f, printer_, 1, [&](int) { f.AddText(Line("Hi", 56.6929, 720, 10, 12)); });
  const TPdfFile pdf = Read();
  EXPECT_EQ(pdf.Body(8), "<<\r\n/Type /Page\r\n/Parent 2 0 R\r\n/Contents 9 0 R\r\n>>");
  const std::string ops = "BT\r\n0.0000 0.0000 0.0000 rg\r\n/F0 10 Tf\r\n" + f.FormatNumber((10 - Natural(f, "Hi")) / 2) +
                          " Tc\r\n56.6929 711.0000 Td (Hi) Tj\r\nET\r\n";
  const auto at = static_cast<std::size_t>(pdf.Offsets.at(9));
  const std::string expected =
      "9 0 obj\r\n<< /Length 10 0 R >>\r\nstream\r\n" + ops + "\r\nendstream\r\nendobj\r\n10 0 obj\r\n";
  EXPECT_EQ(pdf.Bytes.substr(at, expected.size()), expected);
  EXPECT_EQ(pdf.Body(10), std::to_string(ops.size()));
  EXPECT_NE(pdf.Body(2).find("/Count 1\r\n"), std::string::npos);
  EXPECT_NE(pdf.Body(2).find("/Kids [8 0 R]"), std::string::npos);
  EXPECT_EQ(pdf.Size, 11);
  ExpectOffsetsPointAtObjects(pdf);
}

TEST_F(PdfFilterTest, CompressedStreamsInflateToTheOperatorsAtEveryLevel) {
  for (auto method : {TPDFCompressionMethod::cmFastest, TPDFCompressionMethod::cmNormal,
                      TPDFCompressionMethod::cmMaxCompress}) {
    SCOPED_TRACE(static_cast<int>(method));
    QRExportSettings().PDF.CompressionMethod = method;
    TOxQRPDFFilter f(File());
    RunPdf(f, printer_, 1, [&](int) { f.AddText(Line("Compressed text", 56.6929, 720, 80, 12)); });
    const TPdfFile pdf = Read();
    EXPECT_EQ(pdf.Body(9), "<<\r\n/Length 10 0 R\r\n/Filter /FlateDecode\r\n>>");
    const std::string data = pdf.Stream(9);
    EXPECT_EQ(pdf.Body(10), std::to_string(data.size()));
    EXPECT_NE(Inflate(data).find("56.6929 711.0000 Td (Compressed text) Tj\r\nET\r\n"), std::string::npos);
  }
}

TEST_F(PdfFilterTest, TextLinesCarryTheirOwnCharacterSpacingCountedOnShownBytes) {
  QRExportSettings().PDF.Compressed = false;
  TOxQRPDFFilter f(File());
  std::string total, natural, right, centre;
  RunPdf(f, printer_, 1, [&](int) {
    // "Total (net)": 11 shown bytes; escaped it has 13.
    const double width = Natural(f, "Total (net)") + 11 * 0.0125;
    const TOxQrTextRec total10 = Line(f.EncodeText("Total (net)"), 56.6929, 700 + 14, width, 14);
    f.AddText(total10);
    f.AddText(Line("Natural width line", 56.6929, 680, Natural(f, "Natural width line"), 14));
    f.AddText(Line("R", 500, 660, 40, 14, TAlignment::taRightJustify));
    f.AddText(Line("C", 300, 640, 40, 14, TAlignment::taCenter));
  });
  const std::string content = TPdfFile(ReadFileBytes(File())).Stream(9);
  EXPECT_NE(content.find("BT\r\n0.0000 0.0000 0.0000 rg\r\n/F0 10 Tf\r\n0.0125 Tc\r\n"
                         "56.6929 703.0000 Td (Total \\(net\\)) Tj\r\nET\r\n"),
            std::string::npos)
      << content;
  // Tc is text state that survives ET: the next line resets it.
  EXPECT_NE(content.find("/F0 10 Tf\r\n0.0000 Tc\r\n56.6929 669.0000 Td (Natural width line) Tj"), std::string::npos);
  EXPECT_NE(content.find(" Tc\r\n458.0000 649.0000 Td (R) Tj"), std::string::npos) << "500 - 40 - 2";
  EXPECT_NE(content.find(" Tc\r\n279.0000 629.0000 Td (C) Tj"), std::string::npos) << "300 - 20 - 1";
  EXPECT_EQ(CountOf(content, "BT\r\n"), CountOf(content, " Tc\r\n"));
}

TEST_F(PdfFilterTest, EscapedTextEndsWhereItsWidthSays) {
  // Shown width = natural + bytes x Tc; with Tc counted on escaped bytes a line with
  // escapes ended short of its box.
  QRExportSettings().PDF.Compressed = false;
  TOxQRPDFFilter f(File());
  std::vector<std::pair<std::string, double>> lines;
  RunPdf(f, printer_, 1, [&](int) {
    for (const std::string shown : {"1,234.56", "(1,234.56)", "C:\\temp\\x"}) {
      const double width = Natural(f, shown) + 1;
      lines.emplace_back(shown, width);
      f.AddText(Line(f.EncodeText(shown), 400, 700, width, 14, TAlignment::taRightJustify));
    }
  });
  const std::string content = TPdfFile(ReadFileBytes(File())).Stream(9);
  std::size_t from = 0;
  for (const auto& [shown, width] : lines) {
    SCOPED_TRACE(shown);
    const auto tf = content.find("/F0 10 Tf\r\n", from);
    ASSERT_NE(tf, std::string::npos);
    const double tc = std::stod(content.substr(tf + 11));
    from = tf + 11;
    EXPECT_NEAR(Natural(f, shown) + static_cast<double>(shown.size()) * tc, width, 1e-3);
  }
}

TEST_F(PdfFilterTest, EncodedTextEscapesAndDrawsControlBytesAsBlanks) {
  TOxQRPDFFilter f(File());
  EXPECT_EQ(f.EncodeText("Total (net) \\ \xE9"), "Total \\(net\\) \\\\ \xE9");
  EXPECT_EQ(f.EncodeText("\x95\tGive\r\n"), "\x95 Give  ");
}

TEST_F(PdfFilterTest, DecorationsFollowTheTextOutsideTheTextObject) {
  QRExportSettings().PDF.Compressed = false;
  TOxQRPDFFilter f(File());
  RunPdf(f, printer_, 1, [&](int) {
    TOxQrTextRec r = Line("Under", 100, 700, 30, 12);
    r.Font.Style = {TFontStyle::fsUnderline};
    r.Font.Color = clRed;
    f.AddText(r);
  });
  const TOxQRFontInfo probe = [] {
    TOxQRFontInfo i;
    TOxQrFontAttrib a;
    a.Name = "Arial";
    a.Size = 10;
    MeasureFont(a, i);
    return i;
  }();
  const double y = 700 - 12 + 3 + probe.UnderscorePosition;
  const std::string expected = "ET\r\n1.0000 0.0000 0.0000 RG\r\n" + f.FormatNumber(probe.UnderscoreSize) +
                               " w\r\n100.0000 " + f.FormatNumber(y) + " m\r\n130.0000 " + f.FormatNumber(y) +
                               " l\r\nS\r\n";
  EXPECT_NE(TPdfFile(ReadFileBytes(File())).Stream(9).find(expected), std::string::npos) << expected;
  EXPECT_LT(probe.UnderscorePosition, 0);
}

TEST_F(PdfFilterTest, FontsAreSharedByFaceAndWeightAndNamedAsPdfNames) {
  QRExportSettings().PDF.Compressed = false;
  TOxQRPDFFilter f(File());
  RunPdf(f, printer_, 1, [&](int) {
    TOxQrTextRec red = Line("a", 100, 700, 5, 12, TAlignment::taLeftJustify, 8);
    red.Font.Color = clRed;
    TOxQrTextRec blue = Line("b", 100, 680, 5, 12, TAlignment::taLeftJustify, 12);
    blue.Font.Color = clBlue;
    blue.Font.Name = "arial";
    TOxQrTextRec bold = Line("c", 100, 660, 5, 12);
    bold.Font.Style = {TFontStyle::fsBold};
    TOxQrTextRec odd = Line("d", 100, 640, 5, 12);
    odd.Font.Name = "A/B (x)";
    odd.Font.Style = {TFontStyle::fsBold, TFontStyle::fsItalic};
    for (const auto& r : {red, blue, bold, odd}) f.AddText(r);
  });
  const TPdfFile pdf = Read();
  const std::string content = pdf.Stream(9);
  EXPECT_NE(content.find("1.0000 0.0000 0.0000 rg\r\n/F0 8 Tf"), std::string::npos);
  EXPECT_NE(content.find("0.0000 0.0000 1.0000 rg\r\n/F0 12 Tf"), std::string::npos);
  EXPECT_NE(content.find("/F1 10 Tf"), std::string::npos);
  EXPECT_NE(content.find("/F2 10 Tf"), std::string::npos);
  // Fonts get their numbers when first met, before the page's three: page 8 is after 6, 7.
  EXPECT_EQ(pdf.Body(5), "<<\r\n/Font <<\r\n/F0 6 0 R\r\n/F1 11 0 R\r\n/F2 13 0 R\r\n>>\r\n/ProcSet 4 0 R\r\n>>");
  EXPECT_NE(pdf.Body(11).find("/Name /F1\r\n/BaseFont /Arial,Bold\r\n"), std::string::npos);
  EXPECT_NE(pdf.Body(12).find("/FontName /Arial,Bold\r\n"), std::string::npos);
  // A face no reader has is embedded as drawn (see below), under its own name.
  EXPECT_NE(pdf.Body(13).find("+A#2FB#28x#29,BoldItalic\r\n"), std::string::npos) << pdf.Body(13);
  const std::string italic = pdf.Body(14);
  EXPECT_NE(italic.find("/Flags 96\r\n"), std::string::npos) << "non-symbolic + italic: " << italic;
}

TEST_F(PdfFilterTest, FontMetricsFollowTheIntegerRulesOfTheDescriptor) {
  TOxQRFontInfo info;
  TOxQrFontAttrib arial;
  arial.Name = "Arial";
  arial.Size = 10;
  MeasureFont(arial, info);
  for (int v : {info.Ascent, info.Descent, info.AvgWidth, info.MaxWidth}) EXPECT_EQ(v % 72, 0) << v;
  EXPECT_EQ(info.CapHeight, info.Ascent);
  EXPECT_GT(info.Ascent, 0);
  EXPECT_LT(info.Descent, 0);
  EXPECT_EQ(info.FontBBox.Left, -250);
  EXPECT_EQ(info.FontBBox.Top, info.Ascent);
  EXPECT_EQ(info.FontBBox.Right, info.MaxWidth);
  EXPECT_EQ(info.FontBBox.Bottom, info.Descent);
  EXPECT_EQ(info.Flags, 32);
  EXPECT_EQ(info.Width('W'), 944);  // Liberation Sans, metric-compatible with Arial
  EXPECT_EQ(info.Width(' '), 278);

  TOxQRFontInfo mono;
  arial.Name = "Courier New";
  MeasureFont(arial, mono);
  EXPECT_EQ(mono.Flags, 1 + 2 + 32) << "fixed pitch, modern family (bit 4), non-symbolic";
  EXPECT_EQ(mono.Width('i'), mono.Width('W'));

  TOxQRFontInfo symbol;
  arial.Name = "Arial";
  arial.Charset = SYMBOL_CHARSET;
  MeasureFont(arial, symbol);
  EXPECT_EQ(symbol.Flags & (4 | 32), 4);
}

TEST_F(PdfFilterTest, CodePagesOtherThan1252DescribeTheirBytes) {
  const int saved = AnsiCodePage();
  SetAnsiCodePage(1250);
  QRExportSettings().PDF.Title = Utf8ToAnsi("Zażółć €");
  TOxQRPDFFilter f(File());
  RunPdf(f, printer_, 1, [&](int) {});
  SetAnsiCodePage(saved);
  const TPdfFile pdf = Read();
  EXPECT_NE(pdf.Body(6).find("/Encoding << /Type /Encoding /BaseEncoding /WinAnsiEncoding /Differences ["),
            std::string::npos);
  EXPECT_NE(pdf.Body(3).find("/Title <FEFF005A0061017C00F301420107002020AC>"), std::string::npos) << pdf.Body(3);
}

TEST_F(PdfFilterTest, CancelledRunLeavesNullObjectsAndNoDanglingKid) {
  QRExportSettings().PDF.Compressed = false;
  TOxQRPDFFilter f(File());
  f.SourcePrinter = &printer_;
  f.StartJob(2100, 2970, TFont());
  f.ClosePage();
  f.OpenPage();
  f.AddText(Line("page one", 100, 700, 40, 12));
  f.ClosePage();
  f.OpenPage();  // page 2 is never closed
  TBitmap white(1, 1);
  const int object = 0;
  EXPECT_FALSE(f.EmbedImage(white, TOxQrRect{10, 100, 10, 10}, nullptr, &object).empty());
  f.FinishJob();
  const TPdfFile pdf = Read();
  EXPECT_NE(pdf.Body(2).find("/Count 1\r\n"), std::string::npos);
  EXPECT_NE(pdf.Body(2).find("/Kids [8 0 R]"), std::string::npos);
  for (int n : {11, 12, 13}) EXPECT_EQ(pdf.Body(n), "null") << n;
  EXPECT_NE(pdf.Body(14).find("/Subtype /Image"), std::string::npos) << "the page's image is written all the same";
  EXPECT_EQ(pdf.Size, 15);
  ExpectOffsetsPointAtObjects(pdf);
}

TEST_F(PdfFilterTest, CancelledBeforeTheFirstPageStillHasAPage) {
  TOxQRPDFFilter f(File());
  f.SourcePrinter = &printer_;
  f.StartJob(2159, 2794, TFont());  // US Letter
  f.ClosePage();
  f.OpenPage();
  f.FinishJob();
  const TPdfFile pdf = Read();
  EXPECT_EQ(pdf.Body(2),
            "<<\r\n/Type /Pages\r\n/Count 1\r\n/MediaBox [0 0 612.0000 792.0000]\r\n/Kids [11 0 R]\r\n"
            "/Resources 5 0 R\r\n>>");
  EXPECT_EQ(pdf.Body(11), "<<\r\n/Type /Page\r\n/Parent 2 0 R\r\n>>");
  ExpectOffsetsPointAtObjects(pdf);
}

TEST_F(PdfFilterTest, FileThatCannotBeCreatedAbortsAndKeepsTheOldOne) {
  std::vector<std::string> errors;
  QRExportSettings().OnErrorMessage = [&](TOxQRExportFilter*, const std::string& m) { errors.push_back(m); };
  TOxQRPDFFilter missing(Dir() + "no/such/folder/out.pdf");
  RunPdf(missing, printer_, 1, [&](int) { missing.AddText(Line("x", 1, 1, 1, 1)); });
  EXPECT_TRUE(missing.Aborted());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind("File could not be created!", 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(Dir() + "no"));

  // A run that fails half-way leaves the earlier file as it was.
  WriteFileSafely(File(), "old");
  {
    TOxQRPDFFilter f(File());
    f.SourcePrinter = &printer_;
    f.StartJob(2100, 2970, TFont());
    f.OpenPage();
  }  // destroyed without FinishJob
  EXPECT_EQ(ReadFileBytes(File()), "old");
}

TEST_F(PdfFilterTest, EmbeddedFontsAreTaggedSubsetsWithTheirProgram) {
  QRExportSettings().PDF.EmbedFonts = true;
  TOxQRPDFFilter f(File());
  RunPdf(f, printer_, 1, [&](int) { f.AddText(Line("Hello", 100, 700, 25, 12)); });
  const TPdfFile pdf = Read();
  const std::string dict = pdf.Body(6);
  const auto base = dict.find("/BaseFont /");
  ASSERT_NE(base, std::string::npos);
  const std::string name = dict.substr(base + 11, dict.find("\r\n", base) - base - 11);
  ASSERT_EQ(name.size(), 6u + 1 + 5) << name;
  EXPECT_EQ(name.substr(6), "+Arial");
  const std::string descriptor = pdf.Body(7);
  EXPECT_NE(descriptor.find("/FontName /" + name + "\r\n"), std::string::npos);
  const auto ff = descriptor.find("/FontFile2 ");
  ASSERT_NE(ff, std::string::npos) << descriptor;
  const int program = std::stoi(descriptor.substr(ff + 11));
  const std::string header = pdf.Body(program);
  EXPECT_NE(header.find("/Filter /FlateDecode"), std::string::npos);
  const std::string font = Inflate(pdf.Stream(program));
  EXPECT_EQ(font.substr(0, 4), std::string("\0\1\0\0", 4)) << "a TrueType program";
  EXPECT_NE(header.find("/Length1 " + std::to_string(font.size())), std::string::npos);
  EXPECT_LT(font.size(), 40000u) << "a subset, not the whole face";
  ExpectOffsetsPointAtObjects(pdf);
}

// Without embedding asked for, a font whose face readers would not find by its name
// (Impact, drawn in DejaVu Sans Condensed Bold; a stock reader shows a dingbats font) is
// embedded all the same: the drawn face's subset under the font's own name. Arial, which
// every reader finds in a metric-compatible face, stays a plain font.
TEST_F(PdfFilterTest, FaceReadersLackIsEmbeddedAsDrawn) {
  ASSERT_FALSE(QRExportSettings().PDF.EmbedFonts);
  TOxQRPDFFilter f(File());
  RunPdf(f, printer_, 1, [&](int) {
    f.AddText(Line("Body", 100, 700, 25, 12));
    TOxQrTextRec title = Line("Title", 100, 650, 40, 20, TAlignment::taLeftJustify, 16);
    title.Font.Name = "Impact";
    f.AddText(title);
  });
  const TPdfFile pdf = Read();
  struct Seen {
    std::string BaseFont;
    int Program = 0;
  };
  std::map<std::string, Seen> fonts;  // by resource name
  for (const auto& [n, offset] : pdf.Offsets) {
    const std::string body = pdf.Body(n);
    if (body.find("/Type /Font\r\n") == std::string::npos) continue;
    const auto at = body.find("/BaseFont /") + 11;
    Seen seen{body.substr(at, body.find("\r\n", at) - at)};
    const std::string descriptor = pdf.Body(std::stoi(body.substr(body.find("/FontDescriptor ") + 16)));
    if (const auto ff = descriptor.find("/FontFile2 "); ff != std::string::npos)
      seen.Program = std::stoi(descriptor.substr(ff + 11));
    fonts[body.substr(body.find("/Name /") + 7, 2)] = seen;
  }
  ASSERT_EQ(fonts.size(), 2u);
  EXPECT_EQ(fonts["F0"].BaseFont, "Arial");
  EXPECT_EQ(fonts["F0"].Program, 0);
  const Seen& impact = fonts["F1"];
  ASSERT_EQ(impact.BaseFont.size(), 6u + 1 + 6) << impact.BaseFont;
  EXPECT_EQ(impact.BaseFont.substr(6), "+Impact");
  ASSERT_NE(impact.Program, 0);
  const std::string program = Inflate(pdf.Stream(impact.Program));
  EXPECT_EQ(program.substr(0, 4), std::string("\0\1\0\0", 4)) << "a TrueType program";
  const std::string drawn("\0D\0e\0j\0a\0V\0u\0 \0S\0a\0n\0s\0 \0C\0o\0n\0d\0e\0n\0s\0e\0d\0 \0B\0o\0l\0d", 52);
  EXPECT_NE(program.find(drawn), std::string::npos) << "the face that drew the page";
  ExpectOffsetsPointAtObjects(pdf);
}

}  // namespace
}  // namespace oxqr
