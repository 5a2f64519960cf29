#pragma once
// TBitmap: a picture in memory over a 32-bit QImage working surface, with the pixel
// format it is written in and the monochrome switch. A new bitmap starts white.
#include <memory>
#include <string>

#include <QImage>

#include "Canvas.h"
#include "PixelFormat.h"

class QPaintDevice;
class QPainter;

namespace oxqr {

class TStream;

// Draws on a QPaintDevice (a QImage of a bitmap, a widget in the preview).
class TQPainterCanvas final : public TCanvas {
 public:
  // `device` is not owned. When `painter` is given, it is used for every call;
  // otherwise each call opens and closes its own painter on the device.
  explicit TQPainterCanvas(QPaintDevice* device, QPainter* painter = nullptr);
  void TextOut(int x, int y, std::string_view text) override;
  void TextRect(const TRect& clip, int x, int y, std::string_view text) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  void Ellipse(int left, int top, int right, int bottom) override;
  void Line(int x1, int y1, int x2, int y2) override;
  void FillRect(const TRect& r) override;
  void StretchDraw(const TRect& dest, const TBitmap& bitmap) override;
  void Draw(int x, int y, const TMetafile& metafile) override;
  using TCanvas::Draw;
  using TCanvas::Rectangle;

 private:
  QPaintDevice* device_;
  QPainter* painter_;
};

class TBitmap {
 public:
  TBitmap();
  TBitmap(int width, int height, TPixelFormat pf = TPixelFormat::pf24bit);
  TBitmap(const TBitmap& other);
  TBitmap& operator=(const TBitmap& other);
  ~TBitmap();

  int Width() const { return image_.width(); }
  int Height() const { return image_.height(); }
  bool Empty() const { return image_.isNull() || Width() == 0 || Height() == 0; }
  // Resizes; new content is white.
  void SetSize(int width, int height);

  TPixelFormat PixelFormat() const { return pf_; }
  // Sets the format the bitmap is written with; pf1bit also reduces the pixels to
  // black and white (and makes the bitmap monochrome), pf4bit / pf8bit to their palettes.
  void SetPixelFormat(TPixelFormat pf);
  bool Monochrome() const { return monochrome_; }
  // true turns the picture into two-colour black and white (a pf1bit bitmap); false
  // leaves the bitmap unchanged (a pf1bit bitmap stays monochrome).
  void SetMonochrome(bool on);

  TCanvas& Canvas();
  const QImage& Image() const { return image_; }
  void SetImage(const QImage& img);  // keeps the pixel format setting

  // Windows bitmap file of the current pixel format (own codec).
  void SaveToStream(TStream& s) const;
  void SaveToFile(const std::string& fileName) const;
  // Loads a Windows bitmap, JPEG or any picture file Qt reads; throws EInvalidData.
  void LoadFromStream(TStream& s);
  void LoadFromFile(const std::string& fileName);

 private:
  QImage image_;  // Format_RGB32 (or ARGB32 when loaded with alpha)
  TPixelFormat pf_ = TPixelFormat::pf24bit;
  bool monochrome_ = false;
  std::unique_ptr<TQPainterCanvas> canvas_;
};

// Pictures of report objects are bitmaps.
using TGraphic = TBitmap;

}  // namespace oxqr
