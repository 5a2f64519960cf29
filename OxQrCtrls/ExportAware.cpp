#include "ExportAware.h"

#include "OxQrExport/core/DocumentFilter.h"
#include "engine/Printable.h"
#include "engine/Report.h"

namespace oxqr {

TOxQRDocumentFilter* ActiveDocumentFilter(const TQRPrintable& control) {
  if (!control.Enabled) return nullptr;
  const TQRCustomReport* report = control.OwnerReport();
  if (report == nullptr || !report->Exporting()) return nullptr;
  return dynamic_cast<TOxQRDocumentFilter*>(report->ActiveFilter());
}

bool DocumentExportActive(const TQRPrintable& control) { return ActiveDocumentFilter(control) != nullptr; }

}  // namespace oxqr
