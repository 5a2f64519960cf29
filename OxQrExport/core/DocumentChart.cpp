// TOxQRDocumentFilter: the chart hook shared by the document formats.
#include "DocumentFilter.h"
#include "engine/ChartDrawing.h"
#include "engine/Controls.h"
#include "platform/TextMetrics.h"

namespace oxqr {

void TOxQRDocumentFilter::WriteChart(const TQRPrintable& Control, const TChartDrawing& Drawing, int OffsetX,
                                     int OffsetY, bool Continuing) {
  if (!PageOpen()) return;
  if (!BandOpen) BeginBand();
  const std::string shapes = RenderChart(Control, Drawing);
  if (!shapes.empty()) {
    AppendToBand(shapes);
    // Each text is a text block of its own label: transparent and in no band, so that it
    // paints no box over the shapes and closes no band.
    for (const TChartText& text : Drawing.Texts) {
      TQRLabel label;
      label.Transparent = true;
      label.Font = text.Font;
      label.Caption = text.Text;
      const TSize extent = TextExtent(text.Font, text.Text);
      const double x = Drawing.NativeX(text.Left);
      const double y = Drawing.NativeY(text.Top);
      label.Size.Left = x - OffsetX;
      label.Size.Top = y - OffsetY;
      label.Size.Width = extent.cx / Drawing.PixelsPerNativeX;
      label.Size.Height = extent.cy / Drawing.PixelsPerNativeY;
      BeginTextBlock(label, OffsetX, OffsetY);
      WriteText(x, y, text.Font, clNone, TAlignment::taLeftJustify, text.Text);
      EndTextBlock(label, OffsetX, OffsetY, false);
    }
  }
  CloseBandIfLast(Control, Continuing);
}

std::string TOxQRDocumentFilter::RenderChart(const TQRPrintable&, const TChartDrawing&) { return {}; }

}  // namespace oxqr
