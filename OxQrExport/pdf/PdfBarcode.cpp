// TOxQRPDFFilter: barcodes as filled rectangles, so that every bar is an exact vector.
#include "OxQrExport/core/BarcodeDrawing.h"
#include "OxQrExport/core/DocumentFunctions.h"
#include "OxQrExport/pdf/PdfFilter.h"
#include "OxQrExport/pdf/PdfSyntax.h"

namespace oxqr {

std::string TOxQRPDFFilter::RenderBarcode(const TQRPrintable&, const TOxQrBarcodeDrawing& Drawing) {
  std::string ops = "q";
  // One path of rectangles per colour, filled once.
  auto fill = [&](TColor color, const auto& rects) {
    ops += "\r\n" + ColorToPDF(color) + " rg";
    for (const TRect& r : rects) {
      const TOxQrRect m = MappedRect(Drawing.NativeRect(r));
      ops += "\r\n" + pdf::FormatNumber(m.Left) + " " + pdf::FormatNumber(m.Top - m.Height) + " " +
             pdf::FormatNumber(m.Width) + " " + pdf::FormatNumber(m.Height) + " re";
    }
    ops += "\r\nf";
  };
  if (Drawing.Background != clNone) fill(Drawing.Background, std::vector{Bounds(0, 0, Drawing.Box.Width(), Drawing.Box.Height())});
  if (!Drawing.Bars.empty()) fill(Drawing.Foreground, Drawing.Bars);
  return ops + "\r\nQ";
}

}  // namespace oxqr
