#include "OxQrCtrls/gui/ControlPainters.h"

#include "OxQrCtrls/Barcode.h"
#include "OxQrCtrls/RichText.h"
#include "OxQrExport/core/BarcodeDrawing.h"
#include "platform/TextMetrics.h"

namespace oxqr {

namespace {

// Rich text while designing: as much of the text as the control's rectangle holds.
bool PaintRichText(const TQRPrintable& control, TCanvas& canvas, const TRect& r) {
  const auto* rich = dynamic_cast<const TOxQRCustomRichText*>(&control);
  if (rich == nullptr) return false;
  canvas.Brush = TBrush{rich->GetColor(), TBrushStyle::bsSolid};
  canvas.FillRect(r);
  TRichFormatRequest request;
  request.Rect = Rect(r.Left * 15, r.Top * 15, r.Right * 15, r.Bottom * 15);  // twips at 96 ppi
  request.AtLeastOneLine = true;
  rich->Editor().DrawRange(request, canvas);
  return true;
}

// A barcode while designing: the symbol of the data it holds now (the first record's).
bool PaintBarcodeControl(const TQRPrintable& control, TCanvas& canvas, const TRect& r) {
  const auto* barcode = dynamic_cast<const TOxQRCustomBarcode*>(&control);
  if (barcode == nullptr) return false;
  const double f = ScreenPPI / 254.0;
  PaintBarcode(canvas, barcode->MakeDrawing(r, f, f), r.Left, r.Top);
  return true;
}

}  // namespace

void AddControlPainters(TQRDesignSurface& surface) {
  surface.AddPainter(PaintRichText);
  surface.AddPainter(PaintBarcodeControl);
}

}  // namespace oxqr
