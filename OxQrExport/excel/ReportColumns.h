#pragma once
// The column grid of a whole report, taken from its bands' controls before the first page:
// each control that may print text gets the slot of its box's left edge (controls whose
// edges round to one position share a slot unless they start on one line of one band),
// and the slots take worksheet columns from left to right, each past the widths that the
// slots left of it have in its own bands. As the grid never depends on what a page prints,
// a control's texts land in the same column on every page and every row spans the same
// columns.
#include <functional>
#include <unordered_map>
#include <vector>

namespace oxqr {

class TQRCustomReport;
class TQRPrintable;

class TReportColumns {
 public:
  // Native x -> grid columns, for a position and for a width (the two the grid's texts use).
  using TMapping = std::function<double(double)>;

  // Builds the grid of `report`'s enabled bands (empty when no control prints text);
  // `rowHeight` is the Native height of one row of the grid.
  void Build(const TQRCustomReport& report, const TMapping& position, const TMapping& width, double rowHeight);
  void Clear();
  bool Empty() const { return positions_.empty(); }

  // Slot of a control of the report's bands, -1 for any other.
  int SlotOf(const TQRPrintable* control) const;
  // Slot of the column box `box` of a table control (a cross-tab), -1 for any other.
  int SlotOfCell(const TQRPrintable* control, int box) const;
  // Slot of a text whose left edge lies at the rounded grid position `position`: the first
  // slot of the rightmost position at or before it (the first slot for a text left of all).
  int SlotAt(int position) const;
  // First worksheet column of a slot.
  int ColumnOf(int slot) const { return columns_[static_cast<std::size_t>(slot)]; }
  // Columns up to and including the last slot's first column.
  int ColumnCount() const { return columns_.empty() ? 0 : columns_.back() + 1; }

 private:
  std::vector<int> positions_;  // ascending rounded positions (repeated for a slot's ranks)
  std::vector<int> columns_;    // parallel: first worksheet column
  std::unordered_map<const TQRPrintable*, int> slots_;
  std::unordered_map<const TQRPrintable*, std::vector<int>> cellSlots_;  // a table's slot per column box
};

}  // namespace oxqr
