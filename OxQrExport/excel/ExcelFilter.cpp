#include "ExcelFilter.h"

#include <algorithm>

#include "CellNumbers.h"
#include "OxQrConsts/OxQrConsts.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/SafeFile.h"

namespace oxqr {

namespace {

const TOxQRExcelSettings& ExcelSettings() { return QRExportSettings().Excel; }

// Most number formats a cell's attribute bytes can point at.
constexpr std::size_t kMaxFormats = 64;

}  // namespace

TOxQRExcelFilter::~TOxQRExcelFilter() = default;

std::string TOxQRExcelFilter::DisplayName() const { return std::string(SExcelWorksheet); }

std::string TOxQRExcelFilter::Extension() const { return "xls"; }

TTextLineSpacing TOxQRExcelFilter::GridLineSpacing() const { return ExcelSettings().LineSpacing; }

bool TOxQRExcelFilter::GridRichText() const { return ExcelSettings().ExportRichText; }

bool TOxQRExcelFilter::WantsNativeValues() const { return ExcelSettings().NativeNumbers; }

void TOxQRExcelFilter::StartJob(int APageWidth, int APageHeight, const TFont& Font) {
  CellStream.Clear();
  TextsCut = 0;
  formats_.clear();
  spill_.reset();
  spilled_ = 0;
  spillRefused_ = false;
  TOxQRCellGridFilter::StartJob(APageWidth, APageHeight, Font);
}

void TOxQRExcelFilter::BeginDocument() {
  CurrentRow = 0;
  ColumnPositions.clear();
  ColumnWidths.clear();
  std::unique_ptr<TSafeFileStream> file;
  try {
    file = std::make_unique<TSafeFileStream>(FileName);
  } catch (const EFileError& e) {
    AbortFileNotCreated(e);
    return;
  }
  // Native numbers carry FORMAT and XF records that some readers apply only under the
  // older BOF; the default file keeps the 0x0809 one.
  if (ExcelSettings().NativeNumbers) {
    biff::WriteBof2(*file);
  } else {
    biff::WriteBof(*file);
  }
  biff::WriteCodePage(*file, EightBitCodePage());
  biff::WriteDimensions(*file);
  file_ = file.get();
  Output = std::move(file);
}

int TOxQRExcelFilter::NativeFormatId(const std::string& Format) {
  if (formats_.empty()) formats_.emplace_back("General");
  const auto at = std::find(formats_.begin(), formats_.end(), Format);
  if (at != formats_.end()) return static_cast<int>(at - formats_.begin());
  if (formats_.size() >= kMaxFormats) return 0;
  formats_.push_back(Format);
  return static_cast<int>(formats_.size()) - 1;
}

void TOxQRExcelFilter::WriteGridCell(const TGridCell& Cell) {
  const TOxQrTextRec& rec = Cell.Text;
  int font = FindFont(FontKey(rec.Font.Name, rec.Font.Size, rec.Font.Style));
  if (font < 0 || font >= 4) font = 0;
  std::uint8_t align = 0;
  if (Cell.Column != 0 && ExcelSettings().SetCellAttributes) {
    if (rec.Alignment == TAlignment::taRightJustify) align = 3;
    if (rec.Alignment == TAlignment::taCenter) align = 2;
  }
  const auto fontBits = static_cast<std::uint8_t>(font << 6);
  if (Cell.Native == nullptr) {
    WriteCell(Cell.Row, Cell.Column, {0, fontBits, align}, rec.CellType, rec.Text);
    return;
  }
  // A field value: its format as the XF index and in the format bits beside the font.
  const auto format = static_cast<std::uint8_t>(Cell.Native->FormatId);
  int row = Cell.Row;
  int column = Cell.Column;
  if (PlaceCell(row, column))
    biff::WriteNumeric(CellStream, row, column, {format, static_cast<std::uint8_t>(fontBits | format), align},
                       Cell.Native->Value);
}

void TOxQRExcelFilter::WriteCell(int Row, int Column, const biff::TCellAttributes& Attributes, std::uint8_t CellType,
                                 const std::string& Text) {
  if (!PlaceCell(Row, Column)) return;
  if (CellType != kTextCell) {
    const auto value = ParseStrictDecimal(RemoveThousandSeparators(Text, ThousandSeparator()), DecimalSeparator());
    if (value) {
      if (CellType == kIntegerCell) {
        biff::WriteNumeric(CellStream, Row, Column, Attributes, *value);
      } else {
        biff::WriteNumber(CellStream, Row, Column, Attributes, *value);
      }
      return;
    }
  }
  const std::string label = ToEightBitText(Text);
  if (label.size() > biff::kMaxLabel) ++TextsCut;
  biff::WriteLabel(CellStream, Row, Column, Attributes, label);
}

void TOxQRExcelFilter::EndGridPage() {
  if (CellStream.Size() > static_cast<std::int64_t>(CellMemoryBudget) && !spillRefused_) SpillCells();
}

std::unique_ptr<TStream> TOxQRExcelFilter::CreateSpillStream() {
  std::string name;
  try {
    name = CreateTempFile("OxQR");
    auto stream = std::make_unique<TFileStream>(name, TFileMode::fmOpenReadWrite);
    // The open file needs no name: removed now, it is gone with the stream, even when the
    // process is killed.
    TryDeleteFile(name);
    return stream;
  } catch (const EFileError&) {
    if (!name.empty()) TryDeleteFile(name);
    return nullptr;  // no temporary folder to write to
  }
}

void TOxQRExcelFilter::SpillCells() {
  if (!spill_) spill_ = CreateSpillStream();
  if (!spill_) {
    spillRefused_ = true;
    return;
  }
  // A write that fails throws: the export stops and the unfinished file is not committed.
  spill_->Write(CellStream.Bytes());
  spilled_ += CellStream.Size();
  CellStream.Clear();  // keeps its buffer for the next page's records
}

void TOxQRExcelFilter::EndDocument() {
  if (file_ == nullptr) return;
  const std::size_t fonts = std::min<std::size_t>(FontList.size(), 4);
  for (std::size_t i = 0; i < fonts; ++i)
    biff::WriteFont(*Output, FontList[i].Font.Name, FontList[i].Font.Size, FontList[i].Font.Style);
  if (formats_.empty()) {
    biff::WriteXf(*Output);
  } else {
    // One XF per number format, so that a cell's XF index and format index agree.
    for (const auto& format : formats_) biff::WriteFormat(*Output, format);
    for (std::size_t i = 0; i < formats_.size(); ++i) biff::WriteXf(*Output, static_cast<std::uint8_t>(i));
  }
  if (spill_) {
    // The records in the order written: the spilled ones, then those still in memory. A
    // spill that reads back short throws rather than leave a workbook without its cells.
    spill_->SetPosition(0);
    Output->CopyFrom(*spill_, spilled_);
    spill_.reset();
  }
  Output->Write(CellStream.Bytes());
  biff::WriteEof(*Output);
  file_->Commit();
  file_ = nullptr;
  Output.reset();
  CellStream.Clear();
  ReleaseCells();
  if (CellsLeftOut > 0 || TextsCut > 0) ReportError(this, ExcelCellsLeftOut(CellsLeftOut, TextsCut));
}

}  // namespace oxqr
