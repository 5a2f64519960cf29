#include "DataChart.h"

#include "engine/EngineTypes.h"
#include "engine/Layout.h"
#include "engine/Printer.h"
#include "platform/Bitmap.h"
#include "platform/Metafile.h"
#include "platform/TextMetrics.h"

namespace oxqr {

TChartDrawing TQRDataChart::MakeDrawing(const TRect& box, double pixelsPerNativeX, double pixelsPerNativeY) const {
  return MakeDrawing(CurrentData(), box, pixelsPerNativeX, pixelsPerNativeY);
}

TChartDrawing TQRDataChart::MakeDrawing(const TChartData& data, const TRect& box, double pixelsPerNativeX,
                                        double pixelsPerNativeY) const {
  TChartDrawing d = LayOutChart(Look, data, box.Width(), box.Height());
  d.Box = box;
  d.PixelsPerNativeX = pixelsPerNativeX;
  d.PixelsPerNativeY = pixelsPerNativeY;
  return d;
}

void TQRDataChart::Print(int OffsetX, int OffsetY) {
  if (Enabled) {
    TQRPrinter* printer = ParentPrinter();
    const double f = ScreenPPI / NativePerInch;
    const TChartDrawing d = MakeDrawing(DeviceRect(OffsetX, OffsetY), printer ? printer->HorizontalFactor() : f,
                                        printer ? printer->VerticalFactor() : f);
    Printing(d, OffsetX, OffsetY);
    if (TCanvas* canvas = FinalCanvas(*this)) {
      TMetafile* page = printer != nullptr ? printer->PrintingPage() : nullptr;
      const std::size_t first = page != nullptr ? page->Records.size() : 0;
      PaintChart(*canvas, d, d.Box.Left, d.Box.Top);
      if (Painted && page != nullptr) Painted(d, first);
    }
  }
  TQRChart::Print(OffsetX, OffsetY);
}

std::unique_ptr<TBitmap> TQRDataChart::ChartBitmap(TColor background) const {
  const double f = ScreenPPI / NativePerInch;
  TChartDrawing d = MakeDrawing(Bounds(0, 0, static_cast<int>(RoundHalfEven(Size.Width * f)),
                                       static_cast<int>(RoundHalfEven(Size.Height * f))), f, f);
  auto bitmap = std::make_unique<TBitmap>(d.Box.Width(), d.Box.Height());
  bitmap->Canvas().Brush.Color = background;
  bitmap->Canvas().FillRect(Bounds(0, 0, bitmap->Width(), bitmap->Height()));
  PaintChart(bitmap->Canvas(), d, 0, 0);
  return bitmap;
}

std::string TQRDataChart::DataDescription() const { return LayOutChart(Look, CurrentData(), 0, 0).Description; }

}  // namespace oxqr
