#pragma once
// The engine's view of a chart control: a printable that can render its chart into a
// bitmap of its own bounds. The charting library implements it.
#include <memory>
#include <string>

#include "Printable.h"
#include "platform/Bitmap.h"

namespace oxqr {

class TQRChart : public TQRPrintable {
 public:
  // A new bitmap as large as the control in screen pixels showing the chart on `background`.
  virtual std::unique_ptr<TBitmap> ChartBitmap(TColor background) const = 0;
  // The chart's data in words ("Sales by region: North 12; South 30"), for readers that
  // cannot see the picture; empty when the chart cannot say.
  virtual std::string DataDescription() const { return {}; }
};

}  // namespace oxqr
