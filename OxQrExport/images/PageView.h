#pragma once
// Switches a report to Pixels at 100 % while a page is rendered and restores its Units
// and Zoom when the scope ends, on every path.
#include "engine/Report.h"

namespace oxqr {

class TPageView {
 public:
  explicit TPageView(TQRCustomReport& report) : report_(report), units_(report.Units()), zoom_(report.Zoom()) {
    report_.SetUnits(TQRUnit::Pixels);
    report_.SetZoom(100);
  }
  ~TPageView() {
    report_.SetUnits(units_);
    report_.SetZoom(zoom_);
  }
  TPageView(const TPageView&) = delete;
  TPageView& operator=(const TPageView&) = delete;

 private:
  TQRCustomReport& report_;
  const TQRUnit units_;
  const int zoom_;
};

}  // namespace oxqr
