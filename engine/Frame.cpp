#include "Frame.h"

namespace oxqr {

void TQRFrame::Paint(TCanvas& canvas, const TRect& r) const {
  if (!AnyFrame() || Style == TPenStyle::psClear) return;
  canvas.Pen = TPen{Color, Width < 1 ? 1 : Width, Style};
  // Right and bottom edges are exclusive: those sides sit on the last pixel inside.
  if (DrawTop) canvas.Line(r.Left, r.Top, r.Right, r.Top);
  if (DrawBottom) canvas.Line(r.Left, r.Bottom - 1, r.Right, r.Bottom - 1);
  if (DrawLeft) canvas.Line(r.Left, r.Top, r.Left, r.Bottom);
  if (DrawRight) canvas.Line(r.Right - 1, r.Top, r.Right - 1, r.Bottom);
}

}  // namespace oxqr
