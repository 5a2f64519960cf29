#pragma once
// The page metafile: an in-memory list of drawing records in page pixels, what the
// preview stores per page. Recorded through TMetafileCanvas, played back onto any
// TCanvas or QPainter, written as EMF or converted to WMF by MetafileFiles.h.
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include <QImage>

#include "Canvas.h"

class QPainter;

namespace oxqr {

struct MrText {
  int X = 0, Y = 0;
  std::string Text;          // 8-bit ANSI
  TFont Font;
  bool Opaque = false;       // background painted in BackColor
  TColor BackColor = clWhite;
  bool Clipped = false;
  TRect Clip;
};
struct MrRectangle { TRect R; TPen Pen; TBrush Brush; };
struct MrEllipse { TRect R; TPen Pen; TBrush Brush; };
struct MrLine { TPoint From, To; TPen Pen; };
struct MrFillRect { TRect R; TBrush Brush; };
// A picture stretched into Dest; shared so that copies of a page do not copy pixels.
struct MrBitmap { TRect Dest; std::shared_ptr<const QImage> Image; };

using TMetaRecord = std::variant<MrText, MrRectangle, MrEllipse, MrLine, MrFillRect, MrBitmap>;

// The page pixels a text record's measured extent covers: the extent's box turned about
// (X, Y) by the font's orientation, as the smallest upright rectangle around it.
TRect TextBounds(const MrText& text);

// Whether two records draw the same (pictures compared by their pixels).
bool SameRecord(const TMetaRecord& a, const TMetaRecord& b);

class TMetafile {
 public:
  TMetafile() = default;
  TMetafile(int width, int height) : Width(width), Height(height) {}
  int Width = 0;   // pixels
  int Height = 0;  // pixels
  std::vector<TMetaRecord> Records;

  // Our own binary form of the records (used by the prepared-report file).
  void SaveToStream(class TStream& s) const;
  static TMetafile LoadFromStream(class TStream& s);  // throws EInvalidData
  friend bool operator==(const TMetafile&, const TMetafile&);
};

// Records every call as a TMetaRecord appended to `target` (not owned).
class TMetafileCanvas final : public TCanvas {
 public:
  explicit TMetafileCanvas(TMetafile& target) : target_(target) {}
  void TextOut(int x, int y, std::string_view text) override;
  void TextRect(const TRect& clip, int x, int y, std::string_view text) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  void Ellipse(int left, int top, int right, int bottom) override;
  void Line(int x1, int y1, int x2, int y2) override;
  void FillRect(const TRect& r) override;
  void StretchDraw(const TRect& dest, const TBitmap& bitmap) override;
  void Draw(int x, int y, const TMetafile& metafile) override;  // appends translated copies
  using TCanvas::Draw;
  using TCanvas::Rectangle;

 private:
  TMetafile& target_;
};

// Plays `mf` onto a painter: origin at (dx, dy) in painter units, scaled by `scale`
// (1.0 draws one metafile pixel per painter pixel).
void PlayMetafile(QPainter& painter, const TMetafile& mf, double dx = 0, double dy = 0, double scale = 1.0);

}  // namespace oxqr
