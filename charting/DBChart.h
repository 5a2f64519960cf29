#pragma once
// TQRDBChart: the report control holding a pie chart fed from a dataset. It prints the
// chart as a picture rendered at three times the screen resolution, so that it stays
// sharp on page pictures and documents, and renders it at screen size for the filters.
#include <memory>
#include <string>
#include <vector>

#include "PieChart.h"
#include "engine/Chart.h"

namespace oxqr {

class TDataSet;

class TQRDBChart : public TQRChart {
 public:
  // Device pixels of the printed picture per screen pixel of the control.
  static constexpr int PrintScale = 3;

  // Makes sure the program can draw charts (see TryEnsureChartApplication).
  TQRDBChart();

  TPieChart Chart;
  // The data: one slice per record of DataSet, labelled by LabelField and sized by
  // ValueField. Without a DataSet the chart shows Slices.
  TDataSet* DataSet = nullptr;
  std::string LabelField;
  std::string ValueField;
  std::vector<TPieSlice> Slices;

  // The slices as they print now: every record of an open DataSet from First to Eof
  // (the cursor ends at Eof), nothing for a closed one, else Slices. Throws
  // EDatabaseError when a named field does not exist.
  std::vector<TPieSlice> ReadSlices() const;

  // The control's size in screen pixels (Native x 96 / 254, rounded).
  int ScreenWidth() const;
  int ScreenHeight() const;

  // Draws the chart into the control's rectangle on the printer's canvas in every run,
  // the export run included (a document filter gets it after it is drawn), then the frame.
  void Print(int OffsetX, int OffsetY) override;
  std::unique_ptr<TBitmap> ChartBitmap(TColor background) const override;
  // "Pie chart <title>: <label> <value>; ..." over the slices as they print now.
  std::string DataDescription() const override;
};

}  // namespace oxqr
