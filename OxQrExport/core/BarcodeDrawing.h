#pragma once
// A barcode laid out for one print of its control: bars in whole device pixels of the
// page, the human-readable text lines and the encoded data. The control records it in
// the page metafile and hands the same drawing to a document filter, which writes the
// bars as vectors, as a picture or, in text formats, the data as text.
#include <memory>
#include <string>
#include <vector>

#include "OxQrExport/core/ExportFilterBase.h"
#include "platform/Canvas.h"
#include "platform/Font.h"
#include "platform/Types.h"

namespace oxqr {

class TBitmap;

// One line of human-readable text; its top-left corner is relative to the box.
struct TOxQrBarcodeText {
  int Left = 0;
  int Top = 0;
  std::string Text;
  TFont Font;
};

struct TOxQrBarcodeDrawing {
  TRect Box;                    // the control's rectangle on the page, device pixels
  double PixelsPerNativeX = 1;  // the printer's factors when the drawing was made
  double PixelsPerNativeY = 1;
  TColor Background = clWhite;  // fills Box; clNone leaves it transparent
  TColor Foreground = clBlack;
  std::vector<TRect> Bars;      // relative to Box's top-left corner; horizontal runs for 2D symbols
  std::vector<TOxQrBarcodeText> Texts;
  std::string Data;             // the data encoded (empty when nothing was)
  std::string Symbology;        // its name ("Code128", "QRCode"), for alternative text
  TFont DataFont;               // what text formats write Data in
  std::string Error;            // why nothing was encoded; Bars then hold an empty frame

  // A rectangle relative to Box in Native units of the page.
  TOxQrRect NativeRect(const TRect& relative) const;
  // Box's top-left corner plus (x, y) in Native units of the page.
  double NativeX(int x) const { return (Box.Left + x) / PixelsPerNativeX; }
  double NativeY(int y) const { return (Box.Top + y) / PixelsPerNativeY; }
};

// Paints the drawing with Box's top-left corner at (x, y), every pixel `scale` times.
void PaintBarcode(TCanvas& canvas, const TOxQrBarcodeDrawing& drawing, int x, int y, int scale = 1);
// The drawing as a picture of Box's size times `scale` (for formats that place pictures).
std::unique_ptr<TBitmap> BarcodeBitmap(const TOxQrBarcodeDrawing& drawing, int scale);

}  // namespace oxqr
