#include "RecordPainter.h"

#include <algorithm>

#include <QPainter>
#include <QPen>

#include "CodePage.h"
#include "TextMetrics.h"

namespace oxqr::detail {
namespace {

Qt::BrushStyle ToQtBrushStyle(TBrushStyle s) {
  switch (s) {
    case TBrushStyle::bsSolid: return Qt::SolidPattern;
    case TBrushStyle::bsClear: return Qt::NoBrush;
    case TBrushStyle::bsHorizontal: return Qt::HorPattern;
    case TBrushStyle::bsVertical: return Qt::VerPattern;
    case TBrushStyle::bsFDiagonal: return Qt::FDiagPattern;
    case TBrushStyle::bsBDiagonal: return Qt::BDiagPattern;
    case TBrushStyle::bsCross: return Qt::CrossPattern;
    case TBrushStyle::bsDiagCross: return Qt::DiagCrossPattern;
  }
  return Qt::SolidPattern;
}

Qt::PenStyle ToQtPenStyle(TPenStyle s) {
  switch (s) {
    case TPenStyle::psSolid:
    case TPenStyle::psInsideFrame: return Qt::SolidLine;
    case TPenStyle::psDash: return Qt::DashLine;
    case TPenStyle::psDot: return Qt::DotLine;
    case TPenStyle::psDashDot: return Qt::DashDotLine;
    case TPenStyle::psDashDotDot: return Qt::DashDotDotLine;
    case TPenStyle::psClear: return Qt::NoPen;
  }
  return Qt::SolidLine;
}

QBrush ToQBrush(const TBrush& b) { return QBrush(ToQColor(b.Color), ToQtBrushStyle(b.Style)); }

bool IsSolidPen(const TPen& p) {
  return p.Style == TPenStyle::psSolid || p.Style == TPenStyle::psInsideFrame;
}

int PenWidth(const TPen& p) { return std::max(1, p.Width); }

QRectF ToQRectF(const TRect& r) { return QRectF(r.Left, r.Top, r.Width(), r.Height()); }

// Normalised so that Left <= Right and Top <= Bottom.
TRect Normalized(TRect r) {
  if (r.Left > r.Right) std::swap(r.Left, r.Right);
  if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
  return r;
}

// A pen outline inside the box: the pixels of the frame lie within Left..Right-1 and
// Top..Bottom-1, as on the drawing device.
void OutlineRect(QPainter& p, const TRect& r, const TPen& pen) {
  const int w = PenWidth(pen);
  if (IsSolidPen(pen)) {
    const QColor c = ToQColor(pen.Color);
    const int wx = std::min(w, (r.Width() + 1) / 2);
    const int wy = std::min(w, (r.Height() + 1) / 2);
    p.fillRect(QRectF(r.Left, r.Top, r.Width(), wy), c);
    p.fillRect(QRectF(r.Left, r.Bottom - wy, r.Width(), wy), c);
    const int side = std::max(0, r.Height() - 2 * wy);
    p.fillRect(QRectF(r.Left, r.Top + wy, wx, side), c);
    p.fillRect(QRectF(r.Right - wx, r.Top + wy, wx, side), c);
    return;
  }
  QPen qp(ToQColor(pen.Color), w, ToQtPenStyle(pen.Style), Qt::FlatCap, Qt::MiterJoin);
  p.setPen(qp);
  p.setBrush(Qt::NoBrush);
  const double h = w / 2.0;
  p.drawRect(QRectF(r.Left + h, r.Top + h, r.Width() - w, r.Height() - w));
}

void PaintRectangle(QPainter& p, const MrRectangle& m) {
  const TRect r = Normalized(m.R);
  if (r.Width() <= 0 || r.Height() <= 0) return;
  if (m.Brush.Style != TBrushStyle::bsClear) p.fillRect(ToQRectF(r), ToQBrush(m.Brush));
  if (m.Pen.Style != TPenStyle::psClear) OutlineRect(p, r, m.Pen);
}

void PaintEllipse(QPainter& p, const MrEllipse& m) {
  const TRect r = Normalized(m.R);
  if (r.Width() <= 0 || r.Height() <= 0) return;
  const bool outline = m.Pen.Style != TPenStyle::psClear;
  const int w = outline ? PenWidth(m.Pen) : 0;
  if (outline)
    p.setPen(QPen(ToQColor(m.Pen.Color), w, ToQtPenStyle(m.Pen.Style), Qt::FlatCap, Qt::MiterJoin));
  else
    p.setPen(Qt::NoPen);
  p.setBrush(m.Brush.Style == TBrushStyle::bsClear ? QBrush(Qt::NoBrush) : ToQBrush(m.Brush));
  // The pen is centred on the path; inset it by half its width so the outline stays in the box.
  const double h = w / 2.0;
  p.drawEllipse(QRectF(r.Left + h, r.Top + h, r.Width() - w, r.Height() - w));
}

void PaintLine(QPainter& p, const MrLine& m) {
  if (m.Pen.Style == TPenStyle::psClear || m.From == m.To) return;
  const int w = PenWidth(m.Pen);
  const int x1 = m.From.X, y1 = m.From.Y, x2 = m.To.X, y2 = m.To.Y;
  if (IsSolidPen(m.Pen) && (x1 == x2 || y1 == y2)) {
    // Axis-aligned: whole pixels from the start up to, not including, the end point,
    // the pen's width centred on the line.
    const QColor c = ToQColor(m.Pen.Color);
    const int off = w / 2;
    if (y1 == y2) {
      const int l = x1 < x2 ? x1 : x2 + 1;
      const int r = x1 < x2 ? x2 : x1 + 1;
      p.fillRect(QRectF(l, y1 - off, r - l, w), c);
    } else {
      const int t = y1 < y2 ? y1 : y2 + 1;
      const int b = y1 < y2 ? y2 : y1 + 1;
      p.fillRect(QRectF(x1 - off, t, w, b - t), c);
    }
    return;
  }
  p.setPen(QPen(ToQColor(m.Pen.Color), w, ToQtPenStyle(m.Pen.Style), Qt::FlatCap, Qt::MiterJoin));
  // Aliased lines cover the pixel to the right of and below each point.
  p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void PaintFillRect(QPainter& p, const MrFillRect& m) {
  const TRect r = Normalized(m.R);
  if (r.Width() <= 0 || r.Height() <= 0 || m.Brush.Style == TBrushStyle::bsClear) return;
  p.fillRect(ToQRectF(r), ToQBrush(m.Brush));
}

void PaintText(QPainter& p, const MrText& m) {
  if (m.Clipped) p.setClipRect(ToQRectF(Normalized(m.Clip)), Qt::IntersectClip);
  const TSize extent = TextExtent(m.Font, m.Text);
  if (m.Opaque) {
    if (m.Clipped || m.Font.Orientation % 3600 == 0) {
      const TRect back = m.Clipped ? Normalized(m.Clip) : Bounds(m.X, m.Y, extent.cx, extent.cy);
      p.fillRect(ToQRectF(back), ToQColor(m.BackColor));
    } else {  // the line's own box, turned with it
      p.save();
      p.translate(m.X, m.Y);
      p.rotate(-m.Font.Orientation / 10.0);
      p.fillRect(QRectF(0, 0, extent.cx, extent.cy), ToQColor(m.BackColor));
      p.restore();
    }
  }
  if (m.Text.empty()) return;
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.setFont(ToQFont(m.Font));
  p.setPen(ToQColor(m.Font.Color));
  if (m.Font.Orientation % 3600 == 0) {
    p.drawText(QPointF(m.X, m.Y + FontAscent(m.Font)), AnsiToQString(m.Text));
    return;
  }
  // A turned line: drawn in its own frame, turned about its reference point (the top-left
  // corner of the line); the clip set above stays in page pixels.
  p.translate(m.X, m.Y);
  p.rotate(-m.Font.Orientation / 10.0);
  p.drawText(QPointF(0, FontAscent(m.Font)), AnsiToQString(m.Text));
}

void PaintBitmap(QPainter& p, const MrBitmap& m) {
  if (!m.Image || m.Image->isNull()) return;
  const TRect r = m.Dest;
  if (r.Width() == 0 || r.Height() == 0) return;
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  p.drawImage(QRectF(r.Left, r.Top, r.Width(), r.Height()), *m.Image);
}

}  // namespace

void PaintRecord(QPainter& painter, const TMetaRecord& record) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  std::visit(
      [&](const auto& r) {
        using T = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<T, MrText>) PaintText(painter, r);
        else if constexpr (std::is_same_v<T, MrRectangle>) PaintRectangle(painter, r);
        else if constexpr (std::is_same_v<T, MrEllipse>) PaintEllipse(painter, r);
        else if constexpr (std::is_same_v<T, MrLine>) PaintLine(painter, r);
        else if constexpr (std::is_same_v<T, MrFillRect>) PaintFillRect(painter, r);
        else if constexpr (std::is_same_v<T, MrBitmap>) PaintBitmap(painter, r);
      },
      record);
  painter.restore();
}

}  // namespace oxqr::detail
