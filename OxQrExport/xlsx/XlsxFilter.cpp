#include "XlsxFilter.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <ctime>

#include "OxQrConsts/OxQrConsts.h"
#include "OxQrExport/excel/CellNumbers.h"
#include "engine/Band.h"
#include "engine/Controls.h"
#include "platform/CodePage.h"
#include "platform/Color.h"
#include "platform/Errors.h"
#include "platform/Locale.h"
#include "platform/SafeFile.h"

namespace oxqr {

namespace {

const TOxQRXLSXSettings& XlsxSettings() { return QRExportSettings().XLSX; }

// A cell turns its text by -90 .. 90 degrees: a line turned by a quarter keeps its turn, a
// line upside down reads upright in its cell.
int CellRotation(int orientation) {
  const int degrees = ((orientation / 10) % 360 + 360) % 360;
  if (degrees <= 90) return degrees;
  if (degrees >= 270) return degrees - 360;
  return 0;
}

// The colour under a text: the control's own background unless it is transparent, else its
// band's; white counts as no fill, as on the sheet.
TColor FillUnder(const TQRPrintable* control, TColor controlColor) {
  TColor fill = clNone;
  const auto* label = dynamic_cast<const TQRCustomLabel*>(control);
  if (label != nullptr && !label->Transparent) {
    fill = controlColor;
  } else if (control != nullptr && control->ParentBand() != nullptr) {
    fill = control->ParentBand()->Color;
  }
  if (fill == clNone || RgbOf(fill) == 0xFFFFFF) return clNone;
  return fill;
}

// Seconds since the epoch of the platform's local time (pinned in tests).
std::time_t CreationTime() {
  std::tm tm = Now().Tm;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

}  // namespace

void TOxQRXLSXFilter::TWorkbookDeleter::operator()(lxw_workbook* workbook) const { lxw_workbook_free(workbook); }

TOxQRXLSXFilter::~TOxQRXLSXFilter() = default;

std::string TOxQRXLSXFilter::DisplayName() const { return std::string(SExcelWorkbook); }

std::string TOxQRXLSXFilter::Extension() const { return "xlsx"; }

TTextLineSpacing TOxQRXLSXFilter::GridLineSpacing() const { return XlsxSettings().LineSpacing; }

bool TOxQRXLSXFilter::GridRichText() const { return XlsxSettings().ExportRichText; }

int TOxQRXLSXFilter::LastRow() const { return LXW_ROW_MAX - 1 + SheetFirstRow(); }

int TOxQRXLSXFilter::LastColumn() const { return LXW_COL_MAX - 1; }

std::uint8_t TOxQRXLSXFilter::CellTypeOf(const std::string&) const {
  if (TextControl != nullptr && TextControl->Tag == -1000) return kIntegerCell;
  if (TextControl != nullptr && TextControl->Tag == -2000) return kNumberCell;
  return kTextCell;
}

void TOxQRXLSXFilter::Check(int error) const {
  if (error != LXW_NO_ERROR) throw EFileError(FileName, "write", 0, lxw_strerror(static_cast<lxw_error>(error)));
}

void TOxQRXLSXFilter::BeginDocument() {
  textCounts_ = {};
  sheetNames_.clear();
  sheet_ = nullptr;
  perPage_ = XlsxSettings().SheetPerPage;
  freeze_ = XlsxSettings().FreezeHeaderRows;
  try {
    file_ = std::make_unique<TSafeFileStream>(FileName);
  } catch (const EFileError& e) {
    AbortFileNotCreated(e);
    return;
  }
  // libxlsxwriter writes the file by name when the workbook closes: it writes the safe
  // writer's temporary file, which is renamed over the real name only on success.
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  workbook_.reset(workbook_new_opt(file_->HandOverTempName().c_str(), &options));
  if (!workbook_) throw EFileError(FileName, "create", 0, "the workbook could not be started");
  formats_ = std::make_unique<TXlsxFormats>(workbook_.get());
  if (!perPage_) AddSheet();
}

void TOxQRXLSXFilter::BeginPage() {
  TOxQRCellGridFilter::BeginPage();
  if (perPage_ && workbook_) {
    FinishSheet();
    AddSheet();
  }
}

void TOxQRXLSXFilter::AddSheet() {
  const std::string name = UniqueSheetName(AnsiToUtf8(ReportTitle), sheetNames_);
  sheet_ = workbook_add_worksheet(workbook_.get(), name.c_str());
  if (sheet_ == nullptr) throw EFileError(FileName, "write", 0, "the workbook refused the sheet name " + name);
  lastColumn_ = -1;
  columnHeaderRows_ = 0;
  pageHeaderRows_ = 0;
  frozen_ = false;
}

void TOxQRXLSXFilter::AddText(const TOxQrTextRec& Rec) {
  TOxQrTextRec rec = Rec;
  rec.BackColor = FillUnder(TextControl, Rec.BackColor);
  TOxQRCellGridFilter::AddText(rec);
}

void TOxQRXLSXFilter::WriteGridCell(const TGridCell& Cell) {
  int row = Cell.Row;
  int column = Cell.Column;
  if (sheet_ == nullptr || !PlaceCell(row, column)) return;
  row -= SheetFirstRow();
  const TOxQrTextRec& rec = Cell.Text;
  TXlsxCellStyle style{rec.Font, rec.BackColor, rec.Alignment, {}, CellRotation(rec.Orientation)};
  const auto r = static_cast<lxw_row_t>(row);
  const auto c = static_cast<lxw_col_t>(column);
  lastColumn_ = std::max(lastColumn_, column);
  if (!frozen_ && Cell.Header == THeaderBand::hbColumnHeader) columnHeaderRows_ = std::max(columnHeaderRows_, row + 1);
  if (!frozen_ && Cell.Header == THeaderBand::hbPageHeader) pageHeaderRows_ = std::max(pageHeaderRows_, row + 1);
  if (Cell.Native != nullptr) {
    style.NumberFormat = Cell.Native->Format;
    Check(worksheet_write_number(sheet_, r, c, Cell.Native->Value, formats_->Get(style)));
    return;
  }
  if (rec.CellType != kTextCell) {
    if (const auto value = CellTextValue(rec.Text)) {
      Check(worksheet_write_number(sheet_, r, c, *value, formats_->Get(style)));
      return;
    }
  }
  const std::string text = WorkbookCellText(AnsiToUtf8(rec.Text), textCounts_);
  Check(worksheet_write_string(sheet_, r, c, text.c_str(), formats_->Get(style)));
}

void TOxQRXLSXFilter::EndGridPage() {
  // The rows down to the first page's column header, else its page header (on every sheet
  // when a page is a sheet).
  if (frozen_ || sheet_ == nullptr) return;
  const int rows = columnHeaderRows_ > 0 ? columnHeaderRows_ : pageHeaderRows_;
  if (freeze_ && rows > 0) worksheet_freeze_panes(sheet_, static_cast<lxw_row_t>(rows), 0);
  frozen_ = true;
}

void TOxQRXLSXFilter::FinishSheet() {
  if (sheet_ == nullptr || lastColumn_ < 0) return;
  // Grid columns are as wide as the grid measured them, so texts stand where the page has them.
  const int pixels = std::max(1, static_cast<int>(CharColumnWidth + 0.5));
  Check(worksheet_set_column_pixels(sheet_, 0, static_cast<lxw_col_t>(lastColumn_), pixels, nullptr));
}

void TOxQRXLSXFilter::EndDocument() {
  if (!workbook_) return;
  if (sheet_ == nullptr) AddSheet();  // a report without pages still gives a workbook with a sheet
  FinishSheet();

  const auto& s = XlsxSettings();
  const std::string title = AnsiToUtf8(s.Title.empty() ? ReportTitle : s.Title);
  const std::string subject = AnsiToUtf8(s.Subject);
  const std::string author = AnsiToUtf8(s.Author);
  const std::string keywords = AnsiToUtf8(s.Keywords);
  lxw_doc_properties properties{};
  properties.title = const_cast<char*>(title.c_str());
  properties.subject = const_cast<char*>(subject.c_str());
  properties.author = const_cast<char*>(author.c_str());
  properties.keywords = const_cast<char*>(keywords.c_str());
  properties.created = CreationTime();
  Check(workbook_set_properties(workbook_.get(), &properties));

  // workbook_close frees the workbook whatever it returns.
  const lxw_error closed = workbook_close(workbook_.release());
  sheet_ = nullptr;
  formats_.reset();
  if (closed != LXW_NO_ERROR) {
    file_.reset();  // removes the temporary file
    Check(closed);
  }
  file_->Commit();
  file_.reset();
  ReleaseCells();

  std::string message;
  auto add = [&message](const std::string& m) { message += (message.empty() ? "" : " ") + m; };
  if (CellsLeftOut > 0) add(WorkbookCellsLeftOut(CellsLeftOut));
  if (textCounts_.Cut > 0) add(WorkbookTextsCut(textCounts_.Cut));
  if (textCounts_.Replaced > 0) add(WorkbookCharactersReplaced(textCounts_.Replaced));
  if (!message.empty()) ReportError(this, message);
}

}  // namespace oxqr
