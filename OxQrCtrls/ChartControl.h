#pragma once
// TOxQRChart: the database chart control that, while the report is exported through a
// document filter, hands the chart to the filter as a picture after drawing it.
#include "charting/DBChart.h"
#include "charting/DataChart.h"

namespace oxqr {

class TOxQRChart : public TQRDBChart {
 public:
  void Print(int OffsetX, int OffsetY) override;
};

// TOxQRDataChart: the chart over aggregated values that, while the report is exported
// through a document filter, hands its drawing to the filter (vectors, SVG or a picture,
// with its texts as text).
class TOxQRDataChart : public TQRDataChart {
 protected:
  void Printing(const TChartDrawing& Drawing, int OffsetX, int OffsetY) override;
};

}  // namespace oxqr
