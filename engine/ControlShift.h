#pragma once
// Controls moved down by stretching controls above them in their band.
#include <cstddef>
#include <vector>

namespace oxqr {

class TQRCustomBand;

// For one band: the order its controls print in and, for each control, the stretching
// controls whose growth moves it. A control is moved by a control that can stretch, ends
// above its top and overlaps it from side to side; a moved control moves those below it in
// turn (its own shift passes on). Controls print in the band's order except that a
// control prints after the controls that move it.
struct TShiftPlan {
  std::vector<std::size_t> Order;               // indexes into the band's controls
  std::vector<std::vector<std::size_t>> Above;  // per control, the controls that move it
  bool Any = false;                             // whether any control moves at all
};

TShiftPlan PlanShifts(const TQRCustomBand& band);

}  // namespace oxqr
