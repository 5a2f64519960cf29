#include "ReportColumns.h"

#include <algorithm>
#include <map>

#include "engine/Band.h"
#include "engine/Chart.h"
#include "engine/Controls.h"
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

}  // namespace

void TReportColumns::Clear() {
  positions_.clear();
  columns_.clear();
  slots_.clear();
}

void TReportColumns::Build(const TQRCustomReport& report, const TMapping& position, const TMapping& width) {
  Clear();
  // Bands print at the page's left margin.
  const double offsetX = static_cast<double>(RoundHalfEven(report.Page.NativeLeftMargin));
  // Per rounded position, the widest control starting there in each band.
  std::map<int, std::map<const TQRCustomBand*, int>> byPosition;
  std::vector<std::pair<const TQRPrintable*, int>> placed;
  for (const auto& band : report.Bands()) {
    if (!band->Enabled) continue;
    for (const auto& control : band->Controls()) {
      if (!control->Enabled || !MayPrintText(*control)) continue;
      const int p = Rounded(position(BoxLeft(*control, offsetX)));
      const int w = std::max(0, Rounded(width(control->Size.Width)));
      auto [at, added] = byPosition[p].emplace(band.get(), w);
      if (!added) at->second = std::max(at->second, w);
      placed.emplace_back(control.get(), p);
    }
  }
  // Each slot starts right of the one before it and past the widths that the slots to its left
  // have in its own bands (their texts share lines with its texts), so that they do not overlap.
  // A control of a band of its own (a title above the columns) moves nothing along.
  std::vector<const std::map<const TQRCustomBand*, int>*> done;
  for (const auto& [p, widths] : byPosition) {
    int column = columns_.empty() ? 0 : columns_.back() + 1;
    for (std::size_t j = 0; j < done.size(); ++j)
      for (const auto& [band, w] : *done[j])
        if (widths.contains(band)) column = std::max(column, columns_[j] + w + 1);
    positions_.push_back(p);
    columns_.push_back(column);
    done.push_back(&widths);
  }
  for (const auto& [control, p] : placed) slots_[control] = SlotAt(p);
}

int TReportColumns::SlotOf(const TQRPrintable* control) const {
  const auto at = slots_.find(control);
  return at == slots_.end() ? -1 : at->second;
}

int TReportColumns::SlotAt(int position) const {
  const auto after = std::upper_bound(positions_.begin(), positions_.end(), position);
  return after == positions_.begin() ? 0 : static_cast<int>(after - positions_.begin()) - 1;
}

}  // namespace oxqr
