#pragma once
// How closely a reader's rendering of a page matches our own page picture: the share of dark
// pixels (luminance below 128) of each picture that has a dark pixel of the other within
// `radius` pixels, both ways. 1.0 / 1.0 means every stroke of either picture has a
// counterpart in the other.
#include <QImage>

#include <algorithm>
#include <vector>

namespace oxqr::testing {

struct TFidelity {
  double AInB = 0;  // share of A's dark pixels matched in B
  double BInA = 0;  // share of B's dark pixels matched in A
  double Min() const { return std::min(AInB, BInA); }
};

namespace fidelity_detail {

inline std::vector<unsigned char> DarkMask(const QImage& image, int w, int h) {
  const QImage img = image.convertToFormat(QImage::Format_RGB32);
  std::vector<unsigned char> mask(static_cast<std::size_t>(w) * h, 0);
  for (int y = 0; y < h && y < img.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < w && x < img.width(); ++x) {
      const QRgb p = line[x];
      const int lum = (299 * qRed(p) + 587 * qGreen(p) + 114 * qBlue(p)) / 1000;
      mask[static_cast<std::size_t>(y) * w + x] = lum < 128;
    }
  }
  return mask;
}

// Share of dark pixels of `a` with a dark pixel of `b` in the (2r+1)^2 square around them.
inline double Matched(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b, int w, int h,
                      int r) {
  long dark = 0, matched = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (!a[static_cast<std::size_t>(y) * w + x]) continue;
      ++dark;
      bool found = false;
      for (int dy = -r; dy <= r && !found; ++dy)
        for (int dx = -r; dx <= r && !found; ++dx) {
          const int yy = y + dy, xx = x + dx;
          if (yy >= 0 && yy < h && xx >= 0 && xx < w && b[static_cast<std::size_t>(yy) * w + xx]) found = true;
        }
      matched += found;
    }
  return dark == 0 ? 1.0 : static_cast<double>(matched) / static_cast<double>(dark);
}

}  // namespace fidelity_detail

// Compares the pictures over the larger of their sizes (missing area counts as white).
inline TFidelity CompareDarkPixels(const QImage& a, const QImage& b, int radius = 2) {
  const int w = std::max(a.width(), b.width());
  const int h = std::max(a.height(), b.height());
  const auto ma = fidelity_detail::DarkMask(a, w, h);
  const auto mb = fidelity_detail::DarkMask(b, w, h);
  return {fidelity_detail::Matched(ma, mb, w, h, radius), fidelity_detail::Matched(mb, ma, w, h, radius)};
}

}  // namespace oxqr::testing
