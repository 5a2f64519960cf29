#include "CsvFilter.h"

#include <limits>

#include "CsvFields.h"
#include "OxQrConsts/OxQrConsts.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/SafeFile.h"

namespace oxqr {

namespace {

const TOxQRCSVSettings& CsvSettings() { return QRExportSettings().CSV; }

char SeparatorOf(TCSVSeparator separator) {
  switch (separator) {
    case TCSVSeparator::csComma:
      return ',';
    case TCSVSeparator::csSemicolon:
      return ';';
    case TCSVSeparator::csTab:
      return '\t';
  }
  return ',';
}

}  // namespace

TOxQRCSVFilter::~TOxQRCSVFilter() = default;

std::string TOxQRCSVFilter::DisplayName() const { return std::string(SCSVFile); }

std::string TOxQRCSVFilter::Extension() const { return "csv"; }

bool TOxQRCSVFilter::GridRichText() const { return CsvSettings().ExportRichText; }

bool TOxQRCSVFilter::WantsNativeValues() const { return CsvSettings().PlainNumbers; }

int TOxQRCSVFilter::LastRow() const { return std::numeric_limits<int>::max() - 1; }

int TOxQRCSVFilter::LastColumn() const { return std::numeric_limits<int>::max() - 1; }

void TOxQRCSVFilter::BeginDocument() {
  separator_ = SeparatorOf(CsvSettings().Separator);
  guard_ = CsvSettings().FormulaGuard;
  row_ = -1;
  fields_.clear();
  try {
    file_ = std::make_unique<TSafeFileStream>(FileName);
  } catch (const EFileError& e) {
    AbortFileNotCreated(e);
    return;
  }
  if (CsvSettings().ByteOrderMark) file_->Write("\xEF\xBB\xBF", 3);
}

void TOxQRCSVFilter::WriteGridCell(const TGridCell& Cell) {
  int row = Cell.Row;
  int column = Cell.Column;
  if (!file_ || !PlaceCell(row, column)) return;
  if (row != row_) FlushRow();
  row_ = row;
  std::string text;
  if (Cell.Native != nullptr) {
    const auto& v = *Cell.Native;
    text = v.IsDate ? IsoDateText(v.Value, v.WithTime, v.Type == TFieldType::ftTime) : PlainNumberText(v.Value);
  } else {
    text = AnsiToUtf8(Cell.Text.Text);
    if (guard_) text = GuardFormula(std::move(text));
  }
  fields_[column] = CsvQuote(text, separator_);
}

void TOxQRCSVFilter::FlushRow() {
  if (fields_.empty()) return;
  line_.clear();
  int column = 0;
  for (const auto& [at, field] : fields_) {
    for (; column < at; ++column) line_ += separator_;
    line_ += field;
  }
  // Every line holds as many fields as the report's grid has columns.
  for (++column; column < ReportColumns.ColumnCount(); ++column) line_ += separator_;
  line_ += "\r\n";
  file_->Write(line_.data(), line_.size());
  fields_.clear();
}

void TOxQRCSVFilter::EndDocument() {
  if (!file_) return;
  FlushRow();
  file_->Commit();
  file_.reset();
  ReleaseCells();
}

}  // namespace oxqr
