#include "Barcode.h"

#include <algorithm>
#include <cmath>

#include "ExportAware.h"
#include "OxQrExport/core/DocumentFilter.h"
#include "data/DataSet.h"
#include "engine/Layout.h"
#include "engine/Printer.h"
#include "platform/TextMetrics.h"

namespace oxqr {

TOxQrBarcodeDrawing TOxQRCustomBarcode::MakeDrawing(const TRect& box, double pixelsPerNativeX,
                                                    double pixelsPerNativeY) const {
  try {
    return MakeDrawing(BarcodeData(), box, pixelsPerNativeX, pixelsPerNativeY);
  } catch (const EOxQRError& e) {  // a missing field
    TOxQrBarcodeDrawing drawing = MakeDrawing(std::string(), box, pixelsPerNativeX, pixelsPerNativeY);
    drawing.Error = e.what();
    LayOutEmptyFrame(drawing);
    return drawing;
  }
}

TOxQrBarcodeDrawing TOxQRCustomBarcode::MakeDrawing(const std::string& data, const TRect& box, double pixelsPerNativeX,
                                                    double pixelsPerNativeY) const {
  TOxQrBarcodeDrawing drawing;
  drawing.Box = box;
  drawing.PixelsPerNativeX = pixelsPerNativeX;
  drawing.PixelsPerNativeY = pixelsPerNativeY;
  drawing.Background = Color;
  drawing.Foreground = ForeColor;
  drawing.DataFont = Font;
  TOxQRBarcodeOptions options;
  options.Symbology = Symbology;
  options.ShowText = ShowText;
  options.QuietZone = QuietZone;
  options.ErrorLevel = ErrorLevel;
  options.Rotation = Rotation;
  options.Font = Font;
  if (ModuleSize > 0)
    options.ModulePixels = std::max(1, static_cast<int>(std::lround(ModuleSize * NativePerMM * pixelsPerNativeX)));
  try {
    LayOutBarcode(data, options, drawing);
  } catch (const EBarcodeError& e) {  // data zint refuses, a box too small
    drawing.Error = e.what();
    LayOutEmptyFrame(drawing);
  }
  return drawing;
}

void TOxQRCustomBarcode::BeforePrint() {
  // A new preview run reports again and encodes again; the export run after it repeats
  // nothing it said and draws what it made.
  if (OwnerReport() != nullptr && OwnerReport()->FinalPass()) {
    reported_.clear();
    drawings_.clear();
  }
}

std::string TOxQRCustomBarcode::CacheKey(const std::string& data, const TRect& box, double pixelsPerNativeX) const {
  const int values[] = {box.Width(),
                        box.Height(),
                        static_cast<int>(Symbology),
                        ShowText,
                        QuietZone,
                        static_cast<int>(ErrorLevel),
                        static_cast<int>(Rotation),
                        static_cast<int>(std::lround(ModuleSize * 1000)),
                        static_cast<int>(std::lround(pixelsPerNativeX * 1e6)),
                        static_cast<int>(ForeColor),
                        static_cast<int>(Color),
                        Font.Size,
                        Font.Style.Bits(),
                        static_cast<int>(Font.Color)};
  std::string key = data + '\n' + Font.Name;
  for (const int v : values) key += ',' + std::to_string(v);
  return key;
}

TOxQrBarcodeDrawing TOxQRCustomBarcode::CachedDrawing(const TRect& box, double pixelsPerNativeX,
                                                      double pixelsPerNativeY) {
  std::string data;
  try {
    data = BarcodeData();
  } catch (const EOxQRError&) {
    return MakeDrawing(box, pixelsPerNativeX, pixelsPerNativeY);
  }
  const std::string key = CacheKey(data, box, pixelsPerNativeX);
  if (const auto it = drawings_.find(key); it != drawings_.end()) {
    TOxQrBarcodeDrawing drawing = it->second;
    drawing.Box = box;  // the same size, perhaps elsewhere on the page
    drawing.PixelsPerNativeY = pixelsPerNativeY;
    return drawing;
  }
  TOxQrBarcodeDrawing drawing = MakeDrawing(data, box, pixelsPerNativeX, pixelsPerNativeY);
  if (drawings_.size() < kCachedDrawings) drawings_.emplace(key, drawing);
  return drawing;
}

void TOxQRCustomBarcode::ReportFailure(const std::string& message) {
  std::string text = "Barcode \"" + Name + "\"";
  if (const TQRCustomReport* report = OwnerReport()) {
    if (const TQRLayout* layout = TQRLayout::Of(*report); layout != nullptr && layout->DetailNumber() > 0)
      text += ", record " + std::to_string(layout->DetailNumber());
  }
  text += ": " + message;
  if (!reported_.insert(text).second) return;
  auto* sender = OwnerReport() ? dynamic_cast<TOxQRExportFilter*>(OwnerReport()->ActiveFilter()) : nullptr;
  ReportError(sender, text);
}

void TOxQRCustomBarcode::Print(int OffsetX, int OffsetY) {
  const bool continuing = !Finished;
  if (Enabled) {
    const TQRPrinter* printer = ParentPrinter();
    const double f = ScreenPPI / NativePerInch;
    const TOxQrBarcodeDrawing drawing = CachedDrawing(DeviceRect(OffsetX, OffsetY),
                                                      printer ? printer->HorizontalFactor() : f,
                                                      printer ? printer->VerticalFactor() : f);
    if (!drawing.Error.empty()) ReportFailure(drawing.Error);
    if (auto* filter = ActiveDocumentFilter(*this)) filter->WriteBarcode(*this, drawing, OffsetX, OffsetY, continuing);
    if (TCanvas* canvas = FinalCanvas(*this)) PaintBarcode(*canvas, drawing, drawing.Box.Left, drawing.Box.Top);
  }
  TQRPrintable::Print(OffsetX, OffsetY);
}

std::string TOxQRDBBarcode::BarcodeData() const {
  if (DataSet == nullptr) return {};
  return DataSet->FieldByName(DataField).DisplayText();
}

}  // namespace oxqr
