#pragma once
// Colours of the slices of a one-colour pie: shades of the series colour, so that
// neighbouring slices stay apart while the pie keeps the series' hue.
#include <vector>

#include "platform/Color.h"

namespace oxqr {

// `count` RGB colours. The first is `base` itself (resolved to RGB); the others step
// alternately towards white and towards black in equal steps, never more than 60 % of
// the way, so that red stays recognisably red.
std::vector<TColor> SliceColors(TColor base, int count);

}  // namespace oxqr
