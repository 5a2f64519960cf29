// The labels sample exported by the command-line exporter and read back by zbarimg from
// every rendering of its pages: the JPEG and BMP pages, poppler's rendering of the PDF,
// Chromium's screenshots of the HTML pages and LibreOffice's renderings of the RTF and
// the EMF pages. Every label's Code 128 and QR code must come back with its data.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include <QImage>

#include "tests/OxQrExport/support/ExportTestSupport.h"
#include "tests/OxQrExport/support/Fidelity.h"
#include "tests/OxQrExport/support/ReaderSupport.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using namespace oxqr::testing;

// The texts the labels encode, from the database itself: per customer its number and
// the tracking address with the company name as a query value.
std::multiset<std::string> ExpectedCodes() {
  std::multiset<std::string> codes;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(OXQR_DEMODATA, &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return codes;
  }
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT CustNo, Company FROM customer", -1, &st, nullptr);
  while (sqlite3_step(st) == SQLITE_ROW) {
    const std::string number = std::to_string(sqlite3_column_int64(st, 0));
    const auto* company = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
    std::string query;
    for (const char* p = company; p != nullptr && *p != '\0'; ++p) {
      const auto c = static_cast<unsigned char>(*p);
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      query += (c < 0x80 && std::isalnum(c)) ? std::string(1, *p) : c == ' ' ? std::string("+") : std::string(hex);
    }
    codes.insert(number);
    codes.insert("https://ship.example/c/" + number + "?to=" + query);
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return codes;
}

class LabelsReaders : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    if (!HaveProgram("zbarimg")) GTEST_SKIP() << "zbarimg is not installed";
  }
  void Export(const std::string& output, const std::string& settings = "") {
    const TShellRun r =
        RunShell("QT_QPA_PLATFORM=offscreen " + ShellQuote(OXQR_EXPORTER) + " --db " + ShellQuote(OXQR_DEMODATA) +
                 " --quiet " + settings + " labels " + ShellQuote(Dir() + output) + " 2>&1");
    ASSERT_EQ(r.Status, 0) << r.Output;
  }
  // Every file of the scratch folder named <prefix>*.<extension>, in name order.
  std::vector<std::string> Files(const std::string& prefix, const std::string& extension) const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(Dir())) {
      const std::string name = e.path().filename().string();
      if (name.starts_with(prefix) && e.path().extension() == "." + extension) out.push_back(e.path().string());
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  // What zbarimg reads from all `pictures`, one text per symbol.
  static std::multiset<std::string> Decoded(const std::vector<std::string>& pictures) {
    std::multiset<std::string> codes;
    for (const auto& picture : pictures) {
      std::istringstream lines(RunShell("zbarimg --nodbus --quiet --raw " + ShellQuote(picture) + " 2>/dev/null").Output);
      for (std::string line; std::getline(lines, line);) codes.insert(line);
    }
    return codes;
  }
  void ExpectEveryCode(const std::vector<std::string>& pictures) {
    ASSERT_FALSE(pictures.empty()) << "no rendering";
    const std::multiset<std::string> expected = ExpectedCodes();
    const std::multiset<std::string> read = Decoded(pictures);
    std::vector<std::string> missing, unexpected;
    std::set_difference(expected.begin(), expected.end(), read.begin(), read.end(), std::back_inserter(missing));
    std::set_difference(read.begin(), read.end(), expected.begin(), expected.end(), std::back_inserter(unexpected));
    std::printf("[ zbarimg ] %zu of %zu codes read from %zu pictures\n", expected.size() - missing.size(),
                expected.size(), pictures.size());
    EXPECT_EQ(expected.size(), 100u);
    EXPECT_EQ(missing, std::vector<std::string>{});
    EXPECT_EQ(unexpected, std::vector<std::string>{});
  }
  // Prints how closely each rendered page matches the JPEG page of the same number
  // (written as "p.jpg" first) and expects the usual floor.
  void ExpectLikeJpegPages(const std::vector<std::string>& rendered, const std::string& what) {
    Export("p.jpg");
    const std::vector<std::string> jpegs = Files("p0", "jpg");
    ASSERT_EQ(rendered.size(), jpegs.size());
    for (std::size_t i = 0; i < rendered.size(); ++i) {
      const TFidelity f = CompareDarkPixels(QImage(QString::fromStdString(rendered[i])),
                                            QImage(QString::fromStdString(jpegs[i])));
      std::printf("[ fidelity ] labels %s page %zu: %.4f / %.4f\n", what.c_str(), i + 1, f.AInB, f.BInA);
      EXPECT_GE(f.Min(), 0.85) << what << " page " << i + 1;
    }
  }
  // pdftoppm's pages of `pdf` at 150 pixels per inch.
  std::vector<std::string> PdfPages(const std::string& pdf, const std::string& prefix) {
    RunShell("pdftoppm -r 150 -png " + ShellQuote(pdf) + " " + ShellQuote(Dir() + prefix));
    return Files(prefix + "-", "png");
  }
};

