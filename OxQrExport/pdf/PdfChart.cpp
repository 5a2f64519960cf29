// TOxQRPDFFilter: charts as filled rectangles, polygons and stroked lines. A matrix maps the
// box's pixels onto the page, so that the shapes are written in short whole numbers.
#include "OxQrExport/core/DocumentFunctions.h"
#include "OxQrExport/pdf/PdfFilter.h"
#include "OxQrExport/pdf/PdfSyntax.h"
#include "engine/ChartDrawing.h"

namespace oxqr {

namespace {

std::string Point(const TPoint& p) { return std::to_string(p.X) + " " + std::to_string(p.Y); }

// A path through `points` ("x y m x y l ..."), closed when `closed`.
std::string Path(const std::vector<TPoint>& points, bool closed) {
  std::string ops;
  for (std::size_t i = 0; i < points.size(); ++i) ops += "\r\n" + Point(points[i]) + (i == 0 ? " m" : " l");
  if (closed) ops += "\r\nh";
  return ops;
}

std::string ShapeOperators(const TChartShape& s) {
  std::string ops;
  const bool fill = s.Fill != clNone && s.Kind != TChartShape::TKind::Line;
  const bool stroke = s.Stroke != clNone;
  if (!fill && !stroke) return ops;
  if (fill) ops += "\r\n" + ColorToPDF(s.Fill) + " rg";
  if (stroke) ops += "\r\n" + ColorToPDF(s.Stroke) + " RG\r\n" + std::to_string(s.StrokeWidth) + " w";
  switch (s.Kind) {
    case TChartShape::TKind::Rect: {
      if (s.Points.size() < 2) return {};
      const TPoint a = s.Points[0], b = s.Points[1];
      ops += "\r\n" + Point(a) + " " + std::to_string(b.X - a.X) + " " + std::to_string(b.Y - a.Y) + " re";
      break;
    }
    case TChartShape::TKind::Polygon:
      if (s.Points.size() < 3) return {};
      ops += Path(s.Points, true);
      break;
    case TChartShape::TKind::Line:
      if (s.Points.size() < 2) return {};
      ops += Path(s.Points, false);
      return ops + "\r\nS";
  }
  return ops + (fill && stroke ? "\r\nB*" : fill ? "\r\nf*" : "\r\nS");
}

}  // namespace

std::string TOxQRPDFFilter::RenderChart(const TQRPrintable& Control, const TChartDrawing& Drawing) {
  const int w = Drawing.Box.Width();
  const int h = Drawing.Box.Height();
  if (w <= 0 || h <= 0) return {};
  const double left = Drawing.NativeX(0);
  const double top = Drawing.NativeY(0);
  const TOxQrRect box = MappedRect(TOxQrRect{left, top, Drawing.NativeX(w) - left, Drawing.NativeY(h) - top});
  // Pixel (x, y) of the box lies at (Left + x * Width / w, Top - y * Height / h) in points.
  std::string ops = "q\r\n" + pdf::FormatNumber(box.Width / w) + " 0 0 " + pdf::FormatNumber(-box.Height / h) + " " +
                    pdf::FormatNumber(box.Left) + " " + pdf::FormatNumber(box.Top) + " cm\r\n1 J 1 j";
  if (Drawing.Background != clNone)
    ops += "\r\n" + ColorToPDF(Drawing.Background) + " rg\r\n0 0 " + std::to_string(w) + " " + std::to_string(h) + " re\r\nf";
  for (const TChartShape& s : Drawing.Shapes) ops += ShapeOperators(s);
  ops += "\r\nQ";
  if (Conformance) ops = Conformance->Figure(Control, ops, Drawing.Description);
  return ops;
}

}  // namespace oxqr
