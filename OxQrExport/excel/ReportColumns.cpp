#include "ReportColumns.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "engine/Band.h"
#include "engine/Chart.h"
#include "engine/Controls.h"
#include "engine/CrossTab.h"
#include "engine/Report.h"
#include "platform/Types.h"

namespace oxqr {

namespace {

int Rounded(double v) { return static_cast<int>(RoundHalfEven(v)); }

// Pictures, shapes and charts print no text: a slot of theirs would stay an empty column.
bool MayPrintText(const TQRPrintable& control) {
  return dynamic_cast<const TQRShape*>(&control) == nullptr && dynamic_cast<const TQRImage*>(&control) == nullptr &&
         dynamic_cast<const TQRDBImage*>(&control) == nullptr && dynamic_cast<const TQRChart*>(&control) == nullptr;
}

// Native left edge of the box a control prints in when its text fills its width. A label
// aligned to its band takes the band's edges, as it does on the page; an auto-sized label
// shrinks around its anchor on the page, which would move its column with its text.
double BoxLeft(const TQRPrintable& control, double offsetX) {
  const auto* label = dynamic_cast<const TQRCustomLabel*>(&control);
  if (label == nullptr) return offsetX + control.Size.Left;
  double left = offsetX + control.Size.Left;
  double right = left + control.Size.Width;
  if (label->AlignToBand && control.ParentBand() != nullptr) {
    left = offsetX;
    right = offsetX + control.ParentBand()->Size.Width;
  }
  switch (label->Alignment) {
    case TAlignment::taLeftJustify:
      return left;
    case TAlignment::taRightJustify:
      return right - control.Size.Width;
    case TAlignment::taCenter:
      return (left + right - control.Size.Width) / 2;
  }
  return left;
}

// Whether two controls of one band start their texts on one line: their tops lie less than
// half a grid row (`rowHeight`, Native) apart, so that their first lines round to one row.
bool ShareLine(const TQRPrintable& a, const TQRPrintable& b, double rowHeight) {
  return std::abs(a.Size.Top - b.Size.Top) < rowHeight / 2;
}

}  // namespace

void TReportColumns::Clear() {
  positions_.clear();
  columns_.clear();
  slots_.clear();
  cellSlots_.clear();
}

void TReportColumns::Build(const TQRCustomReport& report, const TMapping& position, const TMapping& width,
                           double rowHeight) {
  Clear();
  // Bands print at the page's left margin.
  const double offsetX = static_cast<double>(RoundHalfEven(report.Page.NativeLeftMargin));
  // Per slot, the widest control starting there in each band. A slot is a rounded position
  // and a rank: controls of one band that start on one line and round to one position would
  // take one cell, pushing one text right only on the lines where the other one is not empty,
  // so the one further right gets the next rank, a slot of its own.
  using TKey = std::pair<int, int>;
  std::map<TKey, std::map<const TQRCustomBand*, int>> byKey;
  std::vector<std::pair<const TQRPrintable*, TKey>> placed;
  std::vector<int> boxIndex;  // parallel to placed: a table's column box, else -1
  for (const auto& band : report.Bands()) {
    if (!band->Enabled) continue;
    struct TBox {
      const TQRPrintable* Control;
      double Left;
      double Width;
      int Index = -1;  // a table's column box
    };
    std::vector<TBox> boxes;
    for (const auto& control : band->Controls()) {
      if (!control->Enabled || !MayPrintText(*control)) continue;
      // A table's cells start at its columns' edges: a box each, the same on every page.
      if (const auto* table = dynamic_cast<const TQRCrossTab*>(control.get())) {
        int index = 0;
        for (const auto& [left, width] : table->ColumnBoxes())
          boxes.push_back({control.get(), offsetX + left, width, index++});
        continue;
      }
      boxes.push_back({control.get(), BoxLeft(*control, offsetX), control->Size.Width});
    }
    std::stable_sort(boxes.begin(), boxes.end(), [](const TBox& a, const TBox& b) { return a.Left < b.Left; });
    const std::size_t first = placed.size();
    for (const TBox& box : boxes) {
      TKey key{Rounded(position(box.Left)), 0};
      for (std::size_t i = first; i < placed.size(); ++i)
        if (placed[i].second.first == key.first && ShareLine(*placed[i].first, *box.Control, rowHeight))
          key.second = std::max(key.second, placed[i].second.second + 1);
      const int w = std::max(0, Rounded(width(box.Width)));
      auto [at, added] = byKey[key].emplace(band.get(), w);
      if (!added) at->second = std::max(at->second, w);
      placed.emplace_back(box.Control, key);
      boxIndex.push_back(box.Index);
    }
  }
  // Each slot starts right of the one before it and past the widths that the slots to its left
  // have in its own bands (their texts share lines with its texts), so that they do not overlap.
  // A control of a band of its own (a title above the columns) moves nothing along.
  std::vector<const std::map<const TQRCustomBand*, int>*> done;
  std::map<TKey, int> slotOfKey;
  for (const auto& [key, widths] : byKey) {
    int column = columns_.empty() ? 0 : columns_.back() + 1;
    for (std::size_t j = 0; j < done.size(); ++j)
      for (const auto& [band, w] : *done[j])
        if (widths.contains(band)) column = std::max(column, columns_[j] + w + 1);
    slotOfKey[key] = static_cast<int>(positions_.size());
    positions_.push_back(key.first);
    columns_.push_back(column);
    done.push_back(&widths);
  }
  // A table's texts go by their cells' column boxes, not by one slot of the control.
  for (std::size_t i = 0; i < placed.size(); ++i) {
    const auto& [control, key] = placed[i];
    if (boxIndex[i] < 0) {
      slots_[control] = slotOfKey[key];
      continue;
    }
    std::vector<int>& cells = cellSlots_[control];
    cells.resize(std::max(cells.size(), static_cast<std::size_t>(boxIndex[i]) + 1), -1);
    cells[static_cast<std::size_t>(boxIndex[i])] = slotOfKey[key];
  }
}

int TReportColumns::SlotOf(const TQRPrintable* control) const {
  const auto at = slots_.find(control);
  return at == slots_.end() ? -1 : at->second;
}

int TReportColumns::SlotOfCell(const TQRPrintable* control, int box) const {
  const auto at = cellSlots_.find(control);
  if (at == cellSlots_.end() || box < 0 || static_cast<std::size_t>(box) >= at->second.size()) return -1;
  return at->second[static_cast<std::size_t>(box)];
}

int TReportColumns::SlotAt(int position) const {
  // The first rank of the rightmost position at or before `position`.
  auto at = std::upper_bound(positions_.begin(), positions_.end(), position);
  if (at == positions_.begin()) return 0;
  at = std::lower_bound(positions_.begin(), at, *(at - 1));
  return static_cast<int>(at - positions_.begin());
}

}  // namespace oxqr
