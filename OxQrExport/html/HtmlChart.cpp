// TOxQRHTMLFilter: charts as one inline SVG each. The SVG's units are the page's pixels, so
// that the browser draws the shapes where the page picture has them.
#include "OxQrExport/core/DocumentFunctions.h"
#include "OxQrExport/html/HtmlFilter.h"
#include "OxQrExport/html/HtmlMarkup.h"
#include "engine/ChartDrawing.h"

namespace oxqr {

namespace {

std::string Points(const std::vector<TPoint>& points) {
  std::string out;
  for (const TPoint& p : points) out += (out.empty() ? "" : " ") + std::to_string(p.X) + "," + std::to_string(p.Y);
  return out;
}

std::string Paint(const TChartShape& s) {
  std::string a = " fill=\"" + (s.Fill != clNone && s.Kind != TChartShape::TKind::Line ? "#" + RGBHex(s.Fill) : "none") + "\"";
  if (s.Stroke != clNone) a += " stroke=\"#" + RGBHex(s.Stroke) + "\" stroke-width=\"" + std::to_string(s.StrokeWidth) + "\"";
  return a;
}

std::string ShapeElement(const TChartShape& s) {
  if (s.Fill == clNone && s.Stroke == clNone) return {};
  switch (s.Kind) {
    case TChartShape::TKind::Rect: {
      if (s.Points.size() < 2) return {};
      const TPoint a = s.Points[0], b = s.Points[1];
      return "<rect x=\"" + std::to_string(a.X) + "\" y=\"" + std::to_string(a.Y) + "\" width=\"" +
             std::to_string(b.X - a.X) + "\" height=\"" + std::to_string(b.Y - a.Y) + "\"" + Paint(s) + "/>";
    }
    case TChartShape::TKind::Polygon:
      if (s.Points.size() < 3) return {};
      return "<polygon fill-rule=\"evenodd\" points=\"" + Points(s.Points) + "\"" + Paint(s) + "/>";
    case TChartShape::TKind::Line:
      if (s.Points.size() < 2 || s.Stroke == clNone) return {};
      return "<polyline points=\"" + Points(s.Points) + "\"" + Paint(s) + " stroke-linejoin=\"round\"/>";
  }
  return {};
}

}  // namespace

std::string TOxQRHTMLFilter::RenderChart(const TQRPrintable&, const TChartDrawing& Drawing) {
  const int w = Drawing.Box.Width();
  const int h = Drawing.Box.Height();
  if (w <= 0 || h <= 0) return {};
  const double left = Drawing.NativeX(0);
  const double top = Drawing.NativeY(0);
  const TOxQrRect rect = MappedRect(TOxQrRect{left, top, Drawing.NativeX(w) - left, Drawing.NativeY(h) - top});
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + FormatNumber(rect.Width) + "\" height=\"" +
                    FormatNumber(rect.Height) + "\" viewBox=\"0 0 " + std::to_string(w) + " " + std::to_string(h) +
                    "\" preserveAspectRatio=\"none\">";
  if (!Drawing.Description.empty()) svg += "<title>" + html::EscapeMarkup(Drawing.Description) + "</title>";
  if (Drawing.Background != clNone)
    svg += "<rect width=\"" + std::to_string(w) + "\" height=\"" + std::to_string(h) + "\" fill=\"#" +
           RGBHex(Drawing.Background) + "\"/>";
  for (const TChartShape& s : Drawing.Shapes) svg += ShapeElement(s);
  svg += "</svg>";
  return "<DIV STYLE=\"" + PositionPrefix + "top:" + FormatNumber(rect.Top + PageOffset()) +
         "px; left:" + FormatNumber(rect.Left) + "px; width:" + FormatNumber(rect.Width) +
         "px; height:" + FormatNumber(rect.Height) + "px; line-height:0\">" + svg + "</DIV>";
}

}  // namespace oxqr
