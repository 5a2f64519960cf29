#include "Font.h"

#include <cstdlib>

#include "Types.h"

namespace oxqr {


int TFont::PixelHeight(int ppi) const {
  const double points = std::abs(static_cast<double>(Size));
  return static_cast<int>(RoundHalfEven(points * ppi / 72.0));
}

}  // namespace oxqr
