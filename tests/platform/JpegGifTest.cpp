#include <gtest/gtest.h>

#include <gif_lib.h>

#include <cstring>
#include <memory>

#include <QPainter>
#include <QSet>

#include "TestImages.h"
#include "platform/Errors.h"
#include "platform/ImageCodecs.h"
#include "platform/Streams.h"
#include "platform/TextMetrics.h"

using namespace oxqr;
using namespace oxqr::test;

namespace {

std::string Jpeg(const QImage& img, TJPEGOptions o = {}) {
  TMemoryStream s;
  EncodeJPEG(img, s, o);
  return s.Bytes();
}

std::string Gif(const QImage& img) {
  TMemoryStream s;
  EncodeGIF(img, s);
  return s.Bytes();
}

bool HasMarker(const std::string& jpeg, unsigned char marker) {
  for (std::size_t i = 0; i + 1 < jpeg.size(); ++i)
    if (static_cast<unsigned char>(jpeg[i]) == 0xFF && static_cast<unsigned char>(jpeg[i + 1]) == marker) return true;
  return false;
}

// Decodes a GIF with giflib's own reader.
struct GifSource {
  const std::string* bytes;
  std::size_t pos = 0;
};
int ReadGif(GifFileType* gif, GifByteType* buf, int n) {
  auto* src = static_cast<GifSource*>(gif->UserData);
  const std::size_t k = std::min<std::size_t>(static_cast<std::size_t>(n), src->bytes->size() - src->pos);
  std::memcpy(buf, src->bytes->data() + src->pos, k);
  src->pos += k;
  return static_cast<int>(k);
}
struct GifCloser {
  void operator()(GifFileType* g) const {
    int err;
    DGifCloseFile(g, &err);
  }
};

QImage DecodeGifWithGiflib(const std::string& bytes) {
  GifSource src{&bytes};
  int err = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&src, ReadGif, &err));
  if (!gif || DGifSlurp(gif.get()) != GIF_OK || gif->ImageCount < 1) return QImage();
  const SavedImage& frame = gif->SavedImages[0];
  const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
  QImage img(gif->SWidth, gif->SHeight, QImage::Format_RGB32);
  for (int y = 0; y < frame.ImageDesc.Height; ++y)
    for (int x = 0; x < frame.ImageDesc.Width; ++x) {
      const GifColorType c = map->Colors[frame.RasterBits[y * frame.ImageDesc.Width + x]];
      img.setPixel(x, y, qRgb(c.Red, c.Green, c.Blue));
    }
  return img;
}

}  // namespace

