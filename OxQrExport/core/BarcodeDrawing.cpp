#include "BarcodeDrawing.h"

#include "platform/Bitmap.h"

namespace oxqr {

TOxQrRect TOxQrBarcodeDrawing::NativeRect(const TRect& r) const {
  const double left = NativeX(r.Left);
  const double top = NativeY(r.Top);
  return TOxQrRect{left, top, NativeX(r.Right) - left, NativeY(r.Bottom) - top};
}

void PaintBarcode(TCanvas& canvas, const TOxQrBarcodeDrawing& drawing, int x, int y, int scale) {
  // The canvas's state is the next control's starting point: it is given back as found.
  const TFont font = canvas.Font;
  const TBrush brush = canvas.Brush;
  auto scaled = [&](const TRect& r) {
    return Rect(x + r.Left * scale, y + r.Top * scale, x + r.Right * scale, y + r.Bottom * scale);
  };
  canvas.Brush.Style = TBrushStyle::bsSolid;
  if (drawing.Background != clNone) {
    canvas.Brush.Color = drawing.Background;
    canvas.FillRect(scaled(Bounds(0, 0, drawing.Box.Width(), drawing.Box.Height())));
  }
  canvas.Brush.Color = drawing.Foreground;
  for (const TRect& bar : drawing.Bars) canvas.FillRect(scaled(bar));
  canvas.Brush.Style = TBrushStyle::bsClear;
  for (const auto& text : drawing.Texts) {
    canvas.Font = text.Font;
    canvas.Font.Size *= scale;
    canvas.TextOut(x + text.Left * scale, y + text.Top * scale, text.Text);
  }
  canvas.Font = font;
  canvas.Brush = brush;
}

std::unique_ptr<TBitmap> BarcodeBitmap(const TOxQrBarcodeDrawing& drawing, int scale) {
  auto bitmap = std::make_unique<TBitmap>(drawing.Box.Width() * scale, drawing.Box.Height() * scale);
  bitmap->Canvas().Brush.Color = clWhite;
  bitmap->Canvas().FillRect(Bounds(0, 0, bitmap->Width(), bitmap->Height()));
  PaintBarcode(bitmap->Canvas(), drawing, 0, 0, scale);
  return bitmap;
}

}  // namespace oxqr
