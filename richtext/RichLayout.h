#pragma once
// Lays out a rich text document with QTextLayout in the fonts that measure and draw report
// text (ToQFont of platform/TextMetrics.h), on a device of given pixels per inch. Offers
// the operations the rich text report control needs: measure how much text from a start
// position fits a rectangle, draw that range onto a canvas, and the lines of a document
// at a width. Positions follow the convention of RichDocument.h.
#include <string>
#include <vector>

#include "RichDocument.h"
#include "platform/Types.h"

namespace oxqr {

class TCanvas;

struct TRichFormatRequest {
  int Start = 0;        // first position to lay out
  TRect Rect;           // target rectangle in twips of the device
  int PpiX = 96;        // device pixels per inch
  int PpiY = 96;
  // Place the first line even when it does not fit, so that a text whose line is taller
  // than any rectangle still makes progress.
  bool AtLeastOneLine = false;
};

// Position after the last character whose line fits the rectangle: lines are placed whole,
// and a line ending a paragraph includes its mark. TextLength() when all the rest fits.
int FormatRange(const TRichDocument& doc, const TRichFormatRequest& request);

// FormatRange of one start position for rectangles of growing height: the lines are laid
// out once, up to `maxHeightTwips`, and each height is then a look-up.
class TRichMeasure {
 public:
  // `request` gives the start, the width and the device; its height is not used.
  TRichMeasure(const TRichDocument& doc, const TRichFormatRequest& request, int maxHeightTwips);
  // FormatRange for a rectangle of `heightTwips` (at most the maximum height).
  int FormatRange(int heightTwips) const;
  int MaxHeightTwips() const { return maxHeightTwips_; }

 private:
  struct TLine {
    double Bottom;  // pixels below the rectangle's top
    int End;
  };
  TRichFormatRequest request_;
  int length_;
  int maxHeightTwips_;
  std::vector<TLine> lines_;
  bool complete_ = false;  // every line is in lines_
};

// Draws what FormatRange places onto `canvas` (device pixels: twips x ppi / 1440) and
// returns the same position. The canvas's font and brush are restored afterwards.
int DrawRange(const TRichDocument& doc, const TRichFormatRequest& request, TCanvas& canvas);

// The text lines of the document as it breaks at `widthPx` pixels on a device of `ppi`;
// one entry per line, empty paragraphs as empty lines, line-break characters removed.
std::vector<std::string> LinesAtWidth(const TRichDocument& doc, int widthPx, int ppi = 96);

}  // namespace oxqr
