#pragma once
// TQRFrame: the frame of a report, band or control; also used free-standing by filters.
#include "platform/Canvas.h"

namespace oxqr {

class TQRFrame {
 public:
  TColor Color = clBlack;
  bool DrawTop = false;
  bool DrawBottom = false;
  bool DrawLeft = false;
  bool DrawRight = false;
  TPenStyle Style = TPenStyle::psSolid;
  int Width = 1;  // pixels

  // True when at least one side is drawn.
  bool AnyFrame() const { return DrawTop || DrawBottom || DrawLeft || DrawRight; }
  void SetAll(bool on) { DrawTop = DrawBottom = DrawLeft = DrawRight = on; }
  // Draws the set sides on `canvas` around the device rectangle `r`.
  void Paint(TCanvas& canvas, const TRect& r) const;
  friend bool operator==(const TQRFrame&, const TQRFrame&) = default;
};

}  // namespace oxqr
