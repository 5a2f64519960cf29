// Pictures read back by programs no one here wrote: ImageMagick's identify and
// convert, libjpeg's djpeg, netpbm's giftopnm. A test is skipped when its program is
// not installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "TestImages.h"
#include "platform/Bitmap.h"
#include "platform/Files.h"
#include "platform/ImageCodecs.h"
#include "platform/Streams.h"

using namespace oxqr;
using namespace oxqr::test;

namespace {

bool Have(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

struct PipeCloser {
  void operator()(FILE* f) const { pclose(f); }
};

std::string RunCommand(const std::string& command) {
  std::unique_ptr<FILE, PipeCloser> pipe(popen((command + " 2>&1").c_str(), "r"));
  std::string out;
  char buf[4096];
  std::size_t n;
  while (pipe && (n = std::fread(buf, 1, sizeof buf, pipe.get())) > 0) out.append(buf, n);
  return out;
}

}  // namespace

TEST(ReaderTest, IdentifyReadsEveryBitmapDepth) {
  if (!Have("identify")) GTEST_SKIP() << "ImageMagick identify not installed";
  const struct { TPixelFormat pf; const char* depth; } cases[] = {
      {TPixelFormat::pf1bit, "1-bit"}, {TPixelFormat::pf4bit, "4-bit"}, {TPixelFormat::pf8bit, "8-bit"},
      {TPixelFormat::pf15bit, "8-bit"}, {TPixelFormat::pf16bit, "8-bit"}, {TPixelFormat::pf24bit, "8-bit"},
      {TPixelFormat::pf32bit, "8-bit"},
  };
  for (const auto& c : cases) {
    TTempFile tmp("oxqr-id");
    const std::string name = tmp.Name() + ".bmp";
    WriteFileBytes(name, EncodeBMP(PrimaryStripes(13, 7), c.pf));
    const std::string out = RunCommand("identify " + name);
    TryDeleteFile(name);
    EXPECT_NE(out.find(" BMP3 13x7 "), std::string::npos) << out;
    EXPECT_NE(out.find(std::string(" ") + c.depth + " "), std::string::npos) << out;
    EXPECT_EQ(out.find("identify:"), std::string::npos) << out;  // no warnings or errors
  }
}

TEST(ReaderTest, ConvertSeesTheSamePixels) {
  if (!Have("convert")) GTEST_SKIP() << "ImageMagick convert not installed";
  TTempFile tmp("oxqr-cv");
  const std::string name = tmp.Name() + ".bmp";
  WriteFileBytes(name, EncodeBMP(PrimaryStripes(13, 7), TPixelFormat::pf16bit));
  // Pixel (2, 0) is red, (4, 1) is cyan, (0, 6) is yellow (see PrimaryStripes).
  const std::string out = RunCommand("convert " + name + " -format '%[pixel:p{2,0}] %[pixel:p{4,1}] %[pixel:p{0,6}]' info:");
  TryDeleteFile(name);
  EXPECT_EQ(out, "srgb(255,0,0) srgb(0,255,255) srgb(255,255,0)");
}

TEST(ReaderTest, DjpegReadsBaselineAndProgressive) {
  if (!Have("djpeg")) GTEST_SKIP() << "djpeg not installed";
  for (const bool progressive : {false, true}) {
    TTempFile tmp("oxqr-jpg");
    {
      TFileStream f(tmp.Name(), TFileMode::fmCreate);
      EncodeJPEG(Gradient(96, 64), f, {.Quality = 80, .Progressive = progressive});
      f.Close();
    }
    const std::string ppm = RunCommand("djpeg -pnm " + tmp.Name());
    EXPECT_EQ(ppm.rfind("P6\n96 64\n255\n", 0), 0u) << ppm.substr(0, 40);
    EXPECT_EQ(ppm.size(), std::string("P6\n96 64\n255\n").size() + 96 * 64 * 3);
  }
}

TEST(ReaderTest, GiftopnmReadsGif) {
  if (!Have("giftopnm")) GTEST_SKIP() << "giftopnm not installed";
  for (const QImage& img : {PrimaryStripes(31, 9), Gradient(120, 80)}) {
    TTempFile tmp("oxqr-gif");
    {
      TFileStream f(tmp.Name(), TFileMode::fmCreate);
      EncodeGIF(img, f);
      f.Close();
    }
    const std::string ppm = RunCommand("giftopnm " + tmp.Name());
    const std::string header = "P6\n" + std::to_string(img.width()) + " " + std::to_string(img.height()) + "\n255\n";
    EXPECT_EQ(ppm.rfind(header, 0), 0u) << ppm.substr(0, 60);
  }
}
