// Picture helpers of the filter base: picture files read back by real decoders (libjpeg,
// giflib, the BMP codec), the JPEG memory stream, picture sizes, and control bitmaps.
#include <filesystem>
#include <string>

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <QColor>

#include "OxQrExport/core/ExportFilterBase.h"
#include "engine/Band.h"
#include "engine/Controls.h"
#include "engine/Printer.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/ImageCodecs.h"
#include "platform/Streams.h"
#include "support/ExportTestSupport.h"

namespace oxqr {
namespace {

using testing::ExportTest;

// Red left half, blue right half.
TBitmap TwoColourBitmap(int w, int h) {
  TBitmap bmp(w, h);
  TCanvas& c = bmp.Canvas();
  c.Brush.Color = clRed;
  c.FillRect(Rect(0, 0, w / 2, h));
  c.Brush.Color = clBlue;
  c.FillRect(Rect(w / 2, 0, w, h));
  return bmp;
}

bool Near(QRgb px, int r, int g, int b, int tolerance = 40) {
  return std::abs(qRed(px) - r) <= tolerance && std::abs(qGreen(px) - g) <= tolerance &&
         std::abs(qBlue(px) - b) <= tolerance;
}

// Pixel (x, y) of a GIF file, read with giflib.
struct GifPixel {
  int Width = 0, Height = 0;
  int R = -1, G = -1, B = -1;
};
GifPixel ReadGifPixel(const std::string& file, int x, int y) {
  int err = 0;
  GifFileType* gif = DGifOpenFileName(file.c_str(), &err);
  if (!gif) throw std::runtime_error("giflib cannot open " + file);
  GifPixel out;
  if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0) {
    out.Width = gif->SWidth;
    out.Height = gif->SHeight;
    const SavedImage& img = gif->SavedImages[0];
    const ColorMapObject* map = img.ImageDesc.ColorMap ? img.ImageDesc.ColorMap : gif->SColorMap;
    const int index = img.RasterBits[y * img.ImageDesc.Width + x];
    out.R = map->Colors[index].Red;
    out.G = map->Colors[index].Green;
    out.B = map->Colors[index].Blue;
  }
  DGifCloseFile(gif, &err);
  return out;
}

class TestFilter final : public TOxQRExportFilter {
 public:
  using TOxQRExportFilter::TOxQRExportFilter;
};

TEST_F(ExportTest, SaveBitmapFileWritesEachFormatUnderItsOwnExtension) {
  const TBitmap bmp = TwoColourBitmap(40, 30);
  TestFilter filter("");
  std::string name;

  filter.SaveBitmapFile(bmp, TOxImageFormat::ifJPG, name, Dir() + "pic", 75);
  EXPECT_EQ(name, Dir() + "pic.jpg");
  const QImage jpg = DecodeJPEG(ReadFileBytes(name));
  ASSERT_EQ(jpg.size(), QSize(40, 30));
  EXPECT_TRUE(Near(jpg.pixel(5, 15), 255, 0, 0));
  EXPECT_TRUE(Near(jpg.pixel(35, 15), 0, 0, 255));

  // A GIF picture is GIF data in a .gif file.
  filter.SaveBitmapFile(bmp, TOxImageFormat::ifGIF, name, Dir() + "pic", 75);
  EXPECT_EQ(name, Dir() + "pic.gif");
  EXPECT_EQ(ReadFileBytes(name).substr(0, 6), "GIF89a");
  const GifPixel left = ReadGifPixel(name, 5, 15);
  const GifPixel right = ReadGifPixel(name, 35, 15);
  EXPECT_EQ(left.Width, 40);
  EXPECT_EQ(left.Height, 30);
  EXPECT_EQ((std::array{left.R, left.G, left.B}), (std::array{255, 0, 0}));
  EXPECT_EQ((std::array{right.R, right.G, right.B}), (std::array{0, 0, 255}));

  filter.SaveBitmapFile(bmp, TOxImageFormat::ifBMP, name, Dir() + "pic", 75);
  EXPECT_EQ(name, Dir() + "pic.bmp");
  const QImage decoded = DecodeBMP(ReadFileBytes(name));
  ASSERT_EQ(decoded.size(), QSize(40, 30));
  EXPECT_EQ(QColor(decoded.pixel(5, 15)), QColor(255, 0, 0));
  EXPECT_EQ(QColor(decoded.pixel(35, 15)), QColor(0, 0, 255));

  filter.SaveBitmapFile(bmp, static_cast<TOxImageFormat>(9), name, Dir() + "other", 75);
  EXPECT_EQ(name, Dir() + "other");
  EXPECT_FALSE(std::filesystem::exists(Dir() + "other"));
}

TEST_F(ExportTest, SaveBitmapFileReplacesAnOldFileAndHonoursQuality) {
  const TBitmap bmp = TwoColourBitmap(64, 64);
  WriteFileBytes(Dir() + "pic.jpg", std::string(100000, 'x'));
  TestFilter filter("");
  std::string name;
  filter.SaveBitmapFile(bmp, TOxImageFormat::ifJPG, name, Dir() + "pic", 100);
  const auto best = std::filesystem::file_size(name);
  EXPECT_LT(best, 100000u) << "the old file's bytes survived";
  EXPECT_NO_THROW(DecodeJPEG(ReadFileBytes(name)));
  filter.SaveBitmapFile(bmp, TOxImageFormat::ifJPG, name, Dir() + "pic", 5);
  EXPECT_LT(std::filesystem::file_size(name), best);

  // Not progressive: no SOF2 marker.
  const std::string bytes = ReadFileBytes(name);
  EXPECT_EQ(bytes.find("\xFF\xC2"), std::string::npos);
  EXPECT_NE(bytes.find("\xFF\xC0"), std::string::npos);
}

TEST_F(ExportTest, SaveBitmapFileFailuresReachTheCaller) {
  const TBitmap bmp = TwoColourBitmap(8, 8);
  TestFilter filter("");
  std::string name;
  for (auto format : {TOxImageFormat::ifGIF, TOxImageFormat::ifJPG, TOxImageFormat::ifBMP}) {
    EXPECT_THROW(filter.SaveBitmapFile(bmp, format, name, Dir() + "missing/folder/pic", 75), EOxQRError);
  }
}

TEST_F(ExportTest, EncodeJPEGStreamHoldsAJPEGReadFromTheStart) {
  TestFilter filter("");
  const auto stream = filter.EncodeJPEGStream(TwoColourBitmap(20, 10), 80);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->Position(), 0);
  EXPECT_EQ(DecodeJPEG(stream->Bytes()).size(), QSize(20, 10));
}

