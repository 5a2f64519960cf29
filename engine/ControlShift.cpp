#include "ControlShift.h"

#include <algorithm>

#include "Band.h"

namespace oxqr {
namespace {

// Whether `upper` ends above the top of `lower` and the two overlap from side to side.
bool IsAbove(const TQRSize& upper, const TQRSize& lower) {
  return upper.Top < lower.Top && upper.Top + upper.Height <= lower.Top && upper.Left < lower.Left + lower.Width &&
         lower.Left < upper.Left + upper.Width;
}

}  // namespace

TShiftPlan PlanShifts(const TQRCustomBand& band) {
  const auto& controls = band.Controls();
  const std::size_t n = controls.size();
  TShiftPlan plan;
  plan.Above.resize(n);
  // Whether a control's position can change: it stretches or is moved by one that does.
  std::vector<bool> moving(n, false);
  for (std::size_t i = 0; i < n; ++i) moving[i] = controls[i]->Enabled && controls[i]->Stretches();
  // Moves pass down: an "above" relation is ordered by top, so visiting controls from the
  // top settles each one before the controls below it.
  std::vector<std::size_t> byTop(n);
  for (std::size_t i = 0; i < n; ++i) byTop[i] = i;
  std::stable_sort(byTop.begin(), byTop.end(),
                   [&](std::size_t a, std::size_t b) { return controls[a]->Size.Top < controls[b]->Size.Top; });
  for (std::size_t c : byTop) {
    if (!controls[c]->Enabled || controls[c]->Shift == TQRShift::None) continue;
    for (std::size_t a : byTop) {
      if (a == c || !moving[a] || !IsAbove(controls[a]->Size, controls[c]->Size)) continue;
      plan.Above[c].push_back(a);
      moving[c] = true;
      plan.Any = true;
    }
  }
  // The band's order, each control delayed until the controls that move it have printed.
  std::vector<bool> placed(n, false);
  while (plan.Order.size() < n) {
    for (std::size_t i = 0; i < n; ++i) {
      if (placed[i]) continue;
      bool ready = true;
      for (std::size_t a : plan.Above[i]) ready = ready && placed[a];
      if (!ready) continue;
      placed[i] = true;
      plan.Order.push_back(i);
      break;
    }
  }
  return plan;
}

}  // namespace oxqr
