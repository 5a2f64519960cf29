// Names in many scripts exported in the Unicode mode and read back by programs no one here
// wrote: poppler and MuPDF for PDF (text, fonts, rendering), headless Chromium for HTML,
// LibreOffice for RTF and EMF. Rendered pages are compared with the JPEG page pictures.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include "OxQrExport/html/HtmlFilter.h"
#include "OxQrExport/images/ImageFilters.h"
#include "OxQrExport/pdf/PdfFilter.h"
#include "OxQrExport/rtf/RtfFilter.h"
#include "platform/CodePage.h"
#include "support/ExportTestSupport.h"
#include "support/Fidelity.h"
#include "support/ReaderSupport.h"
#include "unicode/UnicodeNames.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using testing::CompareDarkPixels;
using testing::HaveProgram;
using testing::RunShell;
using testing::ShellQuote;

// Composed form, blanks removed: readers differ in how they space words and whether they
// give combining accents back composed.
std::string Normal(const std::string& utf8) {
  QString s = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).normalized(QString::NormalizationForm_C);
  s.remove(QChar(' '));
  s.remove(QChar('\n'));
  s.remove(QChar(0xA0));
  s.remove(QStringLiteral("&nbsp;"));  // how Chromium serialises the blanks of a text line
  return s.toStdString();
}

void ExpectEveryName(const std::string& read, const std::string& reader) {
  const std::string text = Normal(read);
  for (const std::string& name : testing::UnicodeNames())
    EXPECT_NE(text.find(Normal(name)), std::string::npos) << reader << " lost \"" << name << "\":\n" << read;
}

std::vector<fs::path> Files(const fs::path& dir, const std::string& extension) {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().extension() == extension) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

class UnicodeReaders : public testing::UnicodeModeTest {
 protected:
  fs::path Path(const std::string& name) const { return fs::path(Dir()) / name; }
  // The page pictures of the fixture report (JPEG at 96 dpi), one per page.
  std::vector<QImage> PagePictures() {
    const fs::path dir = Path("jpeg");
    fs::create_directories(dir);
    TOxQRJPEGFilter jpeg((dir / "page.jpg").string());
    report_.Report().ExportToFilter(jpeg);
    std::vector<QImage> pages;
    for (const auto& f : Files(dir, ".jpg")) pages.emplace_back(QString::fromStdString(f.string()));
    return pages;
  }
  // Compares every rendered page with its page picture, prints the figures, checks the floor.
  void ExpectFidelity(const std::vector<fs::path>& rendered, const std::string& reader, double floor) {
    const std::vector<QImage> pictures = PagePictures();
    ASSERT_EQ(rendered.size(), pictures.size()) << reader;
    for (std::size_t p = 0; p < rendered.size(); ++p) {
      const QImage shown(QString::fromStdString(rendered[p].string()));
      ASSERT_FALSE(shown.isNull()) << rendered[p];
      const QImage page = pictures[p].copy(0, 0, std::min(shown.width(), pictures[p].width()),
                                           std::min(shown.height(), pictures[p].height()));
      const auto f = CompareDarkPixels(page, shown.copy(page.rect()));
      std::printf("[ fidelity ] unicode names page %zu: %s %.4f / %.4f\n", p + 1, reader.c_str(), f.AInB, f.BInA);
      EXPECT_GE(f.Min(), floor) << reader << ", page " << p + 1;
    }
  }
  testing::TUnicodeNamesReport report_{5};
};

