#pragma once
// The preview's Save command without the dialog: type 1 saves the engine's prepared
// report file, type k >= 2 exports through FilterLibrary entry k - 2.
#include <string>

namespace oxqr {

class TQRCustomReport;
struct TQRExportFilterClass;

// The report must have been prepared (its printer holds the preview pages).
void SaveReport(TQRCustomReport& report, const std::string& fileName, int fileType);
// Constructs `cls` with `fileName`, runs ExportToFilter and frees the filter, also when
// the export throws (the exception travels on).
void ExportReport(TQRCustomReport& report, const TQRExportFilterClass& cls, const std::string& fileName);

}  // namespace oxqr
