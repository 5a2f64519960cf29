// TOxQRHTMLFilter: barcodes as one inline SVG each (or, on request, a picture file). The
// SVG's units are the page's pixels, so that the browser draws whole modules.
#include "OxQrExport/core/BarcodeDrawing.h"
#include "OxQrExport/core/DocumentFunctions.h"
#include "OxQrExport/html/HtmlFilter.h"
#include "platform/Bitmap.h"

namespace oxqr {

namespace {

// "M<left> <top>h<width>v<height>h-<width>z" for every rectangle.
std::string SvgPath(const std::vector<TRect>& rects) {
  std::string d;
  d.reserve(rects.size() * 24);
  for (const TRect& r : rects) {
    d += "M" + std::to_string(r.Left) + " " + std::to_string(r.Top) + "h" + std::to_string(r.Width()) + "v" +
         std::to_string(r.Height()) + "h-" + std::to_string(r.Width()) + "z";
  }
  return d;
}

}  // namespace

std::string TOxQRHTMLFilter::RenderBarcode(const TQRPrintable& Control, const TOxQrBarcodeDrawing& Drawing) {
  const int w = Drawing.Box.Width();
  const int h = Drawing.Box.Height();
  if (w <= 0 || h <= 0) return {};
  const TOxQrRect rect = MappedRect(Drawing.NativeRect(Bounds(0, 0, w, h)));
  if (QRExportSettings().HTML.BarcodesAsPictures) {
    const auto picture = BarcodeBitmap(Drawing, 1);
    std::string out;
    RenderPicture(Control, picture.get(), out, true, rect);
    return out;
  }
  const std::string size = std::to_string(w) + " " + std::to_string(h);
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + FormatNumber(rect.Width) + "\" height=\"" +
                    FormatNumber(rect.Height) + "\" viewBox=\"0 0 " + size +
                    "\" preserveAspectRatio=\"none\" shape-rendering=\"crispEdges\">";
  if (Drawing.Background != clNone)
    svg += "<rect width=\"" + std::to_string(w) + "\" height=\"" + std::to_string(h) + "\" fill=\"#" +
           RGBHex(Drawing.Background) + "\"/>";
  if (!Drawing.Bars.empty()) svg += "<path fill=\"#" + RGBHex(Drawing.Foreground) + "\" d=\"" + SvgPath(Drawing.Bars) + "\"/>";
  svg += "</svg>";
  return "<DIV STYLE=\"" + PositionPrefix + "top:" + FormatNumber(rect.Top + PageOffset()) +
         "px; left:" + FormatNumber(rect.Left) + "px; width:" + FormatNumber(rect.Width) +
         "px; height:" + FormatNumber(rect.Height) + "px; line-height:0\">" + svg + "</DIV>";
}

}  // namespace oxqr