TEST(JpegTest, EncodeThenDecode) {
  const QImage img = Gradient();
  const std::string jpeg = Jpeg(img, {.Quality = 95});
  ASSERT_GT(jpeg.size(), 4u);
  EXPECT_EQ(static_cast<unsigned char>(jpeg[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(jpeg[1]), 0xD8);
  EXPECT_TRUE(HasMarker(jpeg, 0xC0));  // baseline
  const QImage back = DecodeJPEG(jpeg);
  ASSERT_EQ(back.size(), img.size());
  long long error = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      error += std::abs(qRed(back.pixel(x, y)) - qRed(img.pixel(x, y))) +
               std::abs(qGreen(back.pixel(x, y)) - qGreen(img.pixel(x, y)));
  EXPECT_LT(error / (2 * img.width() * img.height()), 6);
}

TEST(JpegTest, ProgressiveQualityAndGrey) {
  const QImage img = Gradient(200, 150);
  const std::string progressive = Jpeg(img, {.Quality = 90, .Progressive = true});
  EXPECT_TRUE(HasMarker(progressive, 0xC2));   // SOF2
  EXPECT_FALSE(HasMarker(progressive, 0xC0));
  EXPECT_EQ(DecodeJPEG(progressive).size(), img.size());

  EXPECT_LT(Jpeg(img, {.Quality = 10}).size(), Jpeg(img, {.Quality = 100}).size());
  EXPECT_EQ(Jpeg(img, {.Quality = 0}), Jpeg(img, {.Quality = 1}));     // clamped
  EXPECT_EQ(Jpeg(img, {.Quality = 500}), Jpeg(img, {.Quality = 100}));

  const QImage grey = DecodeJPEG(Jpeg(img, {.Grayscale = true}));
  for (const QPoint p : {QPoint(10, 10), QPoint(150, 100)}) {
    const QRgb c = grey.pixel(p);
    EXPECT_EQ(qRed(c), qGreen(c));
    EXPECT_EQ(qGreen(c), qBlue(c));
  }
}

TEST(JpegTest, BadInputThrowsInvalidData) {
  const std::string good = Jpeg(PrimaryStripes());
  for (const std::string& b : {std::string(), std::string("\xFF\xD8"), std::string("\xFF\xD8\xFF\xE0garbage"),
                               std::string("not a jpeg at all"), good.substr(0, 20)})
    EXPECT_THROW(DecodeJPEG(b), EInvalidData) << b.size();
  TMemoryStream s;
  EXPECT_THROW(EncodeJPEG(QImage(), s), EInvalidData);
}

TEST(GifTest, ExactPaletteRoundTrip) {
  const QImage img = PrimaryStripes(31, 9);
  const std::string gif = Gif(img);
  EXPECT_EQ(gif.substr(0, 6), "GIF89a");
  EXPECT_EQ(gif.back(), ';');  // trailer
  const QImage back = DecodeGifWithGiflib(gif);
  ASSERT_EQ(back.size(), img.size());
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) ASSERT_EQ(back.pixel(x, y), img.pixel(x, y) | 0xFF000000u);
}

TEST(GifTest, PhotoLikePictureIsQuantised) {
  const QImage img = Gradient(120, 80);
  const std::string gif = Gif(img);
  EXPECT_EQ(gif.substr(0, 6), "GIF89a");
  const QImage back = DecodeGifWithGiflib(gif);
  ASSERT_EQ(back.size(), img.size());
  long long error = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      error += std::abs(qRed(back.pixel(x, y)) - qRed(img.pixel(x, y))) +
               std::abs(qGreen(back.pixel(x, y)) - qGreen(img.pixel(x, y)));
  EXPECT_LT(error / (img.width() * img.height()), 20);
}

TEST(GifTest, TwoColourAndSingleColourPictures) {
  QImage one(3, 2, QImage::Format_RGB32);
  one.fill(qRgb(10, 20, 30));
  const QImage back = DecodeGifWithGiflib(Gif(one));
  ASSERT_EQ(back.size(), one.size());
  EXPECT_EQ(back.pixel(2, 1), qRgb(10, 20, 30));
  TMemoryStream s;
  EXPECT_THROW(EncodeGIF(QImage(), s), EInvalidData);
}

// A drawn page with more than 256 colours (anti-aliased text in several colours on
// coloured bands): the palette comes from the colour counts, fills keep their colour
// exactly, text stays close, and the same page gives the same bytes.
TEST(GifTest, DrawnPageKeepsFlatColoursAndStaysClose) {
  EnsureGuiApplication();
  QImage page(400, 300, QImage::Format_RGB32);
  page.fill(Qt::white);
  {
    QPainter p(&page);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const QColor bands[] = {QColor(255, 255, 204), QColor(0, 128, 128), QColor(192, 192, 192), Qt::white};
    const QColor inks[] = {Qt::black, Qt::red, Qt::darkBlue, QColor(0, 128, 0), Qt::white, QColor(128, 0, 128)};
    QFont font("Liberation Sans");
    font.setPixelSize(13);
    p.setFont(font);
    for (int b = 0; b < 4; ++b) {
      p.fillRect(0, b * 75, 400, 75, bands[b]);
      for (int i = 0; i < 6; ++i) {
        p.setPen(inks[i]);
        p.drawText(5 + (i % 2) * 200, b * 75 + 15 + (i / 2) * 20, "Customer 1234 amount due $56.78");
      }
    }
  }
  QSet<QRgb> colours;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) colours.insert(page.pixel(x, y));
  ASSERT_GT(colours.size(), 256);

  const std::string gif = Gif(page);
  EXPECT_EQ(Gif(page), gif);
  const QImage back = DecodeGifWithGiflib(gif);
  ASSERT_EQ(back.size(), page.size());
  for (const QPoint flat : {QPoint(390, 70), QPoint(390, 145), QPoint(390, 220), QPoint(390, 295)})
    EXPECT_EQ(back.pixel(flat), page.pixel(flat)) << flat.x() << "," << flat.y();
  long long error = 0;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) {
      const QRgb a = back.pixel(x, y), b = page.pixel(x, y);
      error += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
    }
  EXPECT_LE(static_cast<double>(error) / (3.0 * page.width() * page.height()), 4.0);
}
