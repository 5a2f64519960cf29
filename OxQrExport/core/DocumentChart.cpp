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
    for (const TChartText& text : Drawing.Texts)
      WriteDrawnText(text.Font, text.Text, Drawing.NativeX(text.Left), Drawing.NativeY(text.Top),
                     Drawing.PixelsPerNativeX, Drawing.PixelsPerNativeY, OffsetX, OffsetY);
  }
  CloseBandIfLast(Control, Continuing);
}

void TOxQRDocumentFilter::WriteDrawnText(const TFont& Font, const std::string& Text, double X, double Y,
                                         double PixelsPerNativeX, double PixelsPerNativeY, int OffsetX,
                                         int OffsetY) {
  TQRLabel label;
  label.Transparent = true;
  label.Font = Font;
  label.Caption = Text;
  const TSize extent = TextExtent(Font, Text);
  label.Size.Left = X - OffsetX;
  label.Size.Top = Y - OffsetY;
  label.Size.Width = extent.cx / PixelsPerNativeX;
  label.Size.Height = extent.cy / PixelsPerNativeY;
  BeginTextBlock(label, OffsetX, OffsetY);
  WriteText(X, Y, Font, clNone, TAlignment::taLeftJustify, Text);
  EndTextBlock(label, OffsetX, OffsetY, false);
}

std::string TOxQRDocumentFilter::RenderChart(const TQRPrintable&, const TChartDrawing&) { return {}; }

}  // namespace oxqr
