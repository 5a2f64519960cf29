#include <gtest/gtest.h>

#include <QBuffer>
#include <set>

#include "TestImages.h"
#include "platform/Bitmap.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/ImageCodecs.h"
#include "platform/Streams.h"

using namespace oxqr;
using namespace oxqr::test;

namespace {

std::set<QRgb> Colours(const QImage& img) {
  std::set<QRgb> s;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) s.insert(img.pixel(x, y) | 0xFF000000u);
  return s;
}

std::string Saved(const TBitmap& b) {
  TMemoryStream s;
  b.SaveToStream(s);
  return s.Bytes();
}

}  // namespace

TEST(BitmapTest, NewBitmapsAreWhiteAndResizingKeepsTheDrawing) {
  TBitmap b;
  EXPECT_TRUE(b.Empty());
  b.SetSize(10, 5);
  EXPECT_EQ(Colours(b.Image()), std::set<QRgb>{0xFFFFFFFF});
  b.Canvas().Brush.Color = clRed;
  b.Canvas().FillRect(Rect(0, 0, 10, 5));
  b.SetSize(20, 8);
  EXPECT_EQ(b.Image().pixel(9, 4), 0xFFFF0000u);
  EXPECT_EQ(b.Image().pixel(10, 4), 0xFFFFFFFFu);
  EXPECT_EQ(b.Image().pixel(0, 5), 0xFFFFFFFFu);
  b.SetSize(-3, 4);
  EXPECT_TRUE(b.Empty());
}

TEST(BitmapTest, CopiesAreIndependent) {
  TBitmap a(4, 4, TPixelFormat::pf8bit);
  TBitmap b = a;
  b.Canvas().Brush.Color = clBlue;
  b.Canvas().FillRect(Rect(0, 0, 4, 4));
  EXPECT_EQ(a.Image().pixel(1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(b.Image().pixel(1, 1), 0xFF0000FFu);
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
  a = b;
  EXPECT_EQ(a.Image().pixel(1, 1), 0xFF0000FFu);
  a.Canvas().Line(0, 0, 4, 0);  // the assigned bitmap draws on its own pixels
  EXPECT_EQ(b.Image().pixel(0, 0), 0xFF0000FFu);
}

TEST(BitmapTest, MonochromeIsBlackAndWhiteAndSavesOneBit) {
  TBitmap b(40, 20);
  b.SetImage(Gradient(40, 20));
  b.SetMonochrome(false);  // not monochrome: nothing changes
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_GT(Colours(b.Image()).size(), 2u);
  b.SetMonochrome(true);
  EXPECT_TRUE(b.Monochrome());
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf1bit);
  const auto colours = Colours(b.Image());
  EXPECT_EQ(colours, (std::set<QRgb>{0xFF000000u, 0xFFFFFFFFu}));

  // Drawn after the switch, a colour still comes out black or white in the file.
  b.Canvas().Brush.Color = clYellow;
  b.Canvas().FillRect(Rect(0, 0, 5, 5));
  const std::string bmp = Saved(b);
  EXPECT_EQ(U16At(bmp, 28), 1);
  EXPECT_EQ(Colours(DecodeBMP(bmp)), (std::set<QRgb>{0xFF000000u, 0xFFFFFFFFu}));
  EXPECT_EQ(DecodeBMP(bmp).pixel(1, 1), 0xFFFFFFFFu);  // yellow is light

  b.SetMonochrome(false);  // leaves a black and white bitmap as it is
  EXPECT_TRUE(b.Monochrome());
  EXPECT_EQ(U16At(Saved(b), 28), 1);
  b.SetPixelFormat(TPixelFormat::pf24bit);
  EXPECT_FALSE(b.Monochrome());
  EXPECT_EQ(U16At(Saved(b), 28), 24);

  TBitmap page;  // a 1-bit format chosen before the size: monochrome from the start
  page.SetPixelFormat(TPixelFormat::pf1bit);
  page.SetSize(8, 8);
  page.SetMonochrome(false);
  EXPECT_TRUE(page.Monochrome());
  EXPECT_EQ(U16At(Saved(page), 28), 1);
}

TEST(BitmapTest, PixelFormatReducesAndChoosesTheFileDepth) {
  TBitmap b(40, 20);
  b.SetImage(Gradient(40, 20));
  b.SetPixelFormat(TPixelFormat::pf4bit);
  EXPECT_LE(Colours(b.Image()).size(), 16u);
  EXPECT_EQ(U16At(Saved(b), 28), 4);
  b.SetPixelFormat(TPixelFormat::pf1bit);
  EXPECT_EQ(Colours(b.Image()).size(), 2u);
  EXPECT_EQ(U16At(Saved(b), 28), 1);

  const struct { TPixelFormat pf; int bits; } cases[] = {
      {TPixelFormat::pf8bit, 8},   {TPixelFormat::pf15bit, 16}, {TPixelFormat::pf16bit, 16},
      {TPixelFormat::pf24bit, 24}, {TPixelFormat::pf32bit, 32}, {TPixelFormat::pfDevice, 32},
  };
  for (const auto& c : cases) {
    TBitmap fresh(3, 3, c.pf);  // the format chosen before the bitmap gets a size
    EXPECT_EQ(fresh.PixelFormat(), c.pf);
    EXPECT_EQ(U16At(Saved(fresh), 28), c.bits);
  }
}

TEST(BitmapTest, LoadsBitmapJpegAndPng) {
  const QImage stripes = PrimaryStripes(9, 5);
  TBitmap b;
  TMemoryStream bmp(EncodeBMP(stripes, TPixelFormat::pf24bit));
  b.LoadFromStream(bmp);
  EXPECT_EQ(b.Image(), stripes);

  TMemoryStream jpeg;
  EncodeJPEG(Gradient(), jpeg);
  jpeg.SetPosition(0);
  b.LoadFromStream(jpeg);
  EXPECT_EQ(b.Width(), Gradient().width());

  QByteArray png;
  QBuffer buf(&png);
  buf.open(QIODevice::WriteOnly);
  stripes.save(&buf, "PNG");
  TMemoryStream pngStream(png.toStdString());
  b.LoadFromStream(pngStream);
  EXPECT_EQ(b.Image(), stripes);

  TMemoryStream junk(std::string("definitely not a picture"));
  EXPECT_THROW(b.LoadFromStream(junk), EInvalidData);
}

TEST(BitmapTest, FileRoundTrip) {
  TTempFile tmp("oxqr-bmp");
  TBitmap b(7, 3, TPixelFormat::pf16bit);
  b.Canvas().Pen.Color = clRed;
  b.Canvas().Line(0, 1, 7, 1);
  b.SaveToFile(tmp.Name());
  TBitmap back;
  back.LoadFromFile(tmp.Name());
  EXPECT_EQ(back.Image(), b.Image());
  EXPECT_THROW(back.LoadFromFile("/nonexistent-oxqr/x.bmp"), EFileError);
}
