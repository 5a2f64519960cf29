// Page files checked by programs that no one here wrote: ImageMagick's identify, djpeg,
// giftopnm and file for the pictures, LibreOffice and libwmf's wmf2svg for the metafiles.
// The metafiles are rendered and compared with the JPEG of the same page.
#include <cstdio>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "OxQrExport/images/ImageFilters.h"
#include "images/PageReportFixture.h"
#include "engine/FilterLibrary.h"
#include "engine/SaveCommand.h"
#include "platform/Files.h"

namespace oxqr {
namespace {

using test::TPageReport;
using test::TScratchDir;
using test::TSettingsGuard;

struct TRun {
  int Status = -1;
  std::string Output;
};
// Runs a shell command and collects its standard output.
TRun Shell(const std::string& command) {
  TRun r;
  std::FILE* p = ::popen(command.c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.Output.append(buf, n);
  r.Status = ::pclose(p);
  return r;
}
bool HaveProgram(const std::string& name) { return Shell("command -v " + name + " >/dev/null 2>&1").Status == 0; }
std::string Quote(const std::string& s) { return "'" + s + "'"; }

class ImageReadersTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    report_ = std::make_unique<TPageReport>(3);
    report_->Report.Prepare();
  }
  static void TearDownTestSuite() { report_.reset(); }
  TQRReport& Report() { return report_->Report; }
  void Export(const TQRExportFilterClass& cls, const std::string& name) { ExportReport(Report(), cls, dir_.File(name)); }

