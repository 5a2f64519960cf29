#pragma once
// TOxQRExcelFilter: the report as one worksheet in the binary interchange file format with
// the version 2 record layout (8-bit text, three attribute bytes per cell, at most four
// fonts). The cells come from the shared grid (CellGridFilter.h); texts that are whole
// decimal numbers become numeric cells. Cells past the last row or column the record
// layout can address are left out and counted in one error report.
#include <cstdint>
#include <string>
#include <vector>

#include "BiffRecords.h"
#include "CellGridFilter.h"

namespace oxqr {

class TSafeFileStream;

class TOxQRExcelFilter : public TOxQRCellGridFilter {
 public:
  using TOxQRCellGridFilter::TOxQRCellGridFilter;
  ~TOxQRExcelFilter() override;

  TMemoryStream CellStream;  // the job's cell records in the order written
  int TextsCut = 0;           // texts longer than a LABEL holds, written cut

  std::string DisplayName() const override;  // "Microsoft Excel Worksheet"
  std::string Extension() const override;    // "xls"

  void StartJob(int PageWidth, int PageHeight, const TFont& Font) override;
  void BeginDocument() override;
  void EndDocument() override;

  // One cell record into CellStream; a taken cell pushes it right (see PlaceCell).
  void WriteCell(int Row, int Column, const biff::TCellAttributes& Attributes, std::uint8_t CellType,
                 const std::string& Text);

 protected:
  TTextLineSpacing GridLineSpacing() const override;
  bool GridRichText() const override;
  bool WantsNativeValues() const override;
  // Index of a number format (0 is "General"), added on first use; 0 once 64 are listed.
  int NativeFormatId(const std::string& Format) override;
  int LastRow() const override { return biff::kMaxRow; }
  int LastColumn() const override { return biff::kMaxColumn; }
  void WriteGridCell(const TGridCell& Cell) override;

 private:
  TSafeFileStream* file_ = nullptr;  // Output while it is open
  std::vector<std::string> formats_;  // number formats of native cells; empty when none
};

}  // namespace oxqr
