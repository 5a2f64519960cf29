// TOxQRPDFFilter: barcodes as filled rectangles, so that every bar is an exact vector. A
// matrix maps the box's pixels onto the page, so that the many rectangles of a symbol are
// written in short whole numbers.
#include "OxQrExport/core/BarcodeDrawing.h"
#include "OxQrExport/core/DocumentFunctions.h"
#include "OxQrExport/pdf/PdfFilter.h"
#include "OxQrExport/pdf/PdfSyntax.h"

namespace oxqr {

std::string TOxQRPDFFilter::RenderBarcode(const TQRPrintable& Control, const TOxQrBarcodeDrawing& Drawing) {
  std::string ops = BarcodeOperators(Drawing);
  // A barcode with nothing to encode shows only its background: decoration, not a figure.
  if (Conformance)
    ops = Drawing.Data.empty() ? Conformance->Artifact(ops)
                               : Conformance->Figure(Control, ops, pdf::TConformanceWriter::BarcodeAlt(Drawing));
  return ops;
}

std::string TOxQRPDFFilter::BarcodeOperators(const TOxQrBarcodeDrawing& Drawing) {
  const int w = Drawing.Box.Width();
  const int h = Drawing.Box.Height();
  if (w <= 0 || h <= 0) return {};
  const TOxQrRect box = MappedRect(Drawing.NativeRect(Bounds(0, 0, w, h)));
  // Pixel (x, y) of the box lies at (Left + x * Width / w, Top - y * Height / h) in points.
  std::string ops = "q\r\n" + pdf::FormatNumber(box.Width / w) + " 0 0 " + pdf::FormatNumber(-box.Height / h) + " " +
                    pdf::FormatNumber(box.Left) + " " + pdf::FormatNumber(box.Top) + " cm";
  auto fill = [&](TColor color, const auto& rects) {
    ops += "\r\n" + ColorToPDF(color) + " rg";
    for (const TRect& r : rects) {
      ops += "\r\n" + std::to_string(r.Left) + " " + std::to_string(r.Top) + " " + std::to_string(r.Width()) + " " +
             std::to_string(r.Height()) + " re";
    }
    ops += "\r\nf";
  };
  if (Drawing.Background != clNone) fill(Drawing.Background, std::vector{Bounds(0, 0, w, h)});
  if (!Drawing.Bars.empty()) fill(Drawing.Foreground, Drawing.Bars);
  return ops + "\r\nQ";
}

}  // namespace oxqr
