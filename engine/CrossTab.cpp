// The cross-tab control: its pieces over pages, its cells, their drawing and export.
#include "CrossTab.h"

#include <algorithm>
#include <cmath>

#include "Band.h"
#include "ExportFilter.h"
#include "Layout.h"
#include "Printer.h"
#include "Report.h"
#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

constexpr double kPadding = 10;  // Native between a cell's edge and its text

double ScreenFactor() { return ScreenPPI / NativePerInch; }

// Pixels per Native of the run's printer, or of the screen outside a run.
double VerticalFactor(const TQRPrinter* printer) {
  return printer != nullptr ? printer->VerticalFactor() : ScreenFactor();
}

const TQRCrossTabValue kNoValue{};

}  // namespace

const TQRCrossTabValue& TQRCrossTabTable::At(std::size_t r, std::size_t c) const {
  const std::size_t rows = RowHeaders.size(), columns = ColumnHeaders.size();
  const auto pick = [](const std::vector<TQRCrossTabValue>& v, std::size_t i) -> const TQRCrossTabValue& {
    return i < v.size() ? v[i] : kNoValue;
  };
  if (r == rows && c == columns) return GrandTotal;
  if (r == rows) return pick(ColumnTotals, c);
  if (c == columns) return pick(RowTotals, r);
  if (r > rows || c > columns) return kNoValue;
  return pick(Cells, r * columns + c);
}

void TQRCrossTab::BeforePrint() {
  Finished = true;
  table_ = {};
  chunk_ = 0;
  nextRow_ = 0;
}

std::size_t TQRCrossTab::ColumnsPerPiece() const {
  const TQRCustomBand* band = ParentBand();
  const double width = band != nullptr && band->Size.Width > 0 ? band->Size.Width - Size.Left : Size.Width;
  if (ColumnWidth <= 0) return 1;
  const double fit = std::floor((width - RowHeaderWidth) / ColumnWidth + 1e-9);
  return fit < 1 ? 1 : static_cast<std::size_t>(std::min(fit, 10000.0));
}

std::vector<std::pair<double, double>> TQRCrossTab::ColumnBoxes() const {
  std::vector<std::pair<double, double>> boxes{{Size.Left, RowHeaderWidth}};
  const std::size_t n = ColumnsPerPiece();
  for (std::size_t i = 0; i < n; ++i)
    boxes.emplace_back(Size.Left + RowHeaderWidth + static_cast<double>(i) * ColumnWidth, ColumnWidth);
  return boxes;
}

std::size_t TQRCrossTab::RowsThatFit(double top, std::size_t remaining, bool must) const {
  const TQRCustomBand* band = ParentBand();
  // Whether the header row and `count` rows end inside the band or the band can grow for them.
  const auto fits = [&](std::size_t count) {
    if (band == nullptr) return true;
    const double bottom = Size.Top + top + static_cast<double>(count + 1) * RowHeight;
    return bottom <= band->Size.Height + band->Expanded || band->CanExpand(bottom - band->Size.Height);
  };
  if (remaining == 0) return 0;
  if (!fits(1)) return must ? 1 : 0;
  std::size_t low = 1, high = remaining;  // fits(low) holds
  while (low < high) {
    const std::size_t mid = low + (high - low + 1) / 2;
    if (fits(mid))
      low = mid;
    else
      high = mid - 1;
  }
  return low;
}

std::vector<TQRCrossTabPiece> TQRCrossTab::NextPieces() {
  const std::size_t columns = table_.ColumnHeaders.size() + 1;  // with the totals column
  const std::size_t rows = table_.RowHeaders.size() + 1;        // with the totals row
  const std::size_t perPiece = ColumnsPerPiece();
  const std::size_t chunks = (columns + perPiece - 1) / perPiece;
  std::vector<TQRCrossTabPiece> pieces;
  double top = 0;
  while (chunk_ < chunks) {
    // The first piece of a printing always prints a row, so that every page makes progress.
    const std::size_t count = RowsThatFit(top, rows - nextRow_, pieces.empty());
    if (count == 0) break;
    const std::size_t first = chunk_ * perPiece;
    pieces.push_back({first, std::min(columns, first + perPiece), nextRow_, nextRow_ + count, top});
    top += static_cast<double>(count + 1) * RowHeight;
    nextRow_ += count;
    if (nextRow_ < rows) break;  // the page is full
    ++chunk_;
    nextRow_ = 0;
    top += RowHeight;  // a blank row before the next columns
  }
  if (TQRCustomBand* band = ParentBand(); band != nullptr && !pieces.empty()) {
    const TQRCrossTabPiece& last = pieces.back();
    const double bottom = Size.Top + last.Top + static_cast<double>(last.EndRow - last.FirstRow + 1) * RowHeight;
    if (bottom > band->Size.Height + band->Expanded) {
      double total = 0;
      band->ExpandBy(bottom - band->Size.Height, this, total);
    }
  }
  return pieces;
}