TEST_F(LabelsReaders, JpegAndBmpPages) {
  Export("p.jpg");
  ExpectEveryCode(Files("p", "jpg"));
  Export("b.bmp");
  ExpectEveryCode(Files("b", "bmp"));
}

TEST_F(LabelsReaders, PdfAtOneHundredFiftyPixelsPerInch) {
  if (!HaveProgram("pdftoppm")) GTEST_SKIP() << "pdftoppm is not installed";
  Export("l.pdf");
  ExpectEveryCode(PdfPages(Dir() + "l.pdf", "l"));
  RunShell("pdftoppm -r 96 -png " + ShellQuote(Dir() + "l.pdf") + " " + ShellQuote(Dir() + "d"));
  ExpectLikeJpegPages(Files("d-", "png"), "pdf");
}

TEST_F(LabelsReaders, HtmlPagesInChromium) {
  if (!HaveProgram("chromium")) GTEST_SKIP() << "chromium is not installed";
  Export("h.htm", "--set HTML.ShowNavigator=False");
  std::vector<std::string> shots;
  for (const auto& page : Files("h", "htm")) {
    const std::string png = page + ".png";
    RunShell("timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
             "--force-device-scale-factor=1 --window-size=794,1123 --user-data-dir=" +
             ShellQuote(Dir() + ".chromium") + " --screenshot=" + ShellQuote(png) + " " + ShellQuote(page) +
             " >/dev/null 2>&1");
    shots.push_back(png);
  }
  ExpectEveryCode(shots);
  ExpectLikeJpegPages(shots, "html");
}

TEST_F(LabelsReaders, RtfInLibreOffice) {
  if (!HaveProgram("soffice") || !HaveProgram("pdftoppm")) GTEST_SKIP() << "soffice or pdftoppm is not installed";
  Export("r.rtf");
  const fs::path pdf = SofficeConvert(Dir() + "r.rtf", "pdf", Dir() + "rtf");
  ASSERT_TRUE(fs::exists(pdf));
  ExpectEveryCode(PdfPages(pdf.string(), "r"));
}

TEST_F(LabelsReaders, EmfPagesInLibreOffice) {
  if (!HaveProgram("soffice")) GTEST_SKIP() << "soffice is not installed";
  Export("e.emf");
  std::vector<std::string> pngs;
  int n = 0;
  // LibreOffice shrinks the page into its own page margins (three-pixel modules become
  // about 2.7 pixels); drawn at twice the page's pixels, every module stays clean.
  const std::string png2x =
      "png:draw_png_Export:{\"PixelWidth\":{\"type\":\"long\",\"value\":\"1588\"},"
      "\"PixelHeight\":{\"type\":\"long\",\"value\":\"2246\"}}";
  for (const auto& page : Files("e", "emf")) {
    const fs::path png = SofficeConvert(page, png2x, Dir() + "emf" + std::to_string(++n));
    ASSERT_TRUE(fs::exists(png)) << page;
    pngs.push_back(png.string());
  }
  ExpectEveryCode(pngs);
}

}  // namespace
}  // namespace oxqr
