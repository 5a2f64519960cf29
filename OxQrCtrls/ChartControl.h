#pragma once
// TOxQRChart: the database chart control that, while the report is exported through a
// document filter, hands the chart to the filter as a picture after drawing it.
#include "charting/DBChart.h"

namespace oxqr {

class TOxQRChart : public TQRDBChart {
 public:
  void Print(int OffsetX, int OffsetY) override;
};

}  // namespace oxqr
