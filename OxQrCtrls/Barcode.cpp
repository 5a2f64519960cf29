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
    LayOutBarcode(BarcodeData(), options, drawing);
  } catch (const EOxQRError& e) {  // data zint refuses, a box too small, a missing field
    drawing.Error = e.what();
    LayOutEmptyFrame(drawing);
  }
  return drawing;
}

void TOxQRCustomBarcode::BeforePrint() {
  // A new preview run reports again; the export run after it repeats nothing it said.
  if (OwnerReport() != nullptr && OwnerReport()->FinalPass()) reported_.clear();
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
    const TOxQrBarcodeDrawing drawing = MakeDrawing(DeviceRect(OffsetX, OffsetY), printer ? printer->HorizontalFactor() : f,
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
