#pragma once
// TQRDataChart: the report control of a bar, line, area or pie chart over values that the
// report aggregates while it prints (see TChartData). It draws vector primitives into the
// page, so that every format that keeps vectors shows it sharp.
#include <functional>
#include <string>

#include "ChartLayout.h"
#include "engine/Chart.h"

namespace oxqr {

class TDataSet;

class TQRDataChart : public TQRChart {
 public:
  TChartLook Look;
  // The values as they stand when the chart prints; without a provider, Data.
  std::function<const TChartData&()> DataProvider;
  TChartData Data;

  // What the definition wrote, kept so that it can be written back: the dataset and the
  // expressions of the categories, the values (with their aggregate), the series and the
  // order of text categories.
  TDataSet* DataSet = nullptr;
  std::string DataSetName;
  std::string CategorySource;
  std::string ValueSource;
  std::string SeriesSource;
  std::string SortSource;

  // Called after the chart was painted into the page being recorded, with the drawing and
  // the index of its first record on that page (a chart printed before its records is
  // drawn again there once they are known).
  std::function<void(const TChartDrawing&, std::size_t firstRecord)> Painted;

  const TChartData& CurrentData() const { return DataProvider ? DataProvider() : Data; }
  // `data` laid out in the device rectangle `box` (what MakeDrawing does with CurrentData).
  TChartDrawing MakeDrawing(const TChartData& data, const TRect& box, double pixelsPerNativeX,
                            double pixelsPerNativeY) const;
  // The chart laid out in the device rectangle `box` of a printer with these factors.
  TChartDrawing MakeDrawing(const TRect& box, double pixelsPerNativeX, double pixelsPerNativeY) const;

  void Print(int OffsetX, int OffsetY) override;
  std::unique_ptr<TBitmap> ChartBitmap(TColor background) const override;
  std::string DataDescription() const override;

 protected:
  // Called with the drawing of each print before it is painted (an export-aware chart
  // hands it to the document filter); the base does nothing.
  virtual void Printing(const TChartDrawing&, int /*OffsetX*/, int /*OffsetY*/) {}
};

}  // namespace oxqr
