// A single-line text far wider than the page, and one wider than its own box, as readers
// show them: the page picture draws each on one line, cut at the paper's edge or at the
// box. LibreOffice (RTF), poppler (PDF) and Chromium (HTML) must show the same page: no reader may wrap the
// text over the rest of the page or run it over the control beside it.
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "OxQrExport/core/Settings.h"
#include "OxQrExport/html/HtmlFilter.h"
#include "OxQrExport/images/ImageFilters.h"
#include "OxQrExport/pdf/PdfFilter.h"
#include "OxQrExport/rtf/RtfFilter.h"
#include "engine/FilterLibrary.h"
#include "engine/SaveCommand.h"
#include "html/HtmlReaderChecks.h"
#include "images/PageReportFixture.h"
#include "support/Fidelity.h"
#include "support/ReaderSupport.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using testing::CompareDarkPixels;
using testing::HaveProgram;
using testing::RunShell;
using testing::ShellQuote;

// About 5,000 characters of a company name, blanks included (so that a reader can wrap it).
std::string LongName() {
  std::string s;
  while (s.size() < 5000) s += "Northwind Trading Company Limited " + std::to_string(s.size()) + " ";
  return s;
}

// One page: the long name auto-sized (clipped by the paper only), the long name in a fixed
// box of 60 mm without word wrap (clipped by the box), and a label beside that box.
struct TLongLineReport {
  TLongLineReport() : Data(1) {
    Report.DataSet = &Data;
    Report.Page.SetPaper(TQRPaperSize::A4);
    Report.Page.SetMarginsMM(10, 10, 10, 10);
    auto& band = Report.AddBand(TQRBandType::rbDetail);
    band.SetHeightMM(60);
    auto& wide = band.Add<TQRLabel>();
    wide.Caption = LongName();
    wide.SetBoundsMM(15, 5, 60, 6);
    auto& boxed = band.Add<TQRLabel>();
    boxed.Caption = LongName();
    boxed.AutoSize = false;
    boxed.WordWrap = false;
    boxed.SetBoundsMM(15, 20, 60, 6);
    auto& beside = band.Add<TQRLabel>();
    beside.Caption = "Beside the box";
    beside.SetBoundsMM(90, 20, 60, 6);
    auto& below = band.Add<TQRLabel>();
    below.Caption = "Below the long lines";
    below.SetBoundsMM(15, 40, 80, 6);
  }
  TCountingDataSet Data;
  TQRReport Report;
};

// The number of lines of `text` holding `word`.
int LinesWith(const std::string& text, const std::string& word) {
  int n = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    if (text.substr(start, end - start).find(word) != std::string::npos) ++n;
    start = end + 1;
  }
  return n;
}

class LongLineReaders : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveProgram("soffice") || !HaveProgram("pdftoppm") || !HaveProgram("pdftotext"))
      GTEST_SKIP() << "LibreOffice or poppler is not installed";
    report_.Report.Prepare();
    ExportReport(report_.Report, *ClassOf<TOxQRJPEGFilter>(), dir_.File("page.jpg"));
    reference_ = QImage(QString::fromStdString(dir_.File("page0001.jpg")));
    ASSERT_FALSE(reference_.isNull());
  }
  // Page 1 of `pdf` at 96 dpi, and its text (pdftotext -layout).
  QImage Render(const fs::path& pdf, std::string& text) {
    const std::string png = (dir_.Path() / (pdf.stem().string() + "-page")).string();
    RunShell("pdftoppm -r 96 -f 1 -l 1 -singlefile -png " + ShellQuote(pdf.string()) + " " + ShellQuote(png));
    text = RunShell("pdftotext -layout -f 1 -l 1 " + ShellQuote(pdf.string()) + " -").Output;
    return QImage(QString::fromStdString(png + ".png"));
  }
  void ExpectLikeThePage(const fs::path& pdf, double floor, const std::string& what) {
    ASSERT_TRUE(fs::exists(pdf)) << what << ": not converted";
    std::string text;
    const QImage shown = Render(pdf, text);
    ASSERT_FALSE(shown.isNull()) << what;
    const auto f = CompareDarkPixels(reference_, shown);
    std::printf("%s: fidelity %.3f / %.3f\n", what.c_str(), f.AInB, f.BInA);
    EXPECT_GE(f.Min(), floor) << what;
    // Each long text on one line, and the line beside the box and the one below still readable.
    EXPECT_EQ(LinesWith(text, "Northwind"), 2) << what << ":\n" << text;
    EXPECT_EQ(LinesWith(text, "Beside the box"), 1) << what;
    EXPECT_EQ(LinesWith(text, "Below the long lines"), 1) << what;
  }

  test::TSettingsGuard settings_;
  test::TScratchDir dir_;
  TLongLineReport report_;
  QImage reference_;
};

TEST_F(LongLineReaders, RtfShowsTheLinesAsThePageDoes) {
  const fs::path rtf = dir_.File("long.rtf");
  ExportReport(report_.Report, *ClassOf<TOxQRRTFFilter>(), rtf.string());
  ExpectLikeThePage(testing::SofficeConvert(rtf, "pdf", dir_.Path() / "rtf"), 0.7, "RTF");
}

TEST_F(LongLineReaders, PdfShowsTheLinesAsThePageDoes) {
  const fs::path pdf = dir_.File("long.pdf");
  ExportReport(report_.Report, *ClassOf<TOxQRPDFFilter>(), pdf.string());
  ExpectLikeThePage(pdf, 0.9, "PDF");
}

TEST_F(LongLineReaders, HtmlShowsTheLinesAsThePageDoes) {
  if (!HaveProgram("chromium")) GTEST_SKIP() << "chromium is not installed";
  QRExportSettings().HTML.ShowNavigator = false;
  ExportReport(report_.Report, *ClassOf<TOxQRHTMLFilter>(), dir_.File("long.htm"));
  QRExportSettings().HTML.ShowNavigator = true;
  const std::string png = dir_.File("long-html.png");
  testing::HeadlessChromium("--screenshot=" + ShellQuote(png), dir_.File("long0001.htm"), dir_.File(".chromium"));
  const QImage shown(QString::fromStdString(png));
  ASSERT_FALSE(shown.isNull()) << "no screenshot";
  const auto f = CompareDarkPixels(reference_, shown);
  std::printf("HTML: fidelity %.3f / %.3f\n", f.AInB, f.BInA);
  EXPECT_GE(f.Min(), 0.85);
}

}  // namespace
}  // namespace oxqr
