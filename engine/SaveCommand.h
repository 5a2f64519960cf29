#pragma once
// The preview's Save command without the dialog: type 1 saves the engine's prepared
// report file, type k >= 2 exports through FilterLibrary entry k - 2.
#include <string>

namespace oxqr {

class TQRCustomReport;
struct TQRExportFilterClass;

// Type 1 needs the report prepared (its printer holds the preview pages); an export prepares
// the report itself when it needs the preview run (see SaveNeedsPreview).
void SaveReport(TQRCustomReport& report, const std::string& fileName, int fileType);
// Whether saving as `fileType` reads the preview's pages. When it does not, a caller that
// wants only the file saves an unprepared report and the report is laid out once.
bool SaveReadsPreview(int fileType);
// Whether saving `report` as `fileType` needs the preview run first: the format reads the
// preview's pages, or the report prints values only a whole run knows (NeedsPreviewRun).
bool SaveNeedsPreview(const TQRCustomReport& report, int fileType);
// Constructs `cls` with `fileName`, runs ExportToFilter and frees the filter, also when
// the export throws (the exception travels on).
void ExportReport(TQRCustomReport& report, const TQRExportFilterClass& cls, const std::string& fileName);

}  // namespace oxqr
