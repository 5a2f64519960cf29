#pragma once
// TOxQRCSVFilter: the report's data as comma-separated values (RFC 4180, UTF-8, CR LF line
// ends): one line per row of the worksheet format's grid that holds a cell, rows without
// blank lines between them, each with as many fields as the report's grid has columns. Field values can be written plain (numbers unformatted, dates in
// ISO 8601), and texts that a spreadsheet would read as a formula get a leading '.
#include <map>
#include <memory>
#include <string>

#include "OxQrExport/excel/CellGridFilter.h"
#include "platform/SafeFile.h"

namespace oxqr {

class TOxQRCSVFilter : public TOxQRCellGridFilter {
 public:
  using TOxQRCellGridFilter::TOxQRCellGridFilter;
  ~TOxQRCSVFilter() override;

  std::string DisplayName() const override;  // "CSV (Comma-Separated Values)"
  std::string Extension() const override;    // "csv"

  void BeginDocument() override;
  void EndDocument() override;

 protected:
  TTextLineSpacing GridLineSpacing() const override { return TTextLineSpacing::lsNoBlank; }
  bool GridRichText() const override;
  bool WantsNativeValues() const override;
  std::uint8_t CellTypeOf(const std::string&) const override { return kTextCell; }
  int LastRow() const override;
  int LastColumn() const override;
  bool StreamsRows() const override { return true; }
  void WriteGridCell(const TGridCell& Cell) override;

 private:
  // Writes the buffered row as one line and empties it.
  void FlushRow();

  std::unique_ptr<TSafeFileStream> file_;
  char separator_ = ',';
  bool guard_ = true;
  int row_ = -1;                       // grid row of the buffered fields
  std::map<int, std::string> fields_;  // column -> field text, quoted
  std::string line_;                   // reused for each line
};

}  // namespace oxqr
