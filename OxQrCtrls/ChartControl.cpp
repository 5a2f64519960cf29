#include "ChartControl.h"

#include "ExportAware.h"
#include "OxQrExport/core/DocumentFilter.h"

namespace oxqr {

void TOxQRChart::Print(int OffsetX, int OffsetY) {
  // Charts never stay unfinished, so this is false in practice; read before printing
  // like every export-aware control.
  const bool continuing = !Finished;
  TQRDBChart::Print(OffsetX, OffsetY);
  if (auto* filter = ActiveDocumentFilter(*this)) filter->WritePicture(*this, OffsetX, OffsetY, continuing);
}

void TOxQRDataChart::Printing(const TChartDrawing& Drawing, int OffsetX, int OffsetY) {
  if (auto* filter = ActiveDocumentFilter(*this)) filter->WriteChart(*this, Drawing, OffsetX, OffsetY, !Finished);
}

}  // namespace oxqr
