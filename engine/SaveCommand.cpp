#include "SaveCommand.h"

#include <stdexcept>

#include "FilterLibrary.h"
#include "Report.h"

namespace oxqr {

void SaveReport(TQRCustomReport& report, const std::string& fileName, int fileType) {
  if (fileType == 1) {
    report.QRPrinter().SaveToFile(fileName);
    return;
  }
  const auto& filters = FilterLibrary().Filters();
  if (fileType < 2 || static_cast<std::size_t>(fileType - 2) >= filters.size())
    throw std::out_of_range("SaveReport: no file type " + std::to_string(fileType));
  ExportReport(report, *filters[static_cast<std::size_t>(fileType - 2)].ExportFilterClass, fileName);
}

bool SaveReadsPreview(int fileType) {
  const auto& filters = FilterLibrary().Filters();
  if (fileType < 2 || static_cast<std::size_t>(fileType - 2) >= filters.size()) return true;
  // Filters are cheap to make: the file is opened only when the job starts.
  return filters[static_cast<std::size_t>(fileType - 2)].ExportFilterClass->Create("")->ReadsPreviewPages();
}

bool SaveNeedsPreview(const TQRCustomReport& report, int fileType) {
  return report.NeedsPreviewRun || SaveReadsPreview(fileType);
}

void ExportReport(TQRCustomReport& report, const TQRExportFilterClass& cls, const std::string& fileName) {
  const auto filter = cls.Create(fileName);  // freed on every path out of here
  report.ExportToFilter(*filter);
}

}  // namespace oxqr
