#include "ChartDrawing.h"

#include <algorithm>
#include <cmath>

#include "platform/Bitmap.h"

namespace oxqr {

std::vector<TRect> PolygonSpans(const std::vector<TPoint>& polygon, int scale) {
  std::vector<TRect> spans;
  if (polygon.size() < 3 || scale < 1) return spans;
  int top = polygon[0].Y;
  int bottom = polygon[0].Y;
  for (const TPoint& p : polygon) {
    top = std::min(top, p.Y);
    bottom = std::max(bottom, p.Y);
  }
  std::vector<double> xs;
  for (int row = top * scale; row < bottom * scale; ++row) {
    // The pixel row's centre, in the polygon's units.
    const double y = (row + 0.5) / scale;
    xs.clear();
    for (std::size_t i = 0; i < polygon.size(); ++i) {
      const TPoint& a = polygon[i];
      const TPoint& b = polygon[(i + 1) % polygon.size()];
      if ((a.Y <= y) == (b.Y <= y)) continue;  // the edge does not cross this row
      xs.push_back(a.X + (y - a.Y) * (b.X - a.X) / static_cast<double>(b.Y - a.Y));
    }
    std::sort(xs.begin(), xs.end());
    for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
      const int left = static_cast<int>(std::lround(xs[i] * scale));
      const int right = static_cast<int>(std::lround(xs[i + 1] * scale));
      if (right > left) spans.push_back(Rect(left, row, right, row + 1));
    }
  }
  return spans;
}

void PaintChart(TCanvas& canvas, const TChartDrawing& drawing, int x, int y, int scale, bool texts) {
  const TFont font = canvas.Font;
  const TBrush brush = canvas.Brush;
  const TPen pen = canvas.Pen;
  const auto px = [&](const TPoint& p) { return TPoint{x + p.X * scale, y + p.Y * scale}; };
  canvas.Brush.Style = TBrushStyle::bsSolid;
  if (drawing.Background != clNone) {
    canvas.Brush.Color = drawing.Background;
    canvas.FillRect(Rect(x, y, x + drawing.Box.Width() * scale, y + drawing.Box.Height() * scale));
  }
  for (const TChartShape& s : drawing.Shapes) {
    canvas.Pen = TPen{s.Stroke, std::max(1, s.StrokeWidth * scale), TPenStyle::psSolid};
    switch (s.Kind) {
      case TChartShape::TKind::Rect: {
        if (s.Points.size() < 2) break;
        const TPoint a = px(s.Points[0]);
        const TPoint b = px(s.Points[1]);
        if (s.Fill != clNone) {
          canvas.Brush.Color = s.Fill;
          canvas.FillRect(Rect(a.X, a.Y, b.X, b.Y));
        }
        if (s.Stroke != clNone) {
          canvas.Brush.Style = TBrushStyle::bsClear;
          canvas.Rectangle(a.X, a.Y, b.X, b.Y);
          canvas.Brush.Style = TBrushStyle::bsSolid;
        }
        break;
      }
      case TChartShape::TKind::Polygon:
        if (s.Fill != clNone) {
          canvas.Brush.Color = s.Fill;
          for (const TRect& r : PolygonSpans(s.Points, scale)) canvas.FillRect(Rect(x + r.Left, y + r.Top, x + r.Right, y + r.Bottom));
        }
        if (s.Stroke != clNone && s.Points.size() > 1) {
          for (std::size_t i = 0; i < s.Points.size(); ++i) {
            const TPoint a = px(s.Points[i]);
            const TPoint b = px(s.Points[(i + 1) % s.Points.size()]);
            canvas.Line(a.X, a.Y, b.X, b.Y);
          }
        }
        break;
      case TChartShape::TKind::Line:
        if (s.Stroke == clNone) break;
        for (std::size_t i = 1; i < s.Points.size(); ++i) {
          const TPoint a = px(s.Points[i - 1]);
          const TPoint b = px(s.Points[i]);
          canvas.Line(a.X, a.Y, b.X, b.Y);
        }
        break;
    }
  }
  if (texts) {
    canvas.Brush.Style = TBrushStyle::bsClear;
    for (const TChartText& t : drawing.Texts) {
      canvas.Font = t.Font;
      canvas.Font.Size *= scale;
      canvas.TextOut(x + t.Left * scale, y + t.Top * scale, t.Text);
    }
  }
  canvas.Font = font;
  canvas.Brush = brush;
  canvas.Pen = pen;
}

std::unique_ptr<TBitmap> ChartShapesBitmap(const TChartDrawing& drawing, int scale) {
  auto bitmap = std::make_unique<TBitmap>(drawing.Box.Width() * scale, drawing.Box.Height() * scale);
  bitmap->Canvas().Brush.Color = clWhite;
  bitmap->Canvas().FillRect(Bounds(0, 0, bitmap->Width(), bitmap->Height()));
  PaintChart(bitmap->Canvas(), drawing, 0, 0, scale, false);
  return bitmap;
}

}  // namespace oxqr
