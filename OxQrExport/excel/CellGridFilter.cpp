#include "CellGridFilter.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "CellNumbers.h"
#include "NumberFormats.h"
#include "OxQrExport/core/DocumentFunctions.h"
#include "engine/Band.h"
#include "engine/Controls.h"
#include "engine/Printer.h"
#include "platform/Locale.h"
#include "platform/TextMetrics.h"

namespace oxqr {

namespace {

int Rounded(double v) { return static_cast<int>(RoundHalfEven(v)); }

// Characters that a standard worksheet column holds.
constexpr double kCharsPerColumn = 8.43;

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

TOxQRCellGridFilter::THeaderBand HeaderBandOf(const TQRPrintable* control) {
  using H = TOxQRCellGridFilter::THeaderBand;
  const TQRCustomBand* band = control != nullptr ? control->ParentBand() : nullptr;
  if (band == nullptr) return H::hbNone;
  if (band->BandType == TQRBandType::rbColumnHeader) return H::hbColumnHeader;
  return band->BandType == TQRBandType::rbPageHeader ? H::hbPageHeader : H::hbNone;
}

}  // namespace

TOxQRCellGridFilter::~TOxQRCellGridFilter() = default;

void TOxQRCellGridFilter::ResetGrid() {
  ReleaseCells();
  FontList.clear();
  ReportColumns.Clear();
  ColumnPositions.clear();
  ColumnWidths.clear();
  streamRow_ = 0;
  CellsLeftOut = 0;
  CurrentRow = 0;
  PageFirstRow = 0;
}

void TOxQRCellGridFilter::ReleaseCells() {
  PageTexts.clear();
  std::vector<std::vector<std::uint64_t>>().swap(takenColumns_);
  streamColumns_.clear();
  nativeValues_.clear();
  headerTexts_.clear();
}

void TOxQRCellGridFilter::StartJob(int APageWidth, int APageHeight, const TFont& Font) {
  ResetGrid();
  // The grid comes first: the document filter's StartJob already maps the page.
  const TSize w = TextExtent(Font, "W");
  CharColumnWidth = (w.cx > 0 ? w.cx : 1) * kCharsPerColumn;
  CharRowHeight = w.cy > 0 ? w.cy : 1;
  const double g = SourcePrinter != nullptr ? SourcePrinter->VerticalFactor() : 0;
  RowsPerPage = Rounded(APageHeight * g / CharRowHeight);
  AddFont(Font.Name, std::abs(Font.Size), Font.Style);
  // Known before the first page, so that no page moves another page's columns.
  if (Report != nullptr && SourcePrinter != nullptr) {
    const double f = SourcePrinter->HorizontalFactor();
    // A control's width counts as the widest text it shows, which MapSize gives from pixels.
    ReportColumns.Build(
        *Report, [this](double x) { return MapX(x); }, [this, f](double w) { return MapX(w * f); },
        g > 0 ? CharRowHeight / g : 0);
  }
  TOxQRDocumentFilter::StartJob(APageWidth, APageHeight, Font);
}

double TOxQRCellGridFilter::MapX(double X) { return X * SourcePrinter->HorizontalFactor() / CharColumnWidth; }

double TOxQRCellGridFilter::MapY(double Y) {
  // Before the first page (the page geometry at StartJob) there is no page to stack.
  return Y * SourcePrinter->VerticalFactor() / CharRowHeight + std::max(0, PageNumber() - 1) * RowsPerPage;
}

void TOxQRCellGridFilter::MapSize(TSize Size, double& Width, double& Height) {
  // The pixel extent goes through the Native conversion, as the column widths expect.
  Width = MapX(Size.cx);
  Height = MapY(Size.cy);
}

std::string TOxQRCellGridFilter::FontKey(const std::string& Name, int Size, TFontStyles Style) {
  std::string key = Name + " " + std::to_string(Size);
  if (Style.Has(TFontStyle::fsBold)) key += " Bold";
  if (Style.Has(TFontStyle::fsItalic)) key += " Italic";
  if (Style.Has(TFontStyle::fsUnderline)) key += " UnderLine";
  if (Style.Has(TFontStyle::fsStrikeOut)) key += " StrikeOut";
  return key;
}

int TOxQRCellGridFilter::FindFont(const std::string& Key) const {
  for (std::size_t i = 0; i < FontList.size(); ++i)
    if (SameKey(FontList[i].Key, Key)) return static_cast<int>(i);
  return -1;
}

int TOxQRCellGridFilter::AddFont(const std::string& Name, int Size, TFontStyles Style) {
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

void TOxQRCellGridFilter::AddText(const TOxQrTextRec& Rec) {
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
  if (!ReportColumns.Empty()) {
    copy->ColumnSlot = ReportSlotOf(*copy);
  } else {
    AddPageColumn(*copy);
  }
  TNativeValue native;
  if (WantsNativeValues() && NativeValueOf(Rec, native)) {
    copy->CellType = kNumberCell;
    nativeValues_[copy.get()] = std::move(native);
  } else if (TextCell != nullptr && TextCell->Number) {
    copy->CellType = kNumberCell;  // a table's value: its text is the number in its mask
  } else {
    copy->CellType = CellTypeOf(Rec.Text);
  }
  if (const THeaderBand header = HeaderBandOf(TextControl); header != THeaderBand::hbNone)
    headerTexts_[copy.get()] = header;
  InsertTextSorted(std::move(copy), PageTexts);
}

int TOxQRCellGridFilter::ReportSlotOf(const TOxQrTextRec& Copy) {
  if (const int slot = ReportColumns.SlotOf(TextControl); slot >= 0) return slot;
  if (TextCell != nullptr)  // a table's cell: the slot of its column's box
    if (const int slot = ReportColumns.SlotOfCell(TextControl, TextCell->Box); slot >= 0) return slot;
  // A text of no control of the bands (a barcode's caption, a label outside the export-aware
  // controls) goes by its box, which a label sets around its lines, else by its first character.
  const double left = TextClipRight > TextClipLeft ? MapX(TextClipLeft) : Copy.X;
  return ReportColumns.SlotAt(Rounded(left));
}

void TOxQRCellGridFilter::AddPageColumn(TOxQrTextRec& Copy) {
  const int p = Rounded(Copy.X);
  const int w = Rounded(Copy.Width);
  const auto at = std::find(ColumnPositions.begin(), ColumnPositions.end(), p);
  if (at == ColumnPositions.end()) {
    ColumnPositions.push_back(p);
    ColumnWidths.push_back(w);
    Copy.ColumnSlot = static_cast<int>(ColumnPositions.size()) - 1;
  } else {
    Copy.ColumnSlot = static_cast<int>(at - ColumnPositions.begin());
    int& width = ColumnWidths[static_cast<std::size_t>(Copy.ColumnSlot)];
    width = std::max(width, w);
  }
}

int TOxQRCellGridFilter::ColumnOf(const TOxQrTextRec& Copy) const {
  if (!ReportColumns.Empty()) return ReportColumns.ColumnOf(Copy.ColumnSlot);
  const int position = ColumnPositions[static_cast<std::size_t>(Copy.ColumnSlot)];
  int colX = 0;
  for (std::size_t j = 0; j < ColumnPositions.size(); ++j)
    if (ColumnPositions[j] < position) colX += ColumnWidths[j] + 1;
  return std::max(colX, 0);
}

std::uint8_t TOxQRCellGridFilter::CellTypeOf(const std::string& Text) const {
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

int TOxQRCellGridFilter::NativeFormatId(const std::string&) { return 0; }

bool TOxQRCellGridFilter::NativeValueOf(const TOxQrTextRec& Rec, TNativeValue& Value) {
  if (TextCell != nullptr) {  // a table's cell: the number it shows, in its mask
    if (!TextCell->Number || !std::isfinite(*TextCell->Number)) return false;
    Value.Value = *TextCell->Number;
    Value.Type = TFieldType::ftFloat;
    Value.IsDate = false;
    Value.WithTime = false;
    Value.Format = FieldWorksheetFormat(TFieldType::ftFloat, TextCell->NumberFormat, false);
    Value.FormatId = NativeFormatId(Value.Format);
    return true;
  }
  const auto* db = dynamic_cast<const TQRDBText*>(TextControl);
  if (db == nullptr || db->DataSet == nullptr) return false;
  const TField* field = db->DataSet->FindField(db->DataField);
  if (field == nullptr || field->IsNull() || !IsNativeNumberField(field->DataType)) return false;
  // Only a line that shows the whole value (not a piece of a wrapped text) becomes the value.
  if (TrimBlanks(Rec.Text) != TrimBlanks(field->DisplayText())) return false;
  const double value = field->AsFloat();
  if (!std::isfinite(value)) return false;
  Value.Value = value;
  Value.Type = field->DataType;
  Value.IsDate = IsNativeDateField(field->DataType);
  Value.WithTime = Value.IsDate && value != std::floor(value);
  Value.Format = FieldWorksheetFormat(field->DataType, field->DisplayFormat, Value.WithTime);
  Value.FormatId = NativeFormatId(Value.Format);
  return true;
}

void TOxQRCellGridFilter::ClosePage() {
  // The engine also closes "page 0" before the first page and pages after a failure.
  if (PageOpen()) {
    PageFirstRow =
        GridLineSpacing() == TTextLineSpacing::lsActual ? std::max(0, PageNumber() - 1) * RowsPerPage : CurrentRow;
    int last = -1;
    for (const auto& rec : PageTexts) WritePageText(*rec, last);
    EndGridPage();
    PageTexts.clear();
    nativeValues_.clear();
    headerTexts_.clear();
    ColumnPositions.clear();
    ColumnWidths.clear();
  }
  TOxQRDocumentFilter::ClosePage();
}

void TOxQRCellGridFilter::WritePageText(const TOxQrTextRec& Rec, int& Last) {
  const int colX = ColumnOf(Rec);

  const TTextLineSpacing spacing = GridLineSpacing();
  const int y = Rounded(Rec.Y);
  if (spacing == TTextLineSpacing::lsActual) {
    CurrentRow = y;
  } else if (y != Last) {
    CurrentRow += RowStep(spacing);
    Last = y;
  }
  if (Rec.Text.empty()) return;

  const auto native = nativeValues_.find(&Rec);
  const auto header = headerTexts_.find(&Rec);
  WriteGridCell({CurrentRow, colX, Rec, native == nativeValues_.end() ? nullptr : &native->second,
                 header == headerTexts_.end() ? THeaderBand::hbNone : header->second});
}

bool TOxQRCellGridFilter::PlaceCell(int& Row, int& Column) {
  Row = std::max(Row, 0);
  Column = std::max(Column, 0);
  if (!StreamsRows()) return TakeGridCell(Row, Column);
  Row = std::max(Row, streamRow_);
  if (Row != streamRow_) streamColumns_.clear();
  streamRow_ = Row;
  while (!streamColumns_.insert(Column).second) ++Column;
  if (Row > LastRow() || Column > LastColumn()) {
    ++CellsLeftOut;
    return false;
  }
  return true;
}

bool TOxQRCellGridFilter::TakeGridCell(int Row, int& Column) {
  // A cell that starts past the last column ends there too; one that is pushed past it is
  // left out whichever later column it would take, so neither needs remembering.
  if (Row > LastRow() || Column > LastColumn()) {
    ++CellsLeftOut;
    return false;
  }
  const auto row = static_cast<std::size_t>(Row);
  if (row >= takenColumns_.size()) takenColumns_.resize(row + 1);
  std::vector<std::uint64_t>& bits = takenColumns_[row];
  const auto taken = [&bits](int c) {
    const auto word = static_cast<std::size_t>(c) / 64;
    return word < bits.size() && ((bits[word] >> (c % 64)) & 1) != 0;
  };
  while (taken(Column)) ++Column;
  if (Column > LastColumn()) {
    ++CellsLeftOut;
    return false;
  }
  const auto word = static_cast<std::size_t>(Column) / 64;
  if (word >= bits.size()) bits.resize(word + 1);
  bits[word] |= std::uint64_t{1} << (Column % 64);
  return true;
}

void TOxQRCellGridFilter::EndBand(const TQRCustomBand&, const TOxQrRect&) { BandOpen = false; }

void TOxQRCellGridFilter::EndTextBlock(const TQRPrintable& Control, int, int, bool Continuing) {
  if (Aborted()) return;
  TextControl = nullptr;
  InTextBlock = false;
  CloseBandIfLast(Control, Continuing);
}

void TOxQRCellGridFilter::WriteRichText(const TQRPrintable& Control, const TGraphic& Graphic, TStream& Stream,
                                        double X, double Y, bool Continuing) {
  if (GridRichText()) TOxQRDocumentFilter::WriteRichText(Control, Graphic, Stream, X, Y, Continuing);
}

}  // namespace oxqr
