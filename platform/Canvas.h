#pragma once
// TCanvas: the one drawing interface. Implementations: the recording canvas of a page
// metafile (TMetafileCanvas) and the raster canvas of a bitmap (TQPainterCanvas).
// Coordinates are device pixels; the current Font, Pen and Brush apply to every call.
#include <string>
#include <string_view>

#include "Color.h"
#include "Font.h"
#include "Types.h"

namespace oxqr {

class TBitmap;
class TMetafile;

enum class TPenStyle : std::uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

enum class TBrushStyle : std::uint8_t {
  bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross
};

struct TPen {
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = TPenStyle::psSolid;
  friend bool operator==(const TPen&, const TPen&) = default;
};

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = TBrushStyle::bsSolid;
  friend bool operator==(const TBrush&, const TBrush&) = default;
};

class TCanvas {
 public:
  virtual ~TCanvas() = default;

  TFont Font;
  TPen Pen;
  TBrush Brush;

  // Text with its top-left corner at (x, y); the background is painted in Brush.Color
  // unless Brush.Style is bsClear.
  virtual void TextOut(int x, int y, std::string_view text) = 0;
  // As TextOut, clipped to `clip`.
  virtual void TextRect(const TRect& clip, int x, int y, std::string_view text) = 0;
  // Outlined with Pen (unless psClear) and filled with Brush (unless bsClear);
  // the right and bottom edges are exclusive as on the platform's device.
  virtual void Rectangle(int left, int top, int right, int bottom) = 0;
  virtual void Ellipse(int left, int top, int right, int bottom) = 0;
  // A line from (x1, y1) to (x2, y2) in Pen, the end point excluded.
  virtual void Line(int x1, int y1, int x2, int y2) = 0;
  // Fills with Brush, no outline.
  virtual void FillRect(const TRect& r) = 0;
  // Draws `bitmap` scaled into `dest`.
  virtual void StretchDraw(const TRect& dest, const TBitmap& bitmap) = 0;
  // Plays a recorded page with its origin at (x, y), at its own size.
  virtual void Draw(int x, int y, const TMetafile& metafile) = 0;

  void Draw(int x, int y, const TBitmap& bitmap);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
};

}  // namespace oxqr
