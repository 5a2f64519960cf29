#pragma once
// The barcode report controls. A barcode encodes its data through libzint and prints the
// symbol as filled rectangles (bars, and runs of modules for 2D symbols) in whole device
// pixels, so that page pictures are crisp; while the report is exported through a
// document filter, it hands the same drawing to the filter (vectors, SVG, a picture or
// the data as text). Data a symbology cannot encode, or a box too small for the symbol,
// is reported through the export library's error event naming the control and the
// record, and an empty frame prints instead; the report goes on.
#include <functional>
#include <set>
#include <string>
#include <unordered_map>

#include "OxQrCtrls/BarcodeSymbol.h"
#include "engine/Printable.h"

namespace oxqr {

class TDataSet;

class TOxQRCustomBarcode : public TQRPrintable {
 public:
  TOxQRSymbology Symbology = TOxQRSymbology::syCode128;
  bool ShowText = true;     // human-readable text under linear symbols (unrotated only)
  double ModuleSize = 0;    // mm per module, rounded to whole pixels; 0 fits the box
  bool QuietZone = true;    // the symbology's quiet zones inside the box
  TOxQRErrorLevel ErrorLevel = TOxQRErrorLevel::elMedium;  // QR Code only
  TColor ForeColor = clBlack;  // the bars; Color is the background (clNone: transparent)
  TOxQRRotation Rotation = TOxQRRotation::ro0;
  TFont Font;  // face, style and colour of the text; its size follows the module size

  // The text to encode for the current record. May throw (a missing field).
  virtual std::string BarcodeData() const = 0;

  // The drawing of the current record in the device rectangle `box` on a printer with
  // the given pixels per Native unit: the symbol, or the empty frame with Error set.
  TOxQrBarcodeDrawing MakeDrawing(const TRect& box, double pixelsPerNativeX, double pixelsPerNativeY) const;
  // The same for given data.
  TOxQrBarcodeDrawing MakeDrawing(const std::string& data, const TRect& box, double pixelsPerNativeX,
                                  double pixelsPerNativeY) const;

  void Print(int OffsetX, int OffsetY) override;
  void BeforePrint() override;

 private:
  // MakeDrawing through a cache: the export run draws the symbols the preview run made.
  TOxQrBarcodeDrawing CachedDrawing(const TRect& box, double pixelsPerNativeX, double pixelsPerNativeY);
  std::string CacheKey(const std::string& data, const TRect& box, double pixelsPerNativeX) const;
  void ReportFailure(const std::string& message);
  std::set<std::string> reported_;  // messages of this preview run, reported once each
  // Drawings by data, box size and properties, at most kCachedDrawings, from the last preview run.
  static constexpr std::size_t kCachedDrawings = 1024;
  std::unordered_map<std::string, TOxQrBarcodeDrawing> drawings_;
};

// A barcode of fixed text, or of the text a provider function returns for each print
// (the definition layer's token text).
class TOxQRBarcode : public TOxQRCustomBarcode {
 public:
  std::string Text;
  std::function<std::string()> TextProvider;  // used instead of Text when set
  std::string BarcodeData() const override { return TextProvider ? TextProvider() : Text; }
};

// A barcode of a field's display text in the current record.
class TOxQRDBBarcode : public TOxQRCustomBarcode {
 public:
  TDataSet* DataSet = nullptr;
  std::string DataField;
  // Throws EDatabaseError when the field does not exist; empty without a data set.
  std::string BarcodeData() const override;
};

}  // namespace oxqr
