#include "DBChart.h"

#include <cstdio>

#include "ChartApplication.h"
#include "data/DataSet.h"
#include "engine/Printer.h"
#include "platform/TextMetrics.h"
#include "platform/Types.h"

namespace oxqr {

namespace {

int NativeToScreen(double native) {
  return static_cast<int>(RoundHalfEven(native * ScreenPPI / NativePerInch));
}

}  // namespace

std::vector<TPieSlice> TQRDBChart::ReadSlices() const {
  if (DataSet == nullptr) return Slices;
  std::vector<TPieSlice> slices;
  if (!DataSet->Active()) return slices;
  TField& label = DataSet->FieldByName(LabelField);
  TField& value = DataSet->FieldByName(ValueField);
  for (DataSet->First(); !DataSet->Eof(); DataSet->Next()) {
    if (value.IsNull()) continue;
    slices.push_back(TPieSlice{label.AsString(), value.AsFloat()});
  }
  return slices;
}

TQRDBChart::TQRDBChart() {
  // Charts need a QApplication, which must exist before the platform layer creates a
  // plain QGuiApplication for its fonts; a report with a chart is built before it
  // measures any text. Rendering reports the failure if this came too late.
  TryEnsureChartApplication();
}

int TQRDBChart::ScreenWidth() const { return NativeToScreen(Size.Width); }
int TQRDBChart::ScreenHeight() const { return NativeToScreen(Size.Height); }

void TQRDBChart::Print(int OffsetX, int OffsetY) {
  // Unlike text, the chart draws in the export run too: a document filter receives it
  // through WritePicture after it has been drawn, and the run's page store then shows
  // what was exported. Frames follow the engine's rule (final runs only).
  TQRPrinter* printer = ParentPrinter();
  if (printer != nullptr && printer->PrintingPage() != nullptr) {
    const TRect dest = DeviceRect(OffsetX, OffsetY);
    const int w = ScreenWidth();
    const int h = ScreenHeight();
    if (dest.Width() > 0 && dest.Height() > 0 && w > 0 && h > 0) {
      TBitmap picture;
      picture.SetImage(Chart.Render(ReadSlices(), w, h, w * PrintScale, h * PrintScale, Color));
      printer->Canvas().StretchDraw(dest, picture);
    }
  }
  TQRChart::Print(OffsetX, OffsetY);
}

std::unique_ptr<TBitmap> TQRDBChart::ChartBitmap(TColor background) const {
  const int w = ScreenWidth();
  const int h = ScreenHeight();
  auto bitmap = std::make_unique<TBitmap>(w, h);
  if (w > 0 && h > 0) bitmap->SetImage(Chart.Render(ReadSlices(), w, h, w, h, background));
  return bitmap;
}

std::string TQRDBChart::DataDescription() const {
  std::string text = "Pie chart";
  if (!Chart.Title.empty()) text += " " + Chart.Title;
  const std::vector<TPieSlice> slices = ReadSlices();
  for (std::size_t i = 0; i < slices.size(); ++i) {
    char value[32];
    std::snprintf(value, sizeof value, "%g", slices[i].Value);
    text += (i == 0 ? ": " : "; ") + slices[i].Label + " " + value;
  }
  return text;
}

}  // namespace oxqr
