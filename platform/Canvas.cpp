#include "Canvas.h"

#include <QPainter>

#include "Bitmap.h"
#include "CanvasRecords.h"
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

void Paint(QPaintDevice* device, QPainter* given, const TMetaRecord& record) {
  WithPainter(device, given, [&](QPainter& p) { detail::PaintRecord(p, record); });
}

}  // namespace

void TQPainterCanvas::TextOut(int x, int y, std::string_view text) {
  Paint(device_, painter_, detail::TextRecord(*this, x, y, text));
}

void TQPainterCanvas::TextRect(const TRect& clip, int x, int y, std::string_view text) {
  Paint(device_, painter_, detail::TextRecord(*this, x, y, text, clip));
}

void TQPainterCanvas::Rectangle(int left, int top, int right, int bottom) {
  Paint(device_, painter_, MrRectangle{Rect(left, top, right, bottom), Pen, Brush});
}

void TQPainterCanvas::Ellipse(int left, int top, int right, int bottom) {
  Paint(device_, painter_, MrEllipse{Rect(left, top, right, bottom), Pen, Brush});
}

void TQPainterCanvas::Line(int x1, int y1, int x2, int y2) {
  Paint(device_, painter_, MrLine{TPoint{x1, y1}, TPoint{x2, y2}, Pen});
}

void TQPainterCanvas::FillRect(const TRect& rect) {
  Paint(device_, painter_, MrFillRect{rect, Brush});
}

void TQPainterCanvas::StretchDraw(const TRect& dest, const TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  // A bitmap drawn onto itself is drawn from a copy of its pixels; any other shares them.
  const bool self = static_cast<const QPaintDevice*>(&bitmap.Image()) == device_;
  Paint(device_, painter_,
        MrBitmap{dest, std::make_shared<const QImage>(self ? bitmap.Image().copy() : bitmap.Image())});
}

void TQPainterCanvas::Draw(int x, int y, const TMetafile& metafile) {
  WithPainter(device_, painter_, [&](QPainter& p) { PlayMetafile(p, metafile, x, y, 1.0); });
}

}  // namespace oxqr
