// Small PDF files written by the filter and read by poppler, MuPDF and qpdf: where the
// text ends, how it reads back in another code page, font names, files without pages.
#include <map>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pdf/PdfTestSupport.h"
#include "platform/CodePage.h"
#include "support/ExportTestSupport.h"
#include "support/ReaderSupport.h"

namespace oxqr {
namespace {

using testing::HaveProgram;
using testing::RunPdf;
using testing::RunShell;
using testing::ShellQuote;

struct TBox {
  double XMin = 0, XMax = 0;
  std::string Text;
};

// The <line> boxes of pdftotext -bbox-layout, with their words joined by blanks.
std::vector<TBox> LineBoxes(const std::string& pdf) {
  const std::string xml = RunShell("pdftotext -bbox-layout " + ShellQuote(pdf) + " -").Output;
  std::vector<TBox> lines;
  const std::regex line("<line xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\"[^>]*>([\\s\\S]*?)</line>");
  const std::regex word(">([^<]*)</word>");
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), line); it != std::sregex_iterator(); ++it) {
    TBox box{std::stod((*it)[1]), std::stod((*it)[2]), ""};
    const std::string words = (*it)[3];
    for (auto w = std::sregex_iterator(words.begin(), words.end(), word); w != std::sregex_iterator(); ++w)
      box.Text += (box.Text.empty() ? "" : " ") + std::string((*w)[1]);
    lines.push_back(box);
  }
  return lines;
}

class PdfReadersTest : public testing::ExportTest {
 protected:
  void SetUp() override {
    testing::ExportTest::SetUp();
    for (const char* tool : {"qpdf", "pdftotext", "pdffonts", "pdfinfo", "mutool"})
      if (!HaveProgram(tool)) GTEST_SKIP() << tool << " is not installed";
  }
  std::string File() const { return Dir() + "fixture.pdf"; }
  // Natural width in points of `shown` in Arial `size`.
  static double Natural(const std::string& shown, int size = 10) {
    TOxQRFontInfo info;
    TOxQrFontAttrib a;
    a.Name = "Arial";
    a.Size = size;
    MeasureFont(a, info);
    long sum = 0;
    for (char c : shown) sum += info.Width(static_cast<unsigned char>(c));
    return static_cast<double>(sum) * size / 1000;
  }
  static TOxQrTextRec Line(TOxQRPDFFilter& f, const std::string& shown, double x, double y, double width,
                           TAlignment alignment) {
    TOxQrTextRec r;
    r.X = x;
    r.Y = y;
    r.Width = width;
    r.Height = 12;
    r.Font.Name = "Arial";
    r.Font.Size = 10;
    r.Alignment = alignment;
    r.Text = f.EncodeText(shown);
    return r;
  }
  void ExpectQpdfClean() {
    const std::string check = RunShell("qpdf --check " + ShellQuote(File()) + " 2>&1").Output;
    EXPECT_NE(check.find("No syntax or stream encoding errors found"), std::string::npos) << check;
    EXPECT_EQ(check.find("WARNING"), std::string::npos) << check;
  }
  TQRPrinter printer_;
};

TEST_F(PdfReadersTest, RightAlignedTextEndsAtItsEdgeWithEscapesAndAfterAStretchedLine) {
  const std::vector<std::string> right = {"1,234.56", "(1,234.56)", "C:\\temp\\x"};
  TOxQRPDFFilter f(File());
  RunPdf(f, printer_, 1, [&](int) {
    double y = 700;
    for (const auto& s : right) {
      f.AddText(Line(f, s, 500, y, Natural(s) + 1, TAlignment::taRightJustify));
      y -= 20;
    }
    f.AddText(Line(f, "Stretched line", 100, 500, Natural("Stretched line") + 30, TAlignment::taLeftJustify));
    f.AddText(Line(f, "Natural width line", 100, 480, Natural("Natural width line"), TAlignment::taLeftJustify));
  });
  ExpectQpdfClean();
  std::map<std::string, TBox> boxes;
  std::string seen;
  for (const auto& b : LineBoxes(File())) {
    boxes[b.Text] = b;
    seen += b.Text + " [" + std::to_string(b.XMin) + ", " + std::to_string(b.XMax) + "]\n";
  }
  SCOPED_TRACE(seen);
  ASSERT_EQ(boxes.count("1,234.56"), 1u);
  for (const auto& s : right) {
    ASSERT_EQ(boxes.count(s), 1u) << s;
    EXPECT_NEAR(boxes[s].XMax, boxes["1,234.56"].XMax, 0.2) << s;
  }
  EXPECT_NEAR(boxes["1,234.56"].XMax, 498, 0.5);
  ASSERT_EQ(boxes.count("Natural width line"), 1u);
  const TBox natural = boxes["Natural width line"];
  EXPECT_NEAR(natural.XMax - natural.XMin, Natural("Natural width line"), 0.5);
  // The box ends at the last glyph, before the spacing that follows it.
  EXPECT_NEAR(boxes["Stretched line"].XMax - boxes["Stretched line"].XMin, Natural("Stretched line") + 30.0 * 13 / 14,
              0.5);
}

