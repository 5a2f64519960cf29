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
TRun Run(const std::string& command) {
  TRun r;
  std::FILE* p = ::popen(command.c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.Output.append(buf, n);
  r.Status = ::pclose(p);
  return r;
}
bool HaveProgram(const std::string& name) { return Run("command -v " + name + " >/dev/null 2>&1").Status == 0; }
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
    EXPECT_EQ(Run("identify -format '%m %w %h' " + Quote(jpg)).Output, "JPEG 794 1123");
    EXPECT_EQ(Run("identify -format '%m %w %h' " + Quote(gif)).Output, "GIF 794 1123");
    EXPECT_EQ(Run("djpeg " + Quote(jpg) + " | head -c 2").Output, "P6");
    const auto pnm = Run("giftopnm " + Quote(gif) + " 2>/dev/null | head -2 | tr '\\n' ' '");
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
    EXPECT_EQ(Run("identify -format '%m %w %h' " + Quote(bmp)).Output, "BMP 794 1123");
    const std::string kind = Run("file -b " + Quote(bmp)).Output;
    EXPECT_NE(kind.find("794 x 1123 x " + std::to_string(c.Bits) + ","), std::string::npos) << kind;
  }
}

// Dark pixels of a picture scaled down to a coarse grid: what a reader showed where.
std::vector<bool> DarkMask(const QImage& image) {
  const QImage small = image.convertToFormat(QImage::Format_ARGB32)
                           .scaled(80, 113, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  std::vector<bool> mask;
  for (int y = 0; y < small.height(); ++y)
    for (int x = 0; x < small.width(); ++x) {
      const QRgb p = small.pixel(x, y);
      mask.push_back(qAlpha(p) > 128 && qGray(p) < 110);
    }
  return mask;
}
// Shared dark cells over all dark cells of either picture.
double Overlap(const std::vector<bool>& a, const std::vector<bool>& b) {
  int both = 0, either = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    both += a[i] && b[i];
    either += a[i] || b[i];
  }
  return either == 0 ? 0.0 : static_cast<double>(both) / either;
}

TEST_F(ImageReadersTest, MetafilesRenderLikeThePagePicture) {
  if (!HaveProgram("soffice")) GTEST_SKIP() << "LibreOffice is not installed";
  Export(*ClassOf<TOxQRJPEGFilter>(), "ref.jpg");
  Export(*ClassOf<TOxQREMFFilter>(), "meta.emf");
  Export(*ClassOf<TOxQRWMFFilter>(), "meta.wmf");
  QImage reference(QString::fromStdString(dir_.File("ref0002.jpg")));
  ASSERT_FALSE(reference.isNull());
  const auto refMask = DarkMask(reference);
  for (const std::string ext : {"emf", "wmf"}) {
    SCOPED_TRACE(ext);
    // Both outputs are named meta0002.png, so each goes to a folder of its own.
    const std::string src = dir_.File("meta0002." + ext);
    const std::string dst = dir_.File("png-" + ext);
    const auto one = Run("cd " + Quote(dir_.Path().string()) + " && HOME=" + Quote(dir_.Path().string()) +
                         " timeout 180 soffice --headless --convert-to png --outdir " + Quote(dst) + " " +
                         Quote(src) + " 2>&1");
    ASSERT_EQ(one.Status, 0) << one.Output;
    QImage rendered(QString::fromStdString(dst + "/meta0002.png"));
    ASSERT_FALSE(rendered.isNull()) << one.Output;
    const double overlap = Overlap(refMask, DarkMask(rendered));
    EXPECT_GT(overlap, 0.8) << "rendered " << rendered.width() << " x " << rendered.height();
  }
}

TEST_F(ImageReadersTest, Wmf2svgReadsTheWMF) {
  if (!HaveProgram("wmf2svg")) GTEST_SKIP() << "wmf2svg is not installed";
  Export(*ClassOf<TOxQRWMFFilter>(), "page.wmf");
  const auto svg = Run("wmf2svg " + Quote(dir_.File("page0001.wmf")) + " 2>&1");
  ASSERT_EQ(svg.Status, 0) << svg.Output;
  EXPECT_NE(svg.Output.find("<svg"), std::string::npos);
  EXPECT_NE(svg.Output.find("Quarterly Sales"), std::string::npos);
  EXPECT_NE(svg.Output.find("<ellipse"), std::string::npos);
  EXPECT_NE(svg.Output.find("<image"), std::string::npos);
}

TEST_F(ImageReadersTest, EMFWithoutFillRendersTransparent) {
  if (!HaveProgram("soffice")) GTEST_SKIP() << "LibreOffice is not installed";
  QRExportSettings().EMF.FillUnusedArea = false;
  Export(*ClassOf<TOxQREMFFilter>(), "clear.emf");
  const auto conv = Run("cd " + Quote(dir_.Path().string()) + " && HOME=" + Quote(dir_.Path().string()) +
                        " timeout 180 soffice --headless --convert-to png clear0001.emf 2>&1");
  ASSERT_EQ(conv.Status, 0) << conv.Output;
  QImage rendered(QString::fromStdString(dir_.File("clear0001.png")));
  ASSERT_FALSE(rendered.isNull()) << conv.Output;
  EXPECT_TRUE(rendered.hasAlphaChannel());
  // The page corner is outside the margins: nothing is painted there.
  EXPECT_EQ(qAlpha(rendered.pixel(2, 2)), 0);
}

}  // namespace
}  // namespace oxqr
