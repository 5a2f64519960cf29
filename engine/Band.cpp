#include "Band.h"

#include "Layout.h"
#include "Report.h"
#include "platform/Types.h"

namespace oxqr {

TQRCustomBand::TQRCustomBand(TQRBandType type) : BandType(type) {}
TQRCustomBand::~TQRCustomBand() = default;

void TQRCustomBand::Adopt(std::unique_ptr<TQRPrintable> c) {
  c->parentBand_ = this;
  c->report_ = report_;
  controls_.push_back(std::move(c));
}

bool TQRCustomBand::CanExpand(double v) const {
  const TQRLayout* layout = report_ ? TQRLayout::Of(*report_) : nullptr;
  if (layout == nullptr) return true;  // outside a run there is no page to run out of
  return RoundHalfEven(Size.Height + Expanded + v) <= RoundHalfEven(layout->SpaceLeft());
}

bool TQRCustomBand::ExpandBy(double v, const TQRPrintable* caller, double& total) {
  if (!CanExpand(v)) return false;
  const bool firstTime = !expandedBy_.contains(caller);
  // A control that has not grown the band yet needs nothing when another control
  // already made more room than it asks for.
  const bool add = !(firstTime && v < Expanded);
  if (add) Expanded += v;
  expandedBy_.insert(caller);
  total = Expanded;
  return !add;
}

void TQRCustomBand::ResetExpansion() {
  Expanded = 0;
  expandedBy_.clear();
}

}  // namespace oxqr
