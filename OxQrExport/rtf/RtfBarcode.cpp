// TOxQRRTFFilter: barcodes as pictures. Drawn at four times the page's pixels, every module
// stays a block of whole pixels when a reader scales the picture back to the box.
#include "OxQrExport/core/BarcodeDrawing.h"
#include "OxQrExport/rtf/RtfFilter.h"
#include "platform/Bitmap.h"

namespace oxqr {

std::string TOxQRRTFFilter::RenderBarcode(const TQRPrintable&, const TOxQrBarcodeDrawing& Drawing) {
  if (!QRExportSettings().RTF.ExportImages || Drawing.Box.Width() <= 0 || Drawing.Box.Height() <= 0) return {};
  constexpr int kScale = 4;
  const auto picture = BarcodeBitmap(Drawing, kScale);
  const TOxQrRect rect = MappedRect(Drawing.NativeRect(Bounds(0, 0, Drawing.Box.Width(), Drawing.Box.Height())));
  return PictureGroup(*picture, rect, Drawing.Box.Height(), Drawing.Box.Width(), false, nullptr);
}

}  // namespace oxqr
