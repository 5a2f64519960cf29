#pragma once
// Small geometry records shared by every layer (device pixels unless stated).
#include <cstdint>

namespace oxqr {

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// A rectangle by its edges; Right and Bottom are exclusive, as on the drawing device.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int l, int t, int r, int b) { return TRect{l, t, r, b}; }
inline TRect Bounds(int l, int t, int w, int h) { return TRect{l, t, l + w, t + h}; }

// Rounds to the nearest integer, halves to the even neighbour (banker's rounding),
// the rounding every unit conversion of the library uses.
long long RoundHalfEven(double v);

}  // namespace oxqr
