#pragma once
// TQRCrossTab: a table of values by row and column headers, with a total per row, a total
// per column and a grand total, printed as a grid of cells: the column headers on top, the
// row headers on the left, the totals as the last column and the last row.
//
// It grows its band as far as the page allows. A table taller than that continues on the
// following pages (the band prints again with the control unfinished, as stretching text
// does), each piece under its column headers; the columns that do not fit the band's width
// from the control's left edge are printed after all rows of the columns before them,
// each piece with the row headers again.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "Printable.h"
#include "TextCell.h"

namespace oxqr {

struct TQRCrossTabValue {
  std::string Text;
  std::optional<double> Number;  // the value as a number, when it is one
};

struct TQRCrossTabTable {
  std::vector<std::string> RowHeaders;
  std::vector<std::string> ColumnHeaders;
  std::vector<TQRCrossTabValue> Cells;         // RowHeaders.size() x ColumnHeaders.size(), row by row
  std::vector<TQRCrossTabValue> RowTotals;     // one per row
  std::vector<TQRCrossTabValue> ColumnTotals;  // one per column
  TQRCrossTabValue GrandTotal;
  std::string NumberFormat;  // the mask the numbers' texts were made with

  // Row r and column c of the body, the totals at r == RowHeaders.size() and
  // c == ColumnHeaders.size(); an empty value where the table holds none.
  const TQRCrossTabValue& At(std::size_t r, std::size_t c) const;
};

// Which part of the table one piece prints: body columns [FirstColumn, EndColumn) and body
// rows [FirstRow, EndRow), counting the totals column and row as the last ones, at Top
// (Native, from the control's top).
struct TQRCrossTabPiece {
  std::size_t FirstColumn = 0, EndColumn = 0;
  std::size_t FirstRow = 0, EndRow = 0;
  double Top = 0;
  friend bool operator==(const TQRCrossTabPiece&, const TQRCrossTabPiece&) = default;
};

class TQRCrossTab : public TQRPrintable {
 public:
  TQRCrossTab() { Frame.SetAll(true); }  // a table's lines: every cell framed
  TFont Font;
  double RowHeaderWidth = 350;  // Native
  double ColumnWidth = 250;
  double RowHeight = 60;
  std::string TotalCaption = "Total";
  // The table a program sets; Table() prints it unless a descendant computes its own.
  TQRCrossTabTable Data;

  void BeforePrint() override;
  void Print(int OffsetX, int OffsetY) override;

  // The table a fresh printing shows (taken once per printing, continued over its pages).
  virtual TQRCrossTabTable Table() const { return Data; }
  // Body columns (the totals column included) that fit beside the row headers in the
  // band's width from the control's left edge: at least one.
  std::size_t ColumnsPerPiece() const;
  // The boxes every piece's columns take, left to right: the row headers' box, then one per
  // column that fits (Native left relative to the band, width). The same on every page,
  // whatever the data, so that a spreadsheet can give each its column before the first page.
  std::vector<std::pair<double, double>> ColumnBoxes() const;
  // The cells of `piece` of `table` (headers, values and totals).
  std::vector<TQRTextCell> CellsOf(const TQRCrossTabTable& table, const TQRCrossTabPiece& piece) const;

 protected:
  // Hands the printed cells to the active filter of an export run: each as a line of text
  // clipped to its box. Export-aware descendants give document filters the cells themselves.
  virtual void ExportCells(std::span<const TQRTextCell> cells, int OffsetX, int OffsetY, bool continuing);

 private:
  // The pieces this printing prints, growing the band for them.
  std::vector<TQRCrossTabPiece> NextPieces();
  // How many of `remaining` rows fit under a header row at `top` (at least one when `must`).
  std::size_t RowsThatFit(double top, std::size_t remaining, bool must) const;
  void Draw(std::span<const TQRTextCell> cells, int OffsetX, int OffsetY) const;

  TQRCrossTabTable table_;  // of the printing in progress
  std::size_t chunk_ = 0;   // the column piece being printed
  std::size_t nextRow_ = 0;
};

}  // namespace oxqr
