#include "SliceColors.h"

#include <cmath>

namespace oxqr {

namespace {

int Mix(int from, int to, double amount) {
  return static_cast<int>(std::lround(from + (to - from) * amount));
}

TColor Shade(TColor rgb, double amount, bool lighter) {
  const int target = lighter ? 255 : 0;
  return RGBColor(Mix(GetRValue(rgb), target, amount), Mix(GetGValue(rgb), target, amount),
                  Mix(GetBValue(rgb), target, amount));
}

}  // namespace

std::vector<TColor> SliceColors(TColor base, int count) {
  std::vector<TColor> colors;
  if (count <= 0) return colors;
  const TColor rgb = ColorToRGB(base);
  // Slices 1, 3, 5... go lighter, 2, 4, 6... darker, each pair one step further.
  const int pairs = count / 2;
  const double step = pairs == 0 ? 0.0 : 0.6 / pairs;
  colors.reserve(static_cast<std::size_t>(count));
  colors.push_back(rgb);
  for (int i = 1; i < count; ++i) {
    const int level = (i + 1) / 2;
    const double amount = level * step;
    colors.push_back(Shade(rgb, amount, i % 2 == 1));
  }
  return colors;
}

}  // namespace oxqr
