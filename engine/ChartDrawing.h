#pragma once
// A chart laid out for one print of its control, as vector primitives in device pixels of
// the page: filled rectangles and polygons, lines and texts. The control paints it into the
// page recording (polygons as runs of rectangles, since the canvas has no polygon) and hands
// the same drawing to a document filter, which writes the shapes as vectors (or a picture)
// and the texts as text, so that readers find the axis labels and values.
#include <memory>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Font.h"
#include "platform/Types.h"

namespace oxqr {

class TBitmap;
struct TOxQrRect;

struct TChartShape {
  enum class TKind : std::uint8_t {
    Rect,     // Points[0] top-left, Points[1] bottom-right (exclusive)
    Polygon,  // closed; filled with the even-odd rule
    Line,     // an open polyline through Points
  };
  TKind Kind = TKind::Rect;
  std::vector<TPoint> Points;  // relative to the box's top-left corner
  TColor Fill = clNone;        // clNone: not filled (lines are never filled)
  TColor Stroke = clNone;      // clNone: no outline
  int StrokeWidth = 1;
};

// One line of text; its top-left corner is relative to the box.
struct TChartText {
  int Left = 0;
  int Top = 0;
  std::string Text;  // 8-bit report text
  TFont Font;
};

struct TChartDrawing {
  TRect Box;                    // the control's rectangle on the page, device pixels
  double PixelsPerNativeX = 1;  // the printer's factors when the drawing was made
  double PixelsPerNativeY = 1;
  TColor Background = clNone;   // fills Box; clNone leaves it transparent
  std::vector<TChartShape> Shapes;  // painted in order
  std::vector<TChartText> Texts;    // painted over the shapes
  std::string Description;      // the chart's data in words, for alternative text

  // Box's top-left corner plus (x, y) in Native units of the page.
  double NativeX(int x) const { return (Box.Left + x) / PixelsPerNativeX; }
  double NativeY(int y) const { return (Box.Top + y) / PixelsPerNativeY; }
};

// The rectangles, one pixel high, that fill `polygon` (even-odd rule, pixel centres inside).
std::vector<TRect> PolygonSpans(const std::vector<TPoint>& polygon, int scale = 1);

// Paints the shapes (and, with `texts`, the texts) with Box's top-left corner at (x, y),
// every pixel `scale` times. The canvas' font, pen and brush are given back as found.
void PaintChart(TCanvas& canvas, const TChartDrawing& drawing, int x, int y, int scale = 1, bool texts = true);
// The shapes on white as a picture of Box's size times `scale` (for formats that place
// pictures and write the texts themselves).
std::unique_ptr<TBitmap> ChartShapesBitmap(const TChartDrawing& drawing, int scale);

}  // namespace oxqr
