#include "Metafile.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QPainter>

#include "Bitmap.h"
#include "CanvasRecords.h"
#include "RecordPainter.h"
#include "TextMetrics.h"

namespace oxqr {

TRect TextBounds(const MrText& text) {
  const TSize ext = TextExtent(text.Font, text.Text);
  if (text.Font.Orientation % 3600 == 0) return Bounds(text.X, text.Y, ext.cx, ext.cy);
  // The line runs along (cos, -sin) on the page (y grows downwards), its height along
  // (sin, cos).
  const double a = text.Font.Orientation * std::numbers::pi / 1800.0;
  const double c = std::cos(a), s = std::sin(a);
  const double xs[4] = {0, ext.cx * c, ext.cx * c + ext.cy * s, ext.cy * s};
  const double ys[4] = {0, -ext.cx * s, -ext.cx * s + ext.cy * c, ext.cy * c};
  const auto [xl, xh] = std::minmax_element(std::begin(xs), std::end(xs));
  const auto [yl, yh] = std::minmax_element(std::begin(ys), std::end(ys));
  return TRect{text.X + static_cast<int>(std::lround(*xl)), text.Y + static_cast<int>(std::lround(*yl)),
               text.X + static_cast<int>(std::lround(*xh)), text.Y + static_cast<int>(std::lround(*yh))};
}

void TMetafileCanvas::TextOut(int x, int y, std::string_view text) {
  target_.Records.emplace_back(detail::TextRecord(*this, x, y, text));
}

void TMetafileCanvas::TextRect(const TRect& clip, int x, int y, std::string_view text) {
  target_.Records.emplace_back(detail::TextRecord(*this, x, y, text, clip));
}

void TMetafileCanvas::Rectangle(int left, int top, int right, int bottom) {
  target_.Records.emplace_back(MrRectangle{Rect(left, top, right, bottom), Pen, Brush});
}

void TMetafileCanvas::Ellipse(int left, int top, int right, int bottom) {
  target_.Records.emplace_back(MrEllipse{Rect(left, top, right, bottom), Pen, Brush});
}

void TMetafileCanvas::Line(int x1, int y1, int x2, int y2) {
  target_.Records.emplace_back(MrLine{TPoint{x1, y1}, TPoint{x2, y2}, Pen});
}

void TMetafileCanvas::FillRect(const TRect& r) { target_.Records.emplace_back(MrFillRect{r, Brush}); }

void TMetafileCanvas::StretchDraw(const TRect& dest, const TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  target_.Records.emplace_back(MrBitmap{dest, std::make_shared<const QImage>(bitmap.Image())});
}

namespace {

TRect Moved(TRect r, int dx, int dy) { return TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }
TPoint Moved(TPoint p, int dx, int dy) { return TPoint{p.X + dx, p.Y + dy}; }

TMetaRecord Translated(TMetaRecord rec, int dx, int dy) {
  std::visit(
      [&](auto& r) {
        using T = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<T, MrText>) {
          r.X += dx;
          r.Y += dy;
          r.Clip = Moved(r.Clip, dx, dy);
        } else if constexpr (std::is_same_v<T, MrLine>) {
          r.From = Moved(r.From, dx, dy);
          r.To = Moved(r.To, dx, dy);
        } else if constexpr (std::is_same_v<T, MrBitmap>) {
          r.Dest = Moved(r.Dest, dx, dy);
        } else {
          r.R = Moved(r.R, dx, dy);
        }
      },
      rec);
  return rec;
}

}  // namespace

void TMetafileCanvas::Draw(int x, int y, const TMetafile& metafile) {
  if (&metafile == &target_) {
    // Drawing a page onto itself: copy first, the vector grows while we read it.
    const TMetafile copy = metafile;
    Draw(x, y, copy);
    return;
  }
  target_.Records.reserve(target_.Records.size() + metafile.Records.size());
  for (const TMetaRecord& r : metafile.Records) target_.Records.push_back(Translated(r, x, y));
}

void PlayMetafile(QPainter& painter, const TMetafile& mf, double dx, double dy, double scale) {
  painter.save();
  painter.translate(dx, dy);
  painter.scale(scale, scale);
  for (const TMetaRecord& r : mf.Records) detail::PaintRecord(painter, r);
  painter.restore();
}

}  // namespace oxqr
