// TOxQRDocumentFilter: the barcode hook shared by the document formats.
#include "BarcodeDrawing.h"
#include "DocumentFilter.h"
#include "engine/Controls.h"
#include "platform/TextMetrics.h"

namespace oxqr {

void TOxQRDocumentFilter::WriteBarcode(const TQRPrintable& Control, const TOxQrBarcodeDrawing& Drawing, int OffsetX,
                                       int OffsetY, bool Continuing) {
  if (!PageOpen()) return;
  if (!BandOpen) BeginBand();
  auto writeLine = [&](const TOxQrBarcodeText& line) {
    WriteDrawnText(line.Font, line.Text, Drawing.NativeX(line.Left), Drawing.NativeY(line.Top),
                   Drawing.PixelsPerNativeX, Drawing.PixelsPerNativeY, OffsetX, OffsetY);
  };
  const std::string bars = RenderBarcode(Control, Drawing);
  if (!bars.empty()) {
    AppendToBand(bars);
    for (const auto& line : Drawing.Texts) writeLine(line);
  } else if (!Drawing.Data.empty()) {
    writeLine(TOxQrBarcodeText{0, 0, Drawing.Data, Drawing.DataFont});
  }
  CloseBandIfLast(Control, Continuing);
}

std::string TOxQRDocumentFilter::RenderBarcode(const TQRPrintable&, const TOxQrBarcodeDrawing&) { return {}; }

}  // namespace oxqr