TEST_F(ExportTest, PictureRectConvertsScreenPixelsToNative) {
  TQRPrinter printer;
  TestFilter filter("");
  filter.SourcePrinter = &printer;
  const TOxQrRect r = filter.PictureRect(TBitmap(96, 48), 10, 20);
  EXPECT_DOUBLE_EQ(r.Left, 10);
  EXPECT_DOUBLE_EQ(r.Top, 20);
  EXPECT_NEAR(r.Width, 254, 1e-9);
  EXPECT_NEAR(r.Height, 127, 1e-9);
}

// Native length of n screen pixels.
double Px(int n) { return n * 254.0 / 96.0; }

TEST_F(ExportTest, ControlBitmapPlacesThePictureOnTheBandColour) {
  TQRCustomBand band(TQRBandType::rbDetail);
  band.Color = clYellow;
  auto& image = band.Add<TQRImage>();
  image.Size.Width = Px(21);
  image.Size.Height = Px(20);
  image.Picture = TBitmap(10, 10);
  image.Picture.Canvas().Brush.Color = clRed;
  image.Picture.Canvas().FillRect(Rect(0, 0, 10, 10));
  TestFilter filter("");

  struct Case {
    bool Center, Stretch;
    QPoint RedAt, BandAt;
  };
  const Case cases[] = {
      {false, false, {0, 0}, {12, 12}},  // at the top left
      {true, false, {5, 5}, {4, 4}},     // (21 - 10) div 2 = 5
      {true, false, {14, 14}, {15, 15}},
      {false, true, {20, 19}, {-1, -1}},  // stretched over everything
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "center " << c.Center << " stretch " << c.Stretch);
    image.Center = c.Center;
    image.Stretch = c.Stretch;
    const auto bmp = filter.ControlBitmap(image, TPixelFormat::pf8bit);
    ASSERT_EQ(bmp->Width(), 21);
    ASSERT_EQ(bmp->Height(), 20);
    EXPECT_EQ(bmp->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(QColor(bmp->Image().pixel(c.RedAt)), QColor(255, 0, 0));
    if (c.BandAt.x() >= 0) {
      EXPECT_EQ(QColor(bmp->Image().pixel(c.BandAt)), QColor(255, 255, 0));
    }
  }

  // No picture: nothing drawn on the new (white) bitmap.
  image.Picture = TBitmap();
  image.Stretch = false;
  const auto empty = filter.ControlBitmap(image, TPixelFormat::pf24bit);
  EXPECT_EQ(QColor(empty->Image().pixel(10, 10)), QColor(255, 255, 255));
}

TEST_F(ExportTest, ShapeBitmapDrawsRectanglesAndCirclesOnTheBandColour) {
  TQRCustomBand band(TQRBandType::rbDetail);
  band.Color = clYellow;
  auto& shape = band.Add<TQRShape>();
  shape.Size.Width = Px(40);
  shape.Size.Height = Px(30);
  shape.Brush.Color = clLime;
  shape.Pen.Color = clBlack;
  TestFilter filter("");

  shape.Shape = TQRShapeType::qrsCircle;
  auto bmp = filter.ShapeBitmap(shape, TPixelFormat::pf24bit);
  ASSERT_EQ(bmp->Width(), 40);
  ASSERT_EQ(bmp->Height(), 30);
  EXPECT_EQ(QColor(bmp->Image().pixel(20, 15)), QColor(0, 255, 0));
  EXPECT_EQ(QColor(bmp->Image().pixel(1, 1)), QColor(255, 255, 0)) << "corner outside the circle";

  shape.Shape = TQRShapeType::qrsRectangle;
  bmp = filter.ShapeBitmap(shape, TPixelFormat::pf24bit);
  EXPECT_EQ(QColor(bmp->Image().pixel(0, 0)), QColor(0, 0, 0)) << "outline";
  EXPECT_EQ(QColor(bmp->Image().pixel(20, 15)), QColor(0, 255, 0));

  shape.Shape = TQRShapeType::qrsHorLine;
  bmp = filter.ShapeBitmap(shape, TPixelFormat::pf24bit);
  EXPECT_EQ(QColor(bmp->Image().pixel(20, 15)), QColor(255, 255, 0)) << "lines leave only the background";
}

}  // namespace
}  // namespace oxqr
