// A job written to a folder and a file whose names hold non-ASCII characters and bytes the
// URL syntax reserves: Chromium loads every picture of every page, and every link, read as
// the browser reads the page (its bytes in the page's character set), names a file.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <cstdio>
#include <filesystem>

#include "OxQrExport/html/HtmlFilter.h"
#include "OxQrExport/images/ImageFilters.h"
#include "engine/FilterLibrary.h"
#include "engine/SaveCommand.h"
#include "html/HtmlReaderChecks.h"
#include "html/HtmlTestSupport.h"
#include "images/PageReportFixture.h"
#include "support/Fidelity.h"

namespace oxqr {
namespace {

using namespace oxqr::testing;
namespace fs = std::filesystem;

// The file a reference of a windows-1252 page leads to: the browser reads the attribute's
// bytes in the page's character set and percent-decodes the path as UTF-8.
fs::path BrowserTarget(const fs::path& folder, const std::string& value) {
  const std::string utf8 = QString::fromLatin1(value.data(), static_cast<int>(value.size())).toUtf8().toStdString();
  return folder / PercentDecoded(utf8);
}

class HtmlNonAsciiNames : public HtmlTest {};

TEST_F(HtmlNonAsciiNames, ChromiumLoadsEveryPictureAndEveryLinkLeadsToAFile) {
  if (!HaveProgram("chromium")) GTEST_SKIP() << "chromium is not installed";
  const fs::path folder = fs::path(Dir()) / "dossier \xC3\xA9t\xC3\xA9";  // "dossier été"
  fs::create_directories(folder);
  const std::string base = "r \xC3\xA9#1";                              // "r é#1"
  test::TPageReport report(3);
  report.Report.Prepare();
  ExportReport(report.Report, *ClassOf<TOxQRHTMLFilter>(), (folder / (base + ".htm")).string());
  ExportReport(report.Report, *ClassOf<TOxQRJPEGFilter>(), (folder / "p.jpg").string());

  int links = 0, pictures = 0;
  for (int page = 1; page <= 3; ++page) {
    SCOPED_TRACE(page);
    char number[8];
    std::snprintf(number, sizeof number, "%.4d", page);
    const fs::path file = folder / (base + number + ".htm");
    ASSERT_TRUE(fs::exists(file));
    const std::string html = ReadFileBytes(file.string());
    for (const char* attribute : {"SRC", "HREF"}) {
      for (const auto& value : AttributeValues(html, attribute)) {
        EXPECT_TRUE(fs::is_regular_file(BrowserTarget(folder, value))) << attribute << "=\"" << value << "\"";
        ++(attribute[0] == 'S' ? pictures : links);
      }
    }
    // A picture that did not load shows as a small icon: the checkerboard must be there.
    const std::string png = (fs::path(Dir()) / ("shown" + std::string(number) + ".png")).string();
    HeadlessChromium("--screenshot=" + ShellQuote(png), file.string(), Dir() + ".chromium");
    const QImage shown(QString::fromStdString(png));
    const QImage printed(QString::fromStdString((folder / ("p" + std::string(number) + ".jpg")).string()));
    ASSERT_FALSE(shown.isNull()) << "no screenshot";
    const TFidelity f = CompareDarkPixels(shown, printed);
    std::printf("[ fidelity ] page %d: %.4f / %.4f\n", page, f.AInB, f.BInA);
    EXPECT_GE(f.Min(), 0.85);
  }
  EXPECT_EQ(pictures, 3);
  EXPECT_EQ(links, 2 + 4 + 2);  // the navigator: two links on the first and last page, four between
}

}  // namespace
}  // namespace oxqr
