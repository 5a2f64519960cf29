#include "Controls.h"
#include "Layout.h"
#include "platform/TextMetrics.h"

namespace oxqr {

int TQRShape::Height() const { return static_cast<int>(RoundHalfEven(Size.Height * ScreenPPI / NativePerInch)); }
int TQRShape::Width() const { return static_cast<int>(RoundHalfEven(Size.Width * ScreenPPI / NativePerInch)); }

void TQRShape::Print(int OffsetX, int OffsetY) {
  if (TCanvas* canvas = FinalCanvas(*this)) {
    const TRect r = DeviceRect(OffsetX, OffsetY);
    canvas->Pen = Pen;
    canvas->Brush = Brush;
    const int midX = (r.Left + r.Right) / 2;
    const int midY = (r.Top + r.Bottom) / 2;
    switch (Shape) {
      case TQRShapeType::qrsRectangle: canvas->Rectangle(r); break;
      case TQRShapeType::qrsCircle: canvas->Ellipse(r.Left, r.Top, r.Right, r.Bottom); break;
      case TQRShapeType::qrsVertLine: canvas->Line(midX, r.Top, midX, r.Bottom); break;
      case TQRShapeType::qrsHorLine: canvas->Line(r.Left, midY, r.Right, midY); break;
      case TQRShapeType::qrsTopAndBottom:
        canvas->Line(r.Left, r.Top, r.Right, r.Top);
        canvas->Line(r.Left, r.Bottom - 1, r.Right, r.Bottom - 1);
        break;
      case TQRShapeType::qrsRightAndLeft:
        canvas->Line(r.Left, r.Top, r.Left, r.Bottom);
        canvas->Line(r.Right - 1, r.Top, r.Right - 1, r.Bottom);
        break;
    }
  }
  TQRPrintable::Print(OffsetX, OffsetY);
}

}  // namespace oxqr
