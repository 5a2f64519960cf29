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
  // Each line is a text block of its own label: transparent and in no band, so that it
  // paints no box over the bars and closes no band.
  auto writeLine = [&](const TOxQrBarcodeText& line) {
    TQRLabel label;
    label.Transparent = true;
    label.Font = line.Font;
    label.Caption = line.Text;
    const TSize extent = TextExtent(line.Font, line.Text);
    const double x = Drawing.NativeX(line.Left);
    const double y = Drawing.NativeY(line.Top);
    label.Size.Left = x - OffsetX;
    label.Size.Top = y - OffsetY;
    label.Size.Width = extent.cx / Drawing.PixelsPerNativeX;
    label.Size.Height = extent.cy / Drawing.PixelsPerNativeY;
    BeginTextBlock(label, OffsetX, OffsetY);
    WriteText(x, y, line.Font, clNone, TAlignment::taLeftJustify, line.Text);
    EndTextBlock(label, OffsetX, OffsetY, false);
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
