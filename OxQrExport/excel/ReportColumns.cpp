#include "ReportColumns.h"

#include <algorithm>
#include <map>
#include <set>

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
  struct TSlot {
    int Width = 0;  // the widest control starting there
    std::set<const TQRCustomBand*> Bands;
  };
  std::map<int, TSlot> byPosition;
  std::vector<std::pair<const TQRPrintable*, int>> placed;
  for (const auto& band : report.Bands()) {
    if (!band->Enabled) continue;
    for (const auto& control : band->Controls()) {
      if (!control->Enabled || !MayPrintText(*control)) continue;
      const int p = Rounded(position(BoxLeft(*control, offsetX)));
      TSlot& slot = byPosition[p];
      slot.Width = std::max(slot.Width, Rounded(width(control->Size.Width)));
      slot.Bands.insert(band.get());
      placed.emplace_back(control.get(), p);
    }
  }
  // Each slot starts right of the one before it and, past the width of every slot to its left
  // that prints in one of its bands (on the same lines), so that their texts do not overlap. A
  // slot of other bands only (a title above the columns) moves nothing along.
  std::vector<const TSlot*> done;
  for (const auto& [p, slot] : byPosition) {
    int column = columns_.empty() ? 0 : columns_.back() + 1;
    for (std::size_t j = 0; j < done.size(); ++j) {
      const bool sharesBand = std::any_of(slot.Bands.begin(), slot.Bands.end(),
                                          [&](const TQRCustomBand* b) { return done[j]->Bands.contains(b); });
      if (sharesBand) column = std::max(column, columns_[j] + std::max(done[j]->Width, 0) + 1);
    }
    positions_.push_back(p);
    columns_.push_back(column);
    done.push_back(&slot);
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
