#include "ChartReportWindow.h"

#include "ShowcaseSurfaces.h"

namespace oxqr {

TfrmChartReport::TfrmChartReport(const TSampleContext& ctx, QWidget* owner)
    : QWidget(owner, Qt::Window), sample_(MakeChartReport(ctx)) {
  setObjectName("frmChartReport");
  surface_ = MakeShowcaseSurface(sample_->Report(), this);
}

// The main window destroys the moved surface before it frees this window (the surface
// paints QRReport4, which dies with the sample).
TfrmChartReport::~TfrmChartReport() = default;

TQRDesignSurface* TfrmChartReport::Surface() const { return surface_->parent() == this ? surface_ : nullptr; }

}  // namespace oxqr
