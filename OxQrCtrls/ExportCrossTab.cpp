#include "ExportCrossTab.h"

#include "ExportAware.h"
#include "OxQrExport/core/DocumentFilter.h"

namespace oxqr {

void TOxQRCrossTab::ExportCells(std::span<const TQRTextCell> cells, int OffsetX, int OffsetY, bool continuing) {
  if (auto* filter = ActiveDocumentFilter(*this)) {
    filter->WriteTextCells(*this, cells, OffsetX, OffsetY, continuing);
    return;
  }
  TQRCrossTab::ExportCells(cells, OffsetX, OffsetY, continuing);
}

}  // namespace oxqr
