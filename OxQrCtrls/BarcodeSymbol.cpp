#include "BarcodeSymbol.h"

#include <zint.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/CodePage.h"
#include "platform/TextMetrics.h"

namespace oxqr {

namespace {

struct TZintDeleter {
  void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};
using TZintSymbol = std::unique_ptr<zint_symbol, TZintDeleter>;

int ZintSymbology(TOxQRSymbology s) {
  switch (s) {
    case TOxQRSymbology::syCode128: return BARCODE_CODE128;
    case TOxQRSymbology::syEAN13: return BARCODE_EANX;
    case TOxQRSymbology::syUPCA: return BARCODE_UPCA;
    case TOxQRSymbology::syCode39: return BARCODE_CODE39;
    case TOxQRSymbology::syInterleaved2of5: return BARCODE_C25INTER;
    case TOxQRSymbology::syQRCode: return BARCODE_QRCODE;
    case TOxQRSymbology::syDataMatrix: return BARCODE_DATAMATRIX;
    case TOxQRSymbology::syPDF417: return BARCODE_PDF417;
  }
  return BARCODE_CODE128;
}

// Linear symbols grow their bars to the box's height; the others keep their proportions.
bool Stretches(TOxQRSymbology s) { return s <= TOxQRSymbology::syInterleaved2of5; }

// zint's EAN and UPC symbologies also make the short forms and add-ons from fewer digits;
// these two take the full number only (the check digit optional, verified when given).
void CheckDigitCount(TOxQRSymbology s, const std::string& data) {
  const bool ean = s == TOxQRSymbology::syEAN13;
  if (!ean && s != TOxQRSymbology::syUPCA) return;
  const std::size_t digits = ean ? 12 : 11;
  // Other characters and add-ons ("+") are zint's to judge.
  const bool onlyDigits = std::all_of(data.begin(), data.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!onlyDigits || data.size() == digits || data.size() == digits + 1) return;
  throw EBarcodeError(std::string(ean ? "EAN-13" : "UPC-A") + " takes " + std::to_string(digits) + " digits, or " +
                      std::to_string(digits + 1) + " with the check digit (got " + std::to_string(data.size()) + ")");
}

// Encodes and lays the vectors out at one unit per module; `height` in modules (0: zint's).
TZintSymbol Encode(const std::string& utf8, const TOxQRBarcodeOptions& o, float height) {
  TZintSymbol symbol(ZBarcode_Create());
  if (!symbol) throw EBarcodeError("zint could not allocate a symbol");
  symbol->symbology = ZintSymbology(o.Symbology);
  symbol->input_mode = UNICODE_MODE;
  symbol->scale = 0.5f;  // vector units are half modules at scale 1
  symbol->show_hrt = o.ShowText ? 1 : 0;
  symbol->output_options = o.QuietZone ? BARCODE_QUIET_ZONES : BARCODE_NO_QUIET_ZONES;
  if (o.Symbology == TOxQRSymbology::syQRCode) symbol->option_1 = static_cast<int>(o.ErrorLevel) + 1;
  if (height > 0) symbol->height = height;
  const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
  if (ZBarcode_Encode(symbol.get(), bytes, static_cast<int>(utf8.size())) >= ZINT_ERROR ||
      ZBarcode_Buffer_Vector(symbol.get(), 0) >= ZINT_ERROR)
    throw EBarcodeError(symbol->errtxt);
  return symbol;
}

// Turns a rectangle of a w x h area clockwise by the rotation.
TRect Rotate(const TRect& r, TOxQRRotation rotation, int w, int h) {
  switch (rotation) {
    case TOxQRRotation::ro0: return r;
    case TOxQRRotation::ro90: return Rect(h - r.Bottom, r.Left, h - r.Top, r.Right);
    case TOxQRRotation::ro180: return Rect(w - r.Right, h - r.Bottom, w - r.Left, h - r.Top);
    case TOxQRRotation::ro270: return Rect(r.Top, w - r.Right, r.Bottom, w - r.Left);
  }
  return r;
}

int Round(double v) { return static_cast<int>(std::lround(v)); }

std::string TooSmall(const TRect& box, const zint_symbol& symbol) {
  return "The box of " + std::to_string(box.Width()) + " x " + std::to_string(box.Height()) +
         " pixels is too small for the symbol of " + std::to_string(Round(symbol.vector->width)) + " x " +
         std::to_string(Round(symbol.vector->height)) + " modules";
}

}  // namespace

const char* SymbologyName(TOxQRSymbology symbology) {
  switch (symbology) {
    case TOxQRSymbology::syCode128: return "Code128";
    case TOxQRSymbology::syEAN13: return "EAN13";
    case TOxQRSymbology::syUPCA: return "UPCA";
    case TOxQRSymbology::syCode39: return "Code39";
    case TOxQRSymbology::syInterleaved2of5: return "Interleaved2of5";
    case TOxQRSymbology::syQRCode: return "QRCode";
    case TOxQRSymbology::syDataMatrix: return "DataMatrix";
    case TOxQRSymbology::syPDF417: return "PDF417";
  }
  return "";
}

void LayOutBarcode(const std::string& data, const TOxQRBarcodeOptions& o, TOxQrBarcodeDrawing& drawing) {
  drawing.Bars.clear();
  drawing.Texts.clear();
  drawing.Data.clear();
  drawing.Symbology = SymbologyName(o.Symbology);
  if (data.empty()) return;  // nothing to encode prints nothing, as an empty text does
  CheckDigitCount(o.Symbology, data);
  const std::string utf8 = AnsiToUtf8(data);
  const bool turned = o.Rotation == TOxQRRotation::ro90 || o.Rotation == TOxQRRotation::ro270;
  // The box as the unturned symbol sees it.
  const int bw = turned ? drawing.Box.Height() : drawing.Box.Width();
  const int bh = turned ? drawing.Box.Width() : drawing.Box.Height();

  TZintSymbol symbol = Encode(utf8, o, 0);
  const bool stretch = Stretches(o.Symbology);
  int fit = static_cast<int>(std::floor(bw / symbol->vector->width));
  if (!stretch) fit = std::min(fit, static_cast<int>(std::floor(bh / symbol->vector->height)));
  const int px = o.ModulePixels > 0 ? std::min(o.ModulePixels, fit) : fit;
  if (px < 1) throw EBarcodeError(TooSmall(drawing.Box, *symbol));
  if (stretch) {
    // Text, guard bars and quiet zones keep their size; the bars take the rest.
    const double around = symbol->vector->height - symbol->height;
    const double bars = std::floor(static_cast<double>(bh) / px - around);
    if (bars < 1) throw EBarcodeError(TooSmall(drawing.Box, *symbol));
    symbol = Encode(utf8, o, static_cast<float>(bars));
  }

  const int ox = (bw - Round(symbol->vector->width * px)) / 2;
  const int oy = (bh - Round(symbol->vector->height * px)) / 2;
  for (const zint_vector_rect* r = symbol->vector->rectangles; r != nullptr; r = r->next) {
    if (r->colour != -1) continue;  // only foreground modules are drawn
    const TRect bar = Rect(ox + Round(r->x * px), oy + Round(r->y * px), ox + Round((r->x + r->width) * px),
                           oy + Round((r->y + r->height) * px));
    if (bar.Width() > 0 && bar.Height() > 0) drawing.Bars.push_back(Rotate(bar, o.Rotation, bw, bh));
  }
  // The canvas draws text horizontally only: a turned symbol goes without its text.
  if (o.Rotation == TOxQRRotation::ro0) {
    for (const zint_vector_string* s = symbol->vector->strings; s != nullptr; s = s->next) {
      TOxQrBarcodeText line;
      line.Font = o.Font;
      line.Font.Size = std::max(1, Round(s->fsize * px * 72.0 / ScreenPPI));
      line.Text = Utf8ToAnsi(std::string(reinterpret_cast<const char*>(s->text), static_cast<std::size_t>(s->length)));
      const int width = TextExtent(line.Font, line.Text).cx;
      const int x = ox + Round(s->x * px);
      line.Left = s->halign == 1 ? x : s->halign == 2 ? x - width : x - width / 2;
      line.Top = oy + Round(s->y * px) - FontAscent(line.Font);
      drawing.Texts.push_back(std::move(line));
    }
  }
  drawing.Data = data;
}

void LayOutEmptyFrame(TOxQrBarcodeDrawing& drawing) {
  const int w = drawing.Box.Width();
  const int h = drawing.Box.Height();
  drawing.Texts.clear();
  drawing.Data.clear();
  drawing.Bars.clear();
  if (w <= 0 || h <= 0) return;
  drawing.Bars = {Rect(0, 0, w, 1), Rect(0, h - 1, w, h), Rect(0, 0, 1, h), Rect(w - 1, 0, w, h)};
}

}  // namespace oxqr
