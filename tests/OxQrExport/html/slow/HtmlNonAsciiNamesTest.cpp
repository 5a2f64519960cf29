// A job written to a folder and a file whose names hold non-ASCII characters and bytes the
// URL syntax reserves: Chromium loads the picture of every page, and every link, read as the
// browser reads the page (its bytes in the page's character set), names a file.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QString>
#include <cstdio>
#include <filesystem>
#include <regex>

#include "html/HtmlReaderChecks.h"
#include "html/HtmlTestSupport.h"

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

// Dark pixels (luminance below 128) of a picture.
int DarkPixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
  return n;
}

class HtmlNonAsciiNames : public HtmlTest {};

TEST_F(HtmlNonAsciiNames, ChromiumLoadsEveryPictureAndEveryLinkLeadsToAFile) {
  if (!HaveProgram("chromium")) GTEST_SKIP() << "chromium is not installed";
  const fs::path folder = fs::path(Dir()) / "dossier \xC3\xA9t\xC3\xA9";  // "dossier été"
  fs::create_directories(folder);
  const std::string base = "r \xC3\xA9#1";  // "r é#1"
  TQRCustomBand band(TQRBandType::rbDetail);
  band.Size.Width = 1900;
  band.Size.Height = 800;
  auto& image = band.Add<TQRImage>();
  QImage black(40, 20, QImage::Format_RGB32);
  black.fill(Qt::black);
  image.Picture.SetImage(black);
  image.Stretch = true;
  image.Size = TQRSize{400, 200, 300, 800};  // Height, Left, Top, Width
  TOxQRHTMLFilter f((folder / (base + ".htm")).string());
  Run(f, 3, [&](int page) {
    f.WriteText(200, 100, font_, clWhite, TAlignment::taLeftJustify, "Page " + std::to_string(page));
    f.WritePicture(image, 0, 0, false);
  });

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
    // The black picture covers its whole place once loaded; a picture that did not load
    // shows as a small icon.
    std::smatch size;
    ASSERT_TRUE(std::regex_search(html, size, std::regex(" Width=(\\d+) Height=(\\d+)")));
    const int area = std::stoi(size[1]) * std::stoi(size[2]);
    const std::string png = (fs::path(Dir()) / ("shown" + std::string(number) + ".png")).string();
    HeadlessChromium("--screenshot=" + ShellQuote(png), file.string(), Dir() + ".chromium");
    const QImage shown(QString::fromStdString(png));
    ASSERT_FALSE(shown.isNull()) << "no screenshot";
    EXPECT_GE(DarkPixels(shown), area * 9 / 10) << "the picture did not load";
  }
  EXPECT_EQ(pictures, 3);
  EXPECT_EQ(links, 2 + 4 + 2);  // the navigator: two links on the first and last page, four between
}

}  // namespace
}  // namespace oxqr
