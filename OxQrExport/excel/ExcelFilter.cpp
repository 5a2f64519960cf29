#include "ExcelFilter.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "CellNumbers.h"
#include "NumberFormats.h"
#include "OxQrConsts/OxQrConsts.h"
#include "OxQrExport/core/DocumentFunctions.h"
#include "OxQrExport/core/Settings.h"
#include "data/DataSet.h"
#include "engine/Controls.h"
#include "engine/Printer.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Locale.h"
#include "platform/SafeFile.h"
#include "platform/TextMetrics.h"

namespace oxqr {

namespace {

const TOxQRExcelSettings& ExcelSettings() { return QRExportSettings().Excel; }

int Rounded(double v) { return static_cast<int>(RoundHalfEven(v)); }

// Characters that a standard worksheet column holds.
constexpr double kCharsPerColumn = 8.43;
// Most number formats a cell's attribute bytes can point at.
constexpr std::size_t kMaxFormats = 64;

// Rows a new printed line moves down for the non-actual spacings.
int RowStep(TTextLineSpacing spacing) {
  switch (spacing) {
    case TTextLineSpacing::lsActual:
    case TTextLineSpacing::lsNoBlank:
      return 1;
    case TTextLineSpacing::lsOneBlank:
      return 2;
    case TTextLineSpacing::lsTwoBlank:
      return 3;
    case TTextLineSpacing::lsThreeBlank:
      return 4;
    case TTextLineSpacing::lsFourBlank:
      return 5;
    case TTextLineSpacing::lsFiveBlank:
      return 6;
  }
  return 1;
}

bool SameKey(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

}  // namespace

TOxQRExcelFilter::~TOxQRExcelFilter() = default;

std::string TOxQRExcelFilter::DisplayName() const { return std::string(SExcelWorksheet); }

std::string TOxQRExcelFilter::Extension() const { return "xls"; }

void TOxQRExcelFilter::StartJob(int APageWidth, int APageHeight, const TFont& Font) {
  PageTexts.clear();
  CellStream.Clear();
  FontList.clear();
  UsedCells.clear();
  CellsLeftOut = 0;
  formats_.clear();
  nativeCells_.clear();
  // The grid comes first: the document filter's StartJob already maps the page.
  const TSize w = TextExtent(Font, "W");
  CharColumnWidth = (w.cx > 0 ? w.cx : 1) * kCharsPerColumn;
  CharRowHeight = w.cy > 0 ? w.cy : 1;
  const double g = SourcePrinter != nullptr ? SourcePrinter->VerticalFactor() : 0;
  RowsPerPage = Rounded(APageHeight * g / CharRowHeight);
  AddFont(Font.Name, std::abs(Font.Size), Font.Style);
  TOxQRDocumentFilter::StartJob(APageWidth, APageHeight, Font);
}

double TOxQRExcelFilter::MapX(double X) { return X * SourcePrinter->HorizontalFactor() / CharColumnWidth; }

double TOxQRExcelFilter::MapY(double Y) {
  // Before the first page (the page geometry at StartJob) there is no page to stack.
  return Y * SourcePrinter->VerticalFactor() / CharRowHeight + std::max(0, PageNumber() - 1) * RowsPerPage;
}

void TOxQRExcelFilter::MapSize(TSize Size, double& Width, double& Height) {
  // The pixel extent goes through the Native conversion, as the column widths expect.
  Width = MapX(Size.cx);
  Height = MapY(Size.cy);
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

std::string TOxQRExcelFilter::FontKey(const std::string& Name, int Size, TFontStyles Style) {
  std::string key = Name + " " + std::to_string(Size);
  if (Style.Has(TFontStyle::fsBold)) key += " Bold";
  if (Style.Has(TFontStyle::fsItalic)) key += " Italic";
  if (Style.Has(TFontStyle::fsUnderline)) key += " UnderLine";
  if (Style.Has(TFontStyle::fsStrikeOut)) key += " StrikeOut";
  return key;
}

int TOxQRExcelFilter::FindFont(const std::string& Key) const {
  for (std::size_t i = 0; i < FontList.size(); ++i)
    if (SameKey(FontList[i].Key, Key)) return static_cast<int>(i);
  return -1;
}

int TOxQRExcelFilter::AddFont(const std::string& Name, int Size, TFontStyles Style) {
  const std::string key = FontKey(Name, Size, Style);
  const int found = FindFont(key);
  if (found >= 0) return found;
  TOxQrFontAttrib font;
  font.Name = Name;
  font.Size = Size;
  font.Style = Style;
  FontList.push_back({key, font});
  return static_cast<int>(FontList.size()) - 1;
}

void TOxQRExcelFilter::AddText(const TOxQrTextRec& Rec) {
  auto copy = std::make_unique<TOxQrTextRec>(Rec);
  AddFont(Rec.Font.Name, Rec.Font.Size, Rec.Font.Style);
  // The anchor of an aligned text moves towards its first character.
  const double n = static_cast<double>(Rec.Text.size());
  switch (Rec.Alignment) {
    case TAlignment::taLeftJustify:
      break;
    case TAlignment::taRightJustify:
      copy->X = Rec.X + Rec.Width - n / kCharsPerColumn;
      break;
    case TAlignment::taCenter:
      copy->X = Rec.X + Rec.Width / 2 - (n / 2) / kCharsPerColumn;
      break;
  }
  const int p = Rounded(copy->X);
  const int w = Rounded(copy->Width);
  const auto at = std::find(ColumnPositions.begin(), ColumnPositions.end(), p);
  if (at == ColumnPositions.end()) {
    ColumnPositions.push_back(p);
    ColumnWidths.push_back(w);
    copy->ColumnSlot = static_cast<int>(ColumnPositions.size()) - 1;
  } else {
    copy->ColumnSlot = static_cast<int>(at - ColumnPositions.begin());
    int& width = ColumnWidths[static_cast<std::size_t>(copy->ColumnSlot)];
    width = std::max(width, w);
  }
  TNativeCell native;
  if (ExcelSettings().NativeNumbers && NativeCellOf(Rec, native)) {
    copy->CellType = kNumberCell;
    nativeCells_[copy.get()] = native;
  } else {
    copy->CellType = CellTypeOf(Rec.Text);
  }
  InsertTextSorted(std::move(copy), PageTexts);
}

std::uint8_t TOxQRExcelFilter::CellTypeOf(const std::string& Text) const {
  const std::string t = RemoveThousandSeparators(Text, ThousandSeparator());
  const auto value = ParseStrictDecimal(t, DecimalSeparator());
  if (!value || *value > 2147483647.0) return kTextCell;
  if (TextControl == nullptr) return t.find(DecimalSeparator()) != std::string::npos ? kNumberCell : kIntegerCell;
  std::uint8_t type = kTextCell;
  if (const auto* db = dynamic_cast<const TQRDBText*>(TextControl); db != nullptr && db->DataSet != nullptr) {
    if (const TField* field = db->DataSet->FindField(db->DataField)) {
      switch (field->DataType) {
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger:
        case TFieldType::ftWord:
          type = kIntegerCell;
          break;
        case TFieldType::ftFloat:
        case TFieldType::ftAutoInc:
        case TFieldType::ftLargeint:
          type = kNumberCell;
          break;
        default:
          break;
      }
    }
  }
  if (TextControl->Tag == -1000) type = kIntegerCell;
  if (TextControl->Tag == -2000) type = kNumberCell;
  return type;
}

bool TOxQRExcelFilter::NativeCellOf(const TOxQrTextRec& Rec, TNativeCell& Cell) {
  const auto* db = dynamic_cast<const TQRDBText*>(TextControl);
  if (db == nullptr || db->DataSet == nullptr) return false;
  const TField* field = db->DataSet->FindField(db->DataField);
  if (field == nullptr || field->IsNull() || !IsNativeNumberField(field->DataType)) return false;
  // Only a line that shows the whole value (not a piece of a wrapped text) becomes the value.
  if (TrimBlanks(Rec.Text) != TrimBlanks(field->DisplayText())) return false;
  const double value = field->AsFloat();
  if (!std::isfinite(value)) return false;
  const bool withTime = IsNativeDateField(field->DataType) && value != std::floor(value);
  Cell.Value = value;
  Cell.FormatIndex = FormatIndexOf(FieldWorksheetFormat(field->DataType, field->DisplayFormat, withTime));
  return true;
}

std::uint8_t TOxQRExcelFilter::FormatIndexOf(const std::string& Format) {
  if (formats_.empty()) formats_.emplace_back("General");
  const auto at = std::find(formats_.begin(), formats_.end(), Format);
  if (at != formats_.end()) return static_cast<std::uint8_t>(at - formats_.begin());
  if (formats_.size() >= kMaxFormats) return 0;
  formats_.push_back(Format);
  return static_cast<std::uint8_t>(formats_.size() - 1);
}

void TOxQRExcelFilter::ClosePage() {
  // The engine also closes "page 0" before the first page and pages after a failure.
  if (PageOpen()) {
    int last = -1;
    for (const auto& rec : PageTexts) WritePageText(*rec, last);
    PageTexts.clear();
    nativeCells_.clear();
    ColumnPositions.clear();
    ColumnWidths.clear();
  }
  TOxQRDocumentFilter::ClosePage();
}

void TOxQRExcelFilter::WritePageText(const TOxQrTextRec& Rec, int& Last) {
  const auto& settings = ExcelSettings();
  int font = FindFont(FontKey(Rec.Font.Name, Rec.Font.Size, Rec.Font.Style));
  if (font < 0 || font >= 4) font = 0;

  const int position = ColumnPositions[static_cast<std::size_t>(Rec.ColumnSlot)];
  int colX = 0;
  for (std::size_t j = 0; j < ColumnPositions.size(); ++j)
    if (ColumnPositions[j] < position) colX += ColumnWidths[j] + 1;
  colX = std::max(colX, 0);

  const int y = Rounded(Rec.Y);
  if (settings.LineSpacing == TTextLineSpacing::lsActual) {
    CurrentRow = y;
  } else if (y != Last) {
    CurrentRow += RowStep(settings.LineSpacing);
    Last = y;
  }

  std::uint8_t align = 0;
  if (colX != 0 && settings.SetCellAttributes) {
    if (Rec.Alignment == TAlignment::taRightJustify) align = 3;
    if (Rec.Alignment == TAlignment::taCenter) align = 2;
  }
  if (Rec.Text.empty()) return;

  const auto fontBits = static_cast<std::uint8_t>(font << 6);
  const auto native = nativeCells_.find(&Rec);
  if (native == nativeCells_.end()) {
    WriteCell(CurrentRow, colX, {0, fontBits, align}, Rec.CellType, Rec.Text);
    return;
  }
  // A field value: its format as the XF index and in the format bits beside the font.
  const std::uint8_t format = native->second.FormatIndex;
  int row = CurrentRow;
  int column = colX;
  if (PlaceCell(row, column))
    biff::WriteNumeric(CellStream, row, column, {format, static_cast<std::uint8_t>(fontBits | format), align},
                       native->second.Value);
}

bool TOxQRExcelFilter::PlaceCell(int& Row, int& Column) {
  Row = std::max(Row, 0);
  Column = std::max(Column, 0);
  while (!UsedCells.insert(std::to_string(Row) + " " + std::to_string(Column)).second) ++Column;
  if (Row > biff::kMaxRow || Column > biff::kMaxColumn) {
    ++CellsLeftOut;
    return false;
  }
  return true;
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
  biff::WriteLabel(CellStream, Row, Column, Attributes, ToEightBitText(Text));
}

void TOxQRExcelFilter::EndBand(const TQRCustomBand&, const TOxQrRect&) { BandOpen = false; }

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
  Output->Write(CellStream.Bytes());
  biff::WriteEof(*Output);
  file_->Commit();
  file_ = nullptr;
  Output.reset();
  PageTexts.clear();
  nativeCells_.clear();
  CellStream.Clear();
  UsedCells.clear();
  if (CellsLeftOut > 0) ReportError(this, ExcelCellsLeftOut(CellsLeftOut));
}

void TOxQRExcelFilter::EndTextBlock(const TQRPrintable& Control, int, int, bool Continuing) {
  if (Aborted()) return;
  TextControl = nullptr;
  InTextBlock = false;
  CloseBandIfLast(Control, Continuing);
}

void TOxQRExcelFilter::WriteRichText(const TQRPrintable& Control, const TGraphic& Graphic, TStream& Stream, double X,
                                     double Y, bool Continuing) {
  if (ExcelSettings().ExportRichText) TOxQRDocumentFilter::WriteRichText(Control, Graphic, Stream, X, Y, Continuing);
}

}  // namespace oxqr