std::vector<TQRTextCell> TQRCrossTab::CellsOf(const TQRCrossTabTable& table, const TQRCrossTabPiece& piece) const {
  const std::size_t columns = table.ColumnHeaders.size();
  const std::size_t rows = table.RowHeaders.size();
  std::vector<TQRTextCell> cells;
  const double factor = VerticalFactor(ParentPrinter());
  const auto add = [&](double left, double top, double width, std::string text, TAlignment alignment, bool bold,
                       std::optional<double> number) {
    TQRTextCell cell;
    cell.Box = left < RowHeaderWidth ? 0 : 1 + static_cast<int>(std::lround((left - RowHeaderWidth) / ColumnWidth));
    cell.Left = Size.Left + left;
    cell.Top = Size.Top + top;
    cell.Width = width;
    cell.Height = RowHeight;
    cell.Text = std::move(text);
    cell.Font = Font;
    if (bold) cell.Font.Style.Include(TFontStyle::fsBold);
    cell.Alignment = alignment;
    const double lineHeight = TextExtent(cell.Font, "W").cy / factor;
    cell.TextX = cell.Left + (alignment == TAlignment::taRightJustify ? width - kPadding
                              : alignment == TAlignment::taCenter     ? width / 2
                                                                      : kPadding);
    cell.TextY = cell.Top + std::max(0.0, (RowHeight - lineHeight) / 2);
    cell.Number = number;
    if (number) cell.NumberFormat = table.NumberFormat;
    cells.push_back(std::move(cell));
  };
  const auto columnLeft = [&](std::size_t c) {
    return RowHeaderWidth + static_cast<double>(c - piece.FirstColumn) * ColumnWidth;
  };
  // The header row: an empty corner, then the columns' headers.
  add(0, piece.Top, RowHeaderWidth, {}, TAlignment::taLeftJustify, true, std::nullopt);
  for (std::size_t c = piece.FirstColumn; c < piece.EndColumn; ++c)
    add(columnLeft(c), piece.Top, ColumnWidth, c < columns ? table.ColumnHeaders[c] : TotalCaption,
        TAlignment::taCenter, true, std::nullopt);
  for (std::size_t r = piece.FirstRow; r < piece.EndRow; ++r) {
    const double top = piece.Top + static_cast<double>(r - piece.FirstRow + 1) * RowHeight;
    const bool totalRow = r >= rows;
    add(0, top, RowHeaderWidth, totalRow ? TotalCaption : table.RowHeaders[r], TAlignment::taLeftJustify, true,
        std::nullopt);
    for (std::size_t c = piece.FirstColumn; c < piece.EndColumn; ++c) {
      const TQRCrossTabValue& v = table.At(r, c);
      add(columnLeft(c), top, ColumnWidth, v.Text, TAlignment::taRightJustify, totalRow || c >= columns, v.Number);
    }
  }
  return cells;
}

void TQRCrossTab::Print(int OffsetX, int OffsetY) {
  const bool continuing = !Finished;
  if (Finished) {  // a fresh printing: the table as it is now
    table_ = Table();
    chunk_ = 0;
    nextRow_ = 0;
  }
  const std::vector<TQRCrossTabPiece> pieces = NextPieces();
  std::vector<TQRTextCell> cells;
  for (const TQRCrossTabPiece& piece : pieces) {
    std::vector<TQRTextCell> more = CellsOf(table_, piece);
    cells.insert(cells.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
  }
  Draw(cells, OffsetX, OffsetY);
  const TQRCustomReport* report = OwnerReport();
  if (report != nullptr && report->Exporting()) ExportCells(cells, OffsetX, OffsetY, continuing);

  const std::size_t columns = table_.ColumnHeaders.size() + 1;
  const std::size_t chunks = (columns + ColumnsPerPiece() - 1) / ColumnsPerPiece();
  Finished = chunk_ >= chunks;
  if (Finished) {
    table_ = {};
    chunk_ = 0;
    nextRow_ = 0;
  }
}

void TQRCrossTab::Draw(std::span<const TQRTextCell> cells, int OffsetX, int OffsetY) const {
  TCanvas* canvas = FinalCanvas(*this);
  if (canvas == nullptr) return;
  const TQRPrinter& printer = *ParentPrinter();
  for (const TQRTextCell& cell : cells) {
    const TRect box = NativeToDevice(&printer, OffsetX + cell.Left, OffsetY + cell.Top, cell.Width, cell.Height);
    if (Color != clNone) {
      canvas->Brush = TBrush{Color, TBrushStyle::bsSolid};
      canvas->FillRect(box);
    }
    canvas->Font = cell.Font;
    canvas->Brush.Style = TBrushStyle::bsClear;
    const int width = TextExtent(cell.Font, cell.Text).cx;
    const int shift = cell.Alignment == TAlignment::taRightJustify ? width
                      : cell.Alignment == TAlignment::taCenter     ? width / 2
                                                                   : 0;
    canvas->TextRect(box, printer.ToDeviceX(OffsetX + cell.TextX) - shift, printer.ToDeviceY(OffsetY + cell.TextY),
                     cell.Text);
    Frame.Paint(*canvas, box);
  }
}

void TQRCrossTab::ExportCells(std::span<const TQRTextCell> cells, int OffsetX, int OffsetY, bool /*continuing*/) {
  TQRExportFilter* filter = OwnerReport()->ActiveFilter();
  for (const TQRTextCell& cell : cells) {
    if (cell.Text.empty()) continue;
    filter->TextClipLeft = OffsetX + cell.Left;
    filter->TextClipRight = OffsetX + cell.Left + cell.Width;
    filter->WriteText(OffsetX + cell.TextX, OffsetY + cell.TextY, cell.Font, Color, cell.Alignment, cell.Text);
  }
  filter->TextClipLeft = filter->TextClipRight = 0;
}

}  // namespace oxqr
