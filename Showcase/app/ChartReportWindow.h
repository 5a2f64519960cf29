#pragma once
// TfrmChartReport: a window that is never shown. It carries the chart report (QRReport4
// with its animals table) and that report's design surface, which the main window moves
// into its "Chart" tab at start.
#include <memory>

#include <QWidget>

#include "Showcase/samples/SampleReports.h"
#include "engine/gui/DesignSurface.h"

namespace oxqr {

class TfrmChartReport final : public QWidget {
 public:
  // Opens the animals table; throws EDatabaseError when it cannot.
  TfrmChartReport(const TSampleContext& ctx, QWidget* owner);
  ~TfrmChartReport() override;

  TQRCustomReport& QRReport4() { return sample_->Report(); }
  // The report's surface while it is still here; nullptr once another parent took it.
  TQRDesignSurface* Surface() const;

 private:
  std::unique_ptr<TSampleReport> sample_;  // QRReport4, tblAnimals
  TQRDesignSurface* surface_;              // child of this window until moved
};

}  // namespace oxqr
