#pragma once
// TOxQRExcelFilter: the report as one worksheet in the binary interchange file format with
// the version 2 record layout (8-bit text, three attribute bytes per cell, at most four
// fonts). The cells come from the shared grid (CellGridFilter.h); texts that are whole
// decimal numbers become numeric cells. Cells past the last row or column the record
// layout can address are left out and counted in one error report.
#include <cstdint>
#include <memory>
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

  TMemoryStream CellStream;  // the job's cell records in the order written, since the last spill
  // The most cell records held in memory after a page: beyond it they move on to a private
  // spill file, so that the memory a workbook needs does not grow with its cells.
  std::size_t CellMemoryBudget = std::size_t{256} << 10;
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
  void EndGridPage() override;
  // The stream that takes the cell records beyond CellMemoryBudget (a temporary file whose
  // name is removed once it is open); nullptr keeps them in memory. Tests give a failing one.
  virtual std::unique_ptr<TStream> CreateSpillStream();

 private:
  // Moves the records held in CellStream to the spill stream (made on first use).
  void SpillCells();
  std::unique_ptr<TStream> spill_;
  std::int64_t spilled_ = 0;      // bytes in spill_
  bool spillRefused_ = false;     // no spill stream could be made: the cells stay in memory
  TSafeFileStream* file_ = nullptr;  // Output while it is open
  std::vector<std::string> formats_;  // number formats of native cells; empty when none
};

}  // namespace oxqr
