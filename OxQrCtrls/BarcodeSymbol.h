#pragma once
// Encoding a barcode through libzint and laying its symbol out in a box of device pixels:
// every module is a whole number of pixels, linear symbols fill the box's height, and
// the symbol is centred and turned by its rotation.
#include <cstdint>
#include <string>

#include "OxQrExport/core/BarcodeDrawing.h"
#include "platform/Errors.h"

namespace oxqr {

enum class TOxQRSymbology : std::uint8_t {
  syCode128, syEAN13, syUPCA, syCode39, syInterleaved2of5, syQRCode, syDataMatrix, syPDF417
};

// Error-correction level of QR Code: about 7, 15, 25 and 30 % of the symbol restorable.
enum class TOxQRErrorLevel : std::uint8_t { elLow, elMedium, elQuartile, elHigh };

enum class TOxQRRotation : std::uint8_t { ro0, ro90, ro180, ro270 };  // clockwise

struct TOxQRBarcodeOptions {
  TOxQRSymbology Symbology = TOxQRSymbology::syCode128;
  bool ShowText = true;
  int ModulePixels = 0;  // 0: the largest whole number that fits the box
  bool QuietZone = true;
  TOxQRErrorLevel ErrorLevel = TOxQRErrorLevel::elMedium;
  TOxQRRotation Rotation = TOxQRRotation::ro0;
  TFont Font;  // face, style and colour of the human-readable text; its size follows the modules
};

// Data the symbology cannot encode, or a box too small for it; what() is zint's message
// or says what does not fit.
class EBarcodeError : public EOxQRError {
 public:
  using EOxQRError::EOxQRError;
};

// Encodes `data` (text of the report's code page) and fills drawing.Bars, Texts and
// Data for a box of drawing.Box's size; empty data gives an empty drawing. Throws
// EBarcodeError.
void LayOutBarcode(const std::string& data, const TOxQRBarcodeOptions& options, TOxQrBarcodeDrawing& drawing);

// The frame printed instead of a symbol that could not be made: four one-pixel sides.
void LayOutEmptyFrame(TOxQrBarcodeDrawing& drawing);

// The symbology's name as written in definitions and messages ("Code128", "QRCode", ...).
const char* SymbologyName(TOxQRSymbology symbology);

}  // namespace oxqr
