#include <gtest/gtest.h>

#include "TestImages.h"
#include "platform/Errors.h"
#include "platform/ImageCodecs.h"

using namespace oxqr;
using namespace oxqr::test;

namespace {

struct FormatCase {
  TPixelFormat pf;
  int bits;
  std::uint32_t compression;
  std::size_t offBits;  // 14 + 40 + masks + palette
  std::size_t rowBytes;  // of a 13-pixel row
  bool exact;           // the stripes come back unchanged
};

const FormatCase kFormats[] = {
    {TPixelFormat::pf1bit, 1, 0, 54 + 2 * 4, 4, false},
    {TPixelFormat::pf4bit, 4, 0, 54 + 16 * 4, 8, true},
    {TPixelFormat::pf8bit, 8, 0, 54 + 256 * 4, 16, true},
    {TPixelFormat::pf15bit, 16, 0, 54, 28, true},
    {TPixelFormat::pf16bit, 16, 3, 54 + 12, 28, true},
    {TPixelFormat::pf24bit, 24, 0, 54, 40, true},
    {TPixelFormat::pfCustom, 24, 0, 54, 40, true},
    {TPixelFormat::pf32bit, 32, 0, 54, 52, true},
    {TPixelFormat::pfDevice, 32, 0, 54, 52, true},
};

}  // namespace

TEST(BmpCodecTest, HeaderFieldsAndRoundTripForEveryPixelFormat) {
  const QImage img = PrimaryStripes(13, 7);
  for (const FormatCase& c : kFormats) {
    SCOPED_TRACE(c.bits);
    const std::string bmp = EncodeBMP(img, c.pf);
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(U32At(bmp, 2), bmp.size());               // bfSize
    EXPECT_EQ(U32At(bmp, 10), c.offBits);               // bfOffBits
    EXPECT_EQ(U32At(bmp, 14), 40u);                     // biSize
    EXPECT_EQ(U32At(bmp, 18), 13u);
    EXPECT_EQ(U32At(bmp, 22), 7u);                      // positive: bottom-up
    EXPECT_EQ(U16At(bmp, 26), 1);                       // planes
    EXPECT_EQ(U16At(bmp, 28), c.bits);
    EXPECT_EQ(U32At(bmp, 30), c.compression);
    EXPECT_EQ(U32At(bmp, 34), c.rowBytes * 7);          // biSizeImage
    EXPECT_EQ(U32At(bmp, 38), 3780u);                   // 96 dpi
    EXPECT_EQ(U32At(bmp, 42), 3780u);
    EXPECT_EQ(bmp.size(), c.offBits + c.rowBytes * 7);

    const QImage back = DecodeBMP(bmp);
    ASSERT_EQ(back.size(), img.size());
    if (c.exact) {
      for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
          ASSERT_EQ(back.pixel(x, y) | 0xFF000000u, img.pixel(x, y) | 0xFF000000u) << x << "," << y;
    }
  }
}

TEST(BmpCodecTest, PixelBytesOfEachLayout) {
  QImage red(1, 2, QImage::Format_RGB32);
  red.setPixel(0, 0, qRgb(255, 0, 0));    // top row: last in the file
  red.setPixel(0, 1, qRgb(0, 0, 255));    // bottom row: first in the file
  auto firstPixel = [&](TPixelFormat pf) {
    const std::string bmp = EncodeBMP(red, pf);
    return bmp.substr(U32At(bmp, 10));
  };
  EXPECT_EQ(firstPixel(TPixelFormat::pf24bit), std::string("\xFF\0\0\0\0\0\xFF\0", 8));
  EXPECT_EQ(firstPixel(TPixelFormat::pf32bit), std::string("\xFF\0\0\0\0\0\xFF\0", 8));
  EXPECT_EQ(U16At(firstPixel(TPixelFormat::pf16bit), 4), 0xF800);  // 5-6-5 red
  EXPECT_EQ(U16At(firstPixel(TPixelFormat::pf16bit), 0), 0x001F);  // blue
  EXPECT_EQ(U16At(firstPixel(TPixelFormat::pf15bit), 4), 0x7C00);  // 5-5-5 red

  const std::string mono = EncodeBMP(PrimaryStripes(13, 1), TPixelFormat::pf1bit);
  EXPECT_EQ(mono.substr(54, 8), std::string("\0\0\0\0\xFF\xFF\xFF\0", 8));  // black, white
  // black, white, red, green, blue, yellow, cyan...: luminance >= 128 is white.
  EXPECT_EQ(static_cast<std::uint8_t>(mono[62]), 0b01010110);
}

TEST(BmpCodecTest, EightBitQuantisesRichPictures) {
  const QImage img = Gradient();
  const QImage back = DecodeBMP(EncodeBMP(img, TPixelFormat::pf8bit));
  ASSERT_EQ(back.size(), img.size());
  long long error = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) error += std::abs(qRed(back.pixel(x, y)) - qRed(img.pixel(x, y)));
  EXPECT_LT(error / (img.width() * img.height()), 24);
}

TEST(BmpCodecTest, DecodesTopDownRows) {
  std::string bmp = EncodeBMP(PrimaryStripes(5, 3), TPixelFormat::pf24bit);
  const QImage bottomUp = DecodeBMP(bmp);
  const std::int32_t negative = -3;
  std::memcpy(bmp.data() + 22, &negative, 4);
  const QImage topDown = DecodeBMP(bmp);
  EXPECT_EQ(topDown, bottomUp.mirrored(false, true));
}

TEST(BmpCodecTest, DamagedFilesThrowInvalidData) {
  const std::string good = EncodeBMP(PrimaryStripes(), TPixelFormat::pf8bit);
  auto patched = [&](std::size_t at, std::uint32_t v) {
    std::string b = good;
    std::memcpy(b.data() + at, &v, 4);
    return b;
  };
  const std::string cases[] = {
      "",
      "BM",
      "GIF89a not a bitmap",
      good.substr(0, 40),                       // header cut short
      good.substr(0, good.size() - 1),          // pixels cut short
      good.substr(0, 54 + 100),                 // palette cut short
      patched(18, 0x7FFFFFFF),                  // absurd width
      patched(22, 0x80000000),                  // height INT_MIN
      patched(18, 0),                           // zero width
      patched(30, 1),                           // RLE8 compression
      patched(10, 0xFFFFFFF0),                  // pixel data far beyond the end
  };
  for (const std::string& b : cases) EXPECT_THROW(DecodeBMP(b), EInvalidData) << b.size();
}

TEST(BmpCodecTest, RandomDamageNeverCrashes) {
  // Every outcome is a picture or EInvalidData; run under the sanitizers this also
  // shows that no read goes past the input.
  std::uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (const TPixelFormat pf : {TPixelFormat::pf1bit, TPixelFormat::pf8bit, TPixelFormat::pf16bit}) {
    const std::string good = EncodeBMP(PrimaryStripes(), pf);
    for (int i = 0; i < 300; ++i) {
      std::string b = good;
      for (int k = 0; k < 3; ++k) b[(next() >> 8) % 70] = static_cast<char>(next() >> 16);
      try {
        const QImage img = DecodeBMP(b);
        EXPECT_FALSE(img.isNull());
      } catch (const EInvalidData&) {
      }
    }
  }
}
