#include "Types.h"

#include <cfenv>
#include <cmath>
#include <limits>

namespace oxqr {

long long RoundHalfEven(double v) {
  // nearbyint honours the current rounding mode; the library never changes it
  // from FE_TONEAREST, which rounds halves to the even neighbour.
  if (std::isnan(v)) return 0;
  constexpr double kMax = 9.2e18;  // inside the range of long long
  if (v >= kMax) return std::numeric_limits<long long>::max();
  if (v <= -kMax) return std::numeric_limits<long long>::min();
  return static_cast<long long>(std::nearbyint(v));
}

}  // namespace oxqr
