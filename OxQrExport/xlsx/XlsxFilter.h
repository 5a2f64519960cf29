#pragma once
// TOxQRXLSXFilter: the report as a workbook (.xlsx) written by libxlsxwriter in its
// constant-memory mode, row after row, so that memory stays flat in the page count. The
// cells are the worksheet format's grid (CellGridFilter.h); field values are numbers with
// the number format of their display, other texts strings in Unicode, with the font, the
// fill under the text and the alignment. The rows down to the first page's column header (or,
// without one, its page header) can stay frozen; one sheet for the report or one per page.
#include <memory>
#include <set>
#include <string>

#include "OxQrExport/excel/CellGridFilter.h"
#include "platform/SafeFile.h"
#include "WorkbookText.h"
#include "XlsxFormats.h"

struct lxw_workbook;
struct lxw_worksheet;

namespace oxqr {

class TOxQRXLSXFilter : public TOxQRCellGridFilter {
 public:
  using TOxQRCellGridFilter::TOxQRCellGridFilter;
  ~TOxQRXLSXFilter() override;

  std::string DisplayName() const override;  // "Excel Workbook"
  std::string Extension() const override;    // "xlsx"

  void BeginPage() override;
  void BeginDocument() override;
  void AddText(const TOxQrTextRec& Rec) override;
  void EndDocument() override;

 protected:
  TTextLineSpacing GridLineSpacing() const override;
  bool GridRichText() const override;
  bool WantsNativeValues() const override { return true; }
  // Numbers only from numeric fields and controls tagged as numbers; any other text stays text.
  std::uint8_t CellTypeOf(const std::string& Text) const override;
  int LastRow() const override;
  int LastColumn() const override;
  bool StreamsRows() const override { return true; }
  void WriteGridCell(const TGridCell& Cell) override;
  void EndGridPage() override;

 private:
  struct TWorkbookDeleter {
    void operator()(lxw_workbook* workbook) const;
  };
  // Adds a sheet named from the report title (numbered when the name is taken).
  void AddSheet();
  // Grid row of the open sheet's first row.
  int SheetFirstRow() const { return perPage_ ? PageFirstRow : 0; }
  // Throws EFileError naming the output when a libxlsxwriter call failed.
  void Check(int error) const;
  // Widths of the columns used on the open sheet (the grid's column width).
  void FinishSheet();

  std::unique_ptr<TSafeFileStream> file_;
  std::unique_ptr<lxw_workbook, TWorkbookDeleter> workbook_;
  std::unique_ptr<TXlsxFormats> formats_;
  lxw_worksheet* sheet_ = nullptr;
  std::set<std::string> sheetNames_;
  bool perPage_ = false;    // XLSX.SheetPerPage of the job
  bool freeze_ = false;     // XLSX.FreezeHeaderRows of the job
  int lastColumn_ = -1;     // last column written on the open sheet
  int columnHeaderRows_ = 0;  // rows down to the last column header text of the sheet's first page
  int pageHeaderRows_ = 0;    // the same for the page header
  bool frozen_ = false;     // the open sheet's panes are set
  TCellTextCounts textCounts_;
};

}  // namespace oxqr
