#include "Bitmap.h"

#include <algorithm>

#include <QPainter>

#include "Errors.h"
#include "ImageCodecs.h"
#include "PixelReduce.h"
#include "Streams.h"
#include "SafeFile.h"

namespace oxqr {

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat pf)
    : pf_(pf), monochrome_(pf == TPixelFormat::pf1bit) {
  SetSize(width, height);
}

TBitmap::TBitmap(const TBitmap& other)
    : image_(other.image_), pf_(other.pf_), monochrome_(other.monochrome_) {}

TBitmap& TBitmap::operator=(const TBitmap& other) {
  if (this != &other) {
    image_ = other.image_;
    pf_ = other.pf_;
    monochrome_ = other.monochrome_;
  }
  return *this;
}

TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (width == Width() && height == Height() && !image_.isNull()) return;
  if (width == 0 || height == 0) {
    image_ = QImage();
    return;
  }
  QImage next(width, height, QImage::Format_RGB32);
  if (next.isNull()) throw EInvalidData("Bitmap too large");
  next.fill(Qt::white);
  if (!image_.isNull()) {
    // Keep what was drawn where the old and new sizes overlap.
    QPainter p(&next);
    p.drawImage(0, 0, image_);
  }
  image_ = std::move(next);
}

// A 1-bit bitmap is a monochrome one and the other way round, as on the platform
// whose bitmaps these are: the two settings follow each other.
void TBitmap::SetPixelFormat(TPixelFormat pf) {
  pf_ = pf;
  monochrome_ = pf == TPixelFormat::pf1bit;
  if (!Empty()) image_ = detail::ReduceToFormat(image_, pf);
}

void TBitmap::SetMonochrome(bool on) {
  // Switching off keeps the bitmap as it is: a 1-bit picture stays black and white.
  if (!on || monochrome_) return;
  monochrome_ = true;
  pf_ = TPixelFormat::pf1bit;
  if (!Empty()) image_ = detail::ToBlackAndWhite(image_);
}

TCanvas& TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TQPainterCanvas>(&image_);
  return *canvas_;
}

void TBitmap::SetImage(const QImage& img) {
  if (img.isNull()) {
    image_ = QImage();
  } else if (img.format() == QImage::Format_RGB32 || img.format() == QImage::Format_ARGB32) {
    image_ = img;
  } else {
    image_ = img.convertToFormat(img.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  }
}

void TBitmap::SaveToStream(TStream& s) const {
  s.Write(EncodeBMP(image_, monochrome_ ? TPixelFormat::pf1bit : pf_));
}

void TBitmap::SaveToFile(const std::string& fileName) const {
  TSafeFileStream f(fileName);
  SaveToStream(f);
  f.Commit();
}

void TBitmap::LoadFromStream(TStream& s) {
  const std::string bytes = s.ReadAll();
  QImage img;
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
    img = DecodeBMP(bytes);
  } else if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
             static_cast<unsigned char>(bytes[1]) == 0xD8) {
    img = DecodeJPEG(bytes);
  } else if (!img.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()))) {
    throw EInvalidData("Unknown or damaged picture");
  }
  SetImage(img);
}

void TBitmap::LoadFromFile(const std::string& fileName) {
  TFileStream f(fileName, TFileMode::fmOpenRead);
  LoadFromStream(f);
}

}  // namespace oxqr
