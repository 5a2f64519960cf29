#include "ShowcaseSurfaces.h"

#include "OxQrCtrls/gui/ControlPainters.h"
#include "engine/Report.h"
#include "platform/TextMetrics.h"

namespace oxqr {

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
  AddControlPainters(*surface);
  return surface;
}

}  // namespace oxqr