  TSettingsGuard settings_;
  TScratchDir dir_;
  static inline std::unique_ptr<TPageReport> report_;
};

TEST_F(ImageReadersTest, JPEGAndGIFPagesDecodeAtA4Size) {
  for (const char* tool : {"identify", "djpeg", "giftopnm"})
    if (!HaveProgram(tool)) GTEST_SKIP() << tool << " is not installed";
  Export(*ClassOf<TOxQRJPEGFilter>(), "page.jpg");
  Export(*ClassOf<TOxQRGIFFilter>(), "page.gif");
  for (int page = 1; page <= 3; ++page) {
    const std::string jpg = dir_.File("page000" + std::to_string(page) + ".jpg");
    const std::string gif = dir_.File("page000" + std::to_string(page) + ".gif");
    EXPECT_EQ(Shell("identify -format '%m %w %h' " + Quote(jpg)).Output, "JPEG 794 1123");
    EXPECT_EQ(Shell("identify -format '%m %w %h' " + Quote(gif)).Output, "GIF 794 1123");
    EXPECT_EQ(Shell("djpeg " + Quote(jpg) + " | head -c 2").Output, "P6");
    const auto pnm = Shell("giftopnm " + Quote(gif) + " 2>/dev/null | head -2 | tr '\\n' ' '");
    EXPECT_EQ(pnm.Output, "P6 794 1123 ");
  }
}

TEST_F(ImageReadersTest, BMPBitDepthSeenByReaders) {
  if (!HaveProgram("identify") || !HaveProgram("file")) GTEST_SKIP() << "identify or file is not installed";
  struct Case {
    TPixelFormat Format;
    bool Monochrome;
    int Bits;
  };
  const Case cases[] = {
      {TPixelFormat::pf1bit, false, 1},  {TPixelFormat::pf4bit, false, 4},  {TPixelFormat::pf8bit, false, 8},
      {TPixelFormat::pf24bit, false, 24}, {TPixelFormat::pf32bit, false, 32}, {TPixelFormat::pf24bit, true, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Bits);
    QRExportSettings().BMP.PixelFormat = c.Format;
    QRExportSettings().BMP.Monochrome = c.Monochrome;
    Export(*ClassOf<TOxQRBMPFilter>(), "depth.bmp");
    const std::string bmp = dir_.File("depth0001.bmp");
    // BMP3: identify's name for the Windows 3 layout (BITMAPINFOHEADER).
    EXPECT_EQ(Shell("identify -format '%m %w %h' " + Quote(bmp)).Output, "BMP3 794 1123");
    const std::string kind = Shell("file -b " + Quote(bmp)).Output;
    EXPECT_NE(kind.find("794 x 1123 x " + std::to_string(c.Bits) + ","), std::string::npos) << kind;
  }
}

// What a reader showed, reduced to where the dark pixels are: the box around them
// (readers may place a page picture with margins or at another scale) and, inside that
// box, a coarse grid of dark cells.
struct TDarkPrint {
  QRect Box;
  std::vector<bool> Cells;
};
TDarkPrint DarkPrint(const QImage& image) {
  const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
  int left = gray.width(), top = gray.height(), right = -1, bottom = -1;
  for (int y = 0; y < gray.height(); ++y) {
    const uchar* row = gray.constScanLine(y);
    for (int x = 0; x < gray.width(); ++x)
      if (row[x] < 110) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  }
  TDarkPrint print;
  if (right < 0) return print;
  print.Box = QRect(QPoint(left, top), QPoint(right, bottom));
  const QImage small = gray.copy(print.Box).scaled(60, 60, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  for (int y = 0; y < small.height(); ++y)
    for (int x = 0; x < small.width(); ++x) print.Cells.push_back(small.pixelColor(x, y).value() < 128);
  return print;
}
// Shared dark cells over all dark cells of either picture.
double Overlap(const std::vector<bool>& a, const std::vector<bool>& b) {
  int both = 0, either = 0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    both += a[i] && b[i];
    either += a[i] || b[i];
  }
  return either == 0 ? 0.0 : static_cast<double>(both) / either;
}
double Aspect(const QRect& r) { return r.height() == 0 ? 0.0 : static_cast<double>(r.width()) / r.height(); }

TEST_F(ImageReadersTest, MetafilesRenderLikeThePagePicture) {
  if (!HaveProgram("soffice")) GTEST_SKIP() << "LibreOffice is not installed";
  Export(*ClassOf<TOxQRJPEGFilter>(), "ref.jpg");
  Export(*ClassOf<TOxQREMFFilter>(), "meta.emf");
  Export(*ClassOf<TOxQRWMFFilter>(), "meta.wmf");
  QImage reference(QString::fromStdString(dir_.File("ref0002.jpg")));
  ASSERT_FALSE(reference.isNull());
  const TDarkPrint expected = DarkPrint(reference);
  ASSERT_FALSE(expected.Cells.empty());
  for (const std::string ext : {"emf", "wmf"}) {
    SCOPED_TRACE(ext);
    // Both outputs are named meta0002.png, so each goes to a folder of its own.
    const std::string src = dir_.File("meta0002." + ext);
    const std::string dst = dir_.File("png-" + ext);
    const auto one = Shell("cd " + Quote(dir_.Path().string()) + " && HOME=" + Quote(dir_.Path().string()) +
                         " timeout 180 soffice --headless --convert-to png --outdir " + Quote(dst) + " " +
                         Quote(src) + " 2>&1");
    ASSERT_EQ(one.Status, 0) << one.Output;
    QImage rendered(QString::fromStdString(dst + "/meta0002.png"));
    ASSERT_FALSE(rendered.isNull()) << one.Output;
    const TDarkPrint seen = DarkPrint(rendered);
    EXPECT_NEAR(Aspect(seen.Box), Aspect(expected.Box), 0.05);
    EXPECT_GT(Overlap(expected.Cells, seen.Cells), 0.85);
  }
}

// libwmf looks for the PostScript base fonts; a font map in Ghostscript's syntax lends it
// the metric-compatible Liberation faces.
std::string WriteLibwmfFontmap(const TScratchDir& dir) {
  const std::string l = "/usr/share/fonts/truetype/liberation2/Liberation";
  const std::pair<const char*, const char*> faces[] = {
      {"Times-Roman", "Serif-Regular"},     {"Times-Italic", "Serif-Italic"},
      {"Times-Bold", "Serif-Bold"},         {"Times-BoldItalic", "Serif-BoldItalic"},
      {"Helvetica", "Sans-Regular"},        {"Helvetica-Oblique", "Sans-Italic"},
      {"Helvetica-Bold", "Sans-Bold"},      {"Helvetica-BoldOblique", "Sans-BoldItalic"},
      {"Courier", "Mono-Regular"},          {"Courier-Oblique", "Mono-Italic"},
      {"Courier-Bold", "Mono-Bold"},        {"Courier-BoldOblique", "Mono-BoldItalic"},
      {"Symbol", "Sans-Regular"},           {"ZapfDingbats", "Sans-Regular"},
  };
  std::string map;
  for (const auto& [name, file] : faces) map += "/" + std::string(name) + " (" + l + file + ".ttf) ;\n";
  const std::string path = dir.File("Fontmap");
  WriteFileBytes(path, map);
  return path;
}

TEST_F(ImageReadersTest, Wmf2svgReadsTheWMF) {
  if (!HaveProgram("wmf2svg")) GTEST_SKIP() << "wmf2svg is not installed";
  Export(*ClassOf<TOxQRWMFFilter>(), "page.wmf");
  const auto svg = Shell("wmf2svg --wmf-gs-fontmap=" + Quote(WriteLibwmfFontmap(dir_)) + " " +
                         Quote(dir_.File("page0001.wmf")) + " 2>&1");
  ASSERT_EQ(svg.Status, 0) << svg.Output;
  EXPECT_NE(svg.Output.find("<svg"), std::string::npos);
  EXPECT_NE(svg.Output.find("<ellipse"), std::string::npos);
  EXPECT_NE(svg.Output.find("<image"), std::string::npos);
  // With per-character advances each character is placed on its own; read them in order.
  std::string text;
  for (std::size_t at = svg.Output.find("<text"); at != std::string::npos; at = svg.Output.find("<text", at + 1)) {
    const auto open = svg.Output.find('>', at);
    const auto close = svg.Output.find("</text>", open);
    for (char c : svg.Output.substr(open + 1, close - open - 1))
      if (c != '\n' && c != '\t') text += c;
  }
  EXPECT_EQ(text, "Quarterly SalesRecord 1");
}

}  // namespace
}  // namespace oxqr
