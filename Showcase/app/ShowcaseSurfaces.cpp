#include "ShowcaseSurfaces.h"

#include "OxQrCtrls/Barcode.h"
#include "OxQrCtrls/RichText.h"
#include "engine/Report.h"
#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

// Rich text in design state: as much of the text as the control's rectangle holds.
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

// A barcode in design state: the symbol of the data it has now (the first record's).
bool PaintBarcodeControl(const TQRPrintable& control, TCanvas& canvas, const TRect& r) {
  const auto* barcode = dynamic_cast<const TOxQRCustomBarcode*>(&control);
  if (barcode == nullptr) return false;
  const double f = ScreenPPI / 254.0;
  PaintBarcode(canvas, barcode->MakeDrawing(r, f, f), r.Left, r.Top);
  return true;
}

}  // namespace

TQRDesignSurface* MakeShowcaseSurface(TQRCustomReport& report, QWidget* parent) {
  auto* surface = new TQRDesignSurface(report, parent);
  surface->setObjectName(QString::fromStdString(report.Name) + "Surface");
  TQRSurfaceLabel hint;
  hint.Caption = kExportHint;
  hint.Font.Name = "Arial";
  hint.Font.Size = 8;
  hint.Font.Style = TFontStyles{TFontStyle::fsBold, TFontStyle::fsItalic};
  hint.Left = report.Page.NativeLeftMargin;
  // Just above the first band, inside the top margin.
  const double lineHeight = TextExtent(hint.Font, hint.Caption).cy * 254.0 / 96.0;
  hint.Top = std::max(0.0, report.Page.NativeTopMargin - lineHeight - 10.0);
  surface->SurfaceLabels().push_back(hint);
  surface->AddPainter(PaintRichText);
  surface->AddPainter(PaintBarcodeControl);
  return surface;
}

}  // namespace oxqr