TEST_F(PdfReadersTest, CentralEuropeanTextAndAEuroTitleReadBack) {
  const int saved = AnsiCodePage();
  SetAnsiCodePage(1250);
  const std::string text = Utf8ToAnsi("Zażółć gęślą jaźń");
  QRExportSettings().PDF.Title = Utf8ToAnsi("Café € – Zażółć");
  TOxQRPDFFilter f(File());
  RunPdf(f, printer_, 1, [&](int) {
    TOxQrTextRec r = Line(f, text, 100, 700, 0, TAlignment::taLeftJustify);
    TOxQRFontInfo info;
    MeasureFont(r.Font, info);
    long sum = 0;
    for (char c : text) sum += info.Width(static_cast<unsigned char>(c));
    r.Width = sum * 10.0 / 1000;
    f.AddText(r);
  });
  SetAnsiCodePage(saved);
  ExpectQpdfClean();
  EXPECT_NE(RunShell("pdftotext " + ShellQuote(File()) + " -").Output.find("Zażółć gęślą jaźń"), std::string::npos);
  // MuPDF's stand-in face is narrower for some of these letters; its text extraction then
  // puts blanks into the words, so the letters are compared without blanks.
  std::string mu = RunShell("mutool draw -F txt " + ShellQuote(File()) + " 2>/dev/null").Output;
  std::erase(mu, ' ');
  EXPECT_NE(mu.find("Zażółćgęśląjaźń"), std::string::npos) << mu;
  EXPECT_NE(RunShell("pdfinfo " + ShellQuote(File())).Output.find("Title:           Café € – Zażółć"),
            std::string::npos);
}

TEST_F(PdfReadersTest, FontNamesReadBackWhole) {
  TOxQRPDFFilter f(File());
  RunPdf(f, printer_, 1, [&](int) {
    TOxQrTextRec r = Line(f, "x", 100, 700, 5, TAlignment::taLeftJustify);
    r.Font.Name = "A/B(x)";
    f.AddText(r);
    r.Font.Name = "Caf\xE9 Sans";
    f.AddText(r);
  });
  const std::string fonts = RunShell("pdffonts " + ShellQuote(File())).Output;
  // Faces no reader has are embedded as drawn: their names carry a subset tag.
  EXPECT_TRUE(std::regex_search(fonts, std::regex("\n[A-Z]{6}\\+A/B\\(x\\) +TrueType +WinAnsi +yes yes "))) << fonts;
  EXPECT_TRUE(std::regex_search(fonts, std::regex("\n[A-Z]{6}\\+Caf\xE9Sans +TrueType +WinAnsi +yes yes "))) << fonts;
}

TEST_F(PdfReadersTest, FilesWithoutAFinishedPageOpenInEveryReader) {
  for (const bool cancelled : {false, true}) {
    SCOPED_TRACE(cancelled);
    TOxQRPDFFilter f(File());
    f.SourcePrinter = &printer_;
    f.StartJob(2100, 2970, TFont());
    f.ClosePage();
    if (cancelled) f.OpenPage();
    f.FinishJob();
    ExpectQpdfClean();
    const std::string info = RunShell("pdfinfo " + ShellQuote(File()) + " 2>&1").Output;
    EXPECT_NE(info.find("Pages:           1\n"), std::string::npos) << info;
    EXPECT_NE(info.find("595.276 x 841.89 pts (A4)"), std::string::npos) << info;
    const std::string mu = RunShell("mutool draw -o " + ShellQuote(Dir() + "m.png") + " " + ShellQuote(File()) + " 2>&1").Output;
    EXPECT_EQ(mu.find("error"), std::string::npos) << mu;
  }
}

TEST_F(PdfReadersTest, EmbeddedFontsAreSubsetsReadersUse) {
  QRExportSettings().PDF.EmbedFonts = true;
  TOxQRPDFFilter f(File());
  RunPdf(f, printer_, 1, [&](int) {
    TOxQrTextRec r = Line(f, "Embedded Caf\xE9", 100, 700, Natural("Embedded Caf\xE9"), TAlignment::taLeftJustify);
    f.AddText(r);
    r.Font.Style = {TFontStyle::fsBold};
    r.Y = 680;
    f.AddText(r);
  });
  ExpectQpdfClean();
  const std::string fonts = RunShell("pdffonts " + ShellQuote(File())).Output;
  EXPECT_TRUE(std::regex_search(fonts, std::regex("\n[A-Z]{6}\\+Arial +TrueType +WinAnsi +yes yes ")));
  EXPECT_TRUE(std::regex_search(fonts, std::regex("\n[A-Z]{6}\\+Arial,Bold +TrueType +WinAnsi +yes yes "))) << fonts;
  EXPECT_NE(RunShell("pdftotext " + ShellQuote(File()) + " -").Output.find("Embedded Café"), std::string::npos);
  const std::string mu = RunShell("mutool draw -o " + ShellQuote(Dir() + "m.png") + " " + ShellQuote(File()) + " 2>&1").Output;
  EXPECT_EQ(mu.find("error"), std::string::npos) << mu;
}

}  // namespace
}  // namespace oxqr
