#include "Canvas.h"

#include <QPainter>

#include "Bitmap.h"
#include "Metafile.h"
#include "RecordPainter.h"
#include "TextMetrics.h"

namespace oxqr {

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
  StretchDraw(Bounds(x, y, bitmap.Width(), bitmap.Height()), bitmap);
}

TQPainterCanvas::TQPainterCanvas(QPaintDevice* device, QPainter* painter)
    : device_(device), painter_(painter) {}

namespace {

// Runs `fn` with the canvas's painter, or with one opened on the device for this call.
template <typename Fn>
void WithPainter(QPaintDevice* device, QPainter* given, Fn&& fn) {
  EnsureGuiApplication();
  if (given) {
    fn(*given);
    return;
  }
  if (!device) return;
  QPainter p(device);
  if (!p.isActive()) return;
  fn(p);
}

}  // namespace

void TQPainterCanvas::TextOut(int x, int y, std::string_view text) {
  MrText r;
  r.X = x;
  r.Y = y;
  r.Text = std::string(text);
  r.Font = Font;
  r.Opaque = Brush.Style != TBrushStyle::bsClear;
  r.BackColor = Brush.Color;
  WithPainter(device_, painter_, [&](QPainter& p) { detail::PaintRecord(p, r); });
}

void TQPainterCanvas::TextRect(const TRect& clip, int x, int y, std::string_view text) {
  MrText r;
  r.X = x;
  r.Y = y;
  r.Text = std::string(text);
  r.Font = Font;
  r.Opaque = Brush.Style != TBrushStyle::bsClear;
  r.BackColor = Brush.Color;
  r.Clipped = true;
  r.Clip = clip;
  WithPainter(device_, painter_, [&](QPainter& p) { detail::PaintRecord(p, r); });
}

void TQPainterCanvas::Rectangle(int left, int top, int right, int bottom) {
  const TMetaRecord r = MrRectangle{Rect(left, top, right, bottom), Pen, Brush};
  WithPainter(device_, painter_, [&](QPainter& p) { detail::PaintRecord(p, r); });
}

void TQPainterCanvas::Ellipse(int left, int top, int right, int bottom) {
  const TMetaRecord r = MrEllipse{Rect(left, top, right, bottom), Pen, Brush};
  WithPainter(device_, painter_, [&](QPainter& p) { detail::PaintRecord(p, r); });
}

void TQPainterCanvas::Line(int x1, int y1, int x2, int y2) {
  const TMetaRecord r = MrLine{TPoint{x1, y1}, TPoint{x2, y2}, Pen};
  WithPainter(device_, painter_, [&](QPainter& p) { detail::PaintRecord(p, r); });
}

void TQPainterCanvas::FillRect(const TRect& rect) {
  const TMetaRecord r = MrFillRect{rect, Brush};
  WithPainter(device_, painter_, [&](QPainter& p) { detail::PaintRecord(p, r); });
}

void TQPainterCanvas::StretchDraw(const TRect& dest, const TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  // A bitmap drawn onto itself is drawn from a copy of its pixels; any other shares them.
  const bool self = static_cast<const QPaintDevice*>(&bitmap.Image()) == device_;
  const TMetaRecord r =
      MrBitmap{dest, std::make_shared<const QImage>(self ? bitmap.Image().copy() : bitmap.Image())};
  WithPainter(device_, painter_, [&](QPainter& p) { detail::PaintRecord(p, r); });
}

void TQPainterCanvas::Draw(int x, int y, const TMetafile& metafile) {
  WithPainter(device_, painter_, [&](QPainter& p) { PlayMetafile(p, metafile, x, y, 1.0); });
}

}  // namespace oxqr
