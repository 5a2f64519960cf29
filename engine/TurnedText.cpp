// Text controls turned by a quarter turn or a half turn: the lines keep the control's box
// and run along the turned direction inside it, each drawn and exported at its turned start
// (the corner that is the top-left of the line before it is turned).
#include <algorithm>
#include <cmath>

#include "Controls.h"
#include "ExportFilter.h"
#include "Layout.h"
#include "Printer.h"
#include "Report.h"
#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

// The box as the turned text sees it: lines start at Origin and run along (AlongX, AlongY);
// the next line lies along (AcrossX, AcrossY). Length is the box's extent along the lines,
// Depth across them. Native units, y downwards.
struct TTurnedFrame {
  double OriginX = 0, OriginY = 0;
  int AlongX = 1, AlongY = 0;
  int AcrossX = 0, AcrossY = 1;
  double Length = 0, Depth = 0;

  double PageX(double along, double across) const { return OriginX + along * AlongX + across * AcrossX; }
  double PageY(double along, double across) const { return OriginY + along * AlongY + across * AcrossY; }
};

TTurnedFrame FrameOf(int rotation, double left, double top, double width, double height) {
  switch (rotation) {
    case 90: return {left, top + height, 0, -1, 1, 0, height, width};
    case 180: return {left + width, top + height, -1, 0, 0, -1, width, height};
    case 270: return {left + width, top, 0, 1, -1, 0, height, width};
    default: return {left, top, 1, 0, 0, 1, width, height};
  }
}

// Where a line of `width` starts along the frame for the alignment.
double AlongStart(TAlignment a, double length, double width) {
  return a == TAlignment::taRightJustify ? length - width : a == TAlignment::taCenter ? (length - width) / 2 : 0;
}

TFont TurnedFont(const TFont& font, int rotation) {
  TFont f = font;
  f.Orientation = rotation * 10;
  return f;
}

}  // namespace

void TQRCustomLabel::DrawTurnedLines(TCanvas& canvas, const TQRPrinter& printer, std::span<const std::string> lines,
                                     int OffsetX, int OffsetY) const {
  const double factor = printer.VerticalFactor();
  const double lineHeight = TextExtent(Font, "W").cy / factor;
  const double left = OffsetX + Size.Left;
  const double top = OffsetY + Size.Top;
  const TRect box = NativeToDevice(&printer, left, top, Size.Width, Size.Height);
  if (!Transparent) {
    canvas.Brush = TBrush{Color, TBrushStyle::bsSolid};
    canvas.FillRect(box);
  }
  canvas.Font = TurnedFont(Font, Rotation);
  canvas.Brush.Style = TBrushStyle::bsClear;
  const TTurnedFrame frame = FrameOf(Rotation, left, top, Size.Width, Size.Height);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const double along = AlongStart(Alignment, frame.Length, TextExtent(Font, lines[i]).cx / factor);
    const double across = static_cast<double>(i) * lineHeight;
    canvas.TextRect(box, printer.ToDeviceX(frame.PageX(along, across)), printer.ToDeviceY(frame.PageY(along, across)),
                    lines[i]);
  }
  Frame.Paint(canvas, box);
}

void TQRCustomLabel::WriteTurnedLines(const TQRPrinter& printer, std::span<const std::string> lines, int OffsetX,
                                      int OffsetY) const {
  const double factor = printer.VerticalFactor();
  const double lineHeight = TextExtent(Font, "W").cy / factor;
  const double left = OffsetX + Size.Left;
  const double top = OffsetY + Size.Top;
  TQRExportFilter* filter = OwnerReport()->ActiveFilter();
  filter->TextClipLeft = left;
  filter->TextClipRight = left + Size.Width;
  filter->TextClipTop = top;
  filter->TextClipBottom = top + Size.Height;
  const TFont font = TurnedFont(Font, Rotation);
  const TTurnedFrame frame = FrameOf(Rotation, left, top, Size.Width, Size.Height);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const double along = AlongStart(Alignment, frame.Length, TextExtent(Font, lines[i]).cx / factor);
    const double across = static_cast<double>(i) * lineHeight;
    filter->WriteText(frame.PageX(along, across), frame.PageY(along, across), font, Color,
                      TAlignment::taLeftJustify, lines[i]);
  }
  filter->TextClipLeft = filter->TextClipRight = filter->TextClipTop = filter->TextClipBottom = 0;
}

}  // namespace oxqr