TEST_F(UnicodeReaders, PdfTextFontsAndPagesReadBack) {
  for (const char* tool : {"qpdf", "pdffonts", "pdftotext", "pdftoppm", "mutool"})
    if (!HaveProgram(tool)) GTEST_SKIP() << tool << " is not installed";
  const fs::path pdf = Path("names.pdf");
  TOxQRPDFFilter filter(pdf.string());
  report_.Report().ExportToFilter(filter);
  ASSERT_TRUE(fs::exists(pdf));

  const std::string check = RunShell("qpdf --check " + ShellQuote(pdf.string()) + " 2>&1").Output;
  EXPECT_NE(check.find("No syntax or stream encoding errors found"), std::string::npos) << check;
  EXPECT_EQ(check.find("WARNING"), std::string::npos) << check;

  // Every font: a CID TrueType font (Type 0), embedded, with a ToUnicode map.
  const std::string fonts = RunShell("pdffonts " + ShellQuote(pdf.string())).Output;
  int count = 0;
  std::size_t at = fonts.find("-\n");
  for (std::size_t line = at; line != std::string::npos && line + 2 < fonts.size(); line = fonts.find('\n', line + 1)) {
    const std::string row = fonts.substr(line + 1, fonts.find('\n', line + 1) - line - 1);
    if (row.empty()) continue;
    ++count;
    EXPECT_NE(row.find("CID TrueType"), std::string::npos) << row;
    EXPECT_NE(row.find("Identity-H"), std::string::npos) << row;
    EXPECT_NE(row.find("yes yes yes"), std::string::npos) << row;  // embedded, subset, ToUnicode
  }
  EXPECT_GE(count, 3) << fonts;  // the Latin face and fallbacks for Chinese and emoji at least

  ExpectEveryName(RunShell("pdftotext " + ShellQuote(pdf.string()) + " -").Output, "pdftotext");
  ExpectEveryName(RunShell("mutool draw -F txt " + ShellQuote(pdf.string()) + " 2>/dev/null").Output, "mutool");

  const fs::path render = Path("render");
  fs::create_directories(render);
  RunShell("pdftoppm -r 96 -png " + ShellQuote(pdf.string()) + " " + ShellQuote((render / "p").string()));
  ExpectFidelity(Files(render, ".png"), "pdftoppm", 0.9);
}

TEST_F(UnicodeReaders, ChromiumShowsEveryNameAsThePagePictureDoes) {
  if (!HaveProgram("chromium")) GTEST_SKIP() << "chromium is not installed";
  const fs::path dir = Path("html");
  fs::create_directories(dir);
  TOxQRHTMLFilter filter((dir / "names.htm").string());
  report_.Report().ExportToFilter(filter);
  const std::vector<fs::path> pages = Files(dir, ".htm");
  ASSERT_FALSE(pages.empty());
  auto chromium = [&](const std::string& what, const fs::path& file) {
    return RunShell("timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
                    "--force-device-scale-factor=1 --window-size=794,1123 --user-data-dir=" +
                    ShellQuote(Path(".chromium").string()) + " " + what + " " + ShellQuote(file.string()) +
                    " 2>/dev/null")
        .Output;
  };
  std::string dom;
  std::vector<fs::path> shots;
  for (std::size_t p = 0; p < pages.size(); ++p) {
    dom += chromium("--dump-dom", pages[p]);
    shots.push_back(dir / ("shot" + std::to_string(p + 1) + ".png"));
    chromium("--screenshot=" + ShellQuote(shots.back().string()), pages[p]);
  }
  ExpectEveryName(dom, "Chromium");
  ExpectFidelity(shots, "Chromium", 0.85);
}

TEST_F(UnicodeReaders, LibreOfficeReadsEveryNameOfTheRtfAndTheEmf) {
  if (!HaveProgram("soffice") || !HaveProgram("pdftotext")) GTEST_SKIP() << "soffice or pdftotext is not installed";
  const fs::path rtf = Path("names.rtf");
  TOxQRRTFFilter filter(rtf.string());
  report_.Report().ExportToFilter(filter);
  // The text stands in frames, which LibreOffice's plain text leaves out: it is read from
  // the PDF that LibreOffice makes of the document.
  const fs::path rtfPdf = testing::SofficeConvert(rtf, "pdf", Path("rtf-read"));
  ASSERT_TRUE(fs::exists(rtfPdf)) << "LibreOffice did not convert the RTF file";
  ExpectEveryName(RunShell("pdftotext " + ShellQuote(rtfPdf.string()) + " -").Output, "LibreOffice (RTF)");

  // The EMF page's text, drawn by LibreOffice into a PDF, reads back through poppler.
  const fs::path emfDir = Path("emf");
  fs::create_directories(emfDir);
  TOxQREMFFilter emf((emfDir / "names.emf").string());
  report_.Report().ExportToFilter(emf);
  std::string read;
  for (const auto& page : Files(emfDir, ".emf")) {
    const fs::path pdf = testing::SofficeConvert(page, "pdf", Path("emf-read"));
    ASSERT_TRUE(fs::exists(pdf)) << "LibreOffice did not convert " << page;
    read += RunShell("pdftotext " + ShellQuote(pdf.string()) + " -").Output;
  }
  ExpectEveryName(read, "LibreOffice (EMF)");
}

}  // namespace
}  // namespace oxqr
