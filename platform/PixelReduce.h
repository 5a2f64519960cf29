#pragma once
// Reducing a 32-bit picture to what a pixel format can hold: the threshold used for
// black and white, the 16-colour VGA palette and a 256-colour palette. Shared by the
// bitmap (SetPixelFormat, SetMonochrome) and the bitmap file writer.
#include <array>
#include <cstdint>
#include <vector>

#include <QImage>

#include "PixelFormat.h"

namespace oxqr::detail {

// True when the pixel is white in a two-colour picture (luminance >= 128).
bool IsLight(QRgb c);
// The picture as Format_RGB32; transparent parts over white.
QImage ToRGB32(const QImage& image);
// Black and white by the luminance threshold.
QImage ToBlackAndWhite(const QImage& rgb32);
// The 16 colours of the standard VGA palette.
const std::array<QRgb, 16>& VgaPalette();

// A palette and one index per pixel, rows top-down.
struct TIndexedPixels {
  std::vector<QRgb> Palette;
  std::vector<std::uint8_t> Indices;
};
// The picture in at most `1 << bits` colours (bits = 1, 4 or 8).
TIndexedPixels ToIndexed(const QImage& rgb32, int bits);
// The picture as the pixel format stores it, kept as Format_RGB32.
QImage ReduceToFormat(const QImage& rgb32, TPixelFormat pf);

}  // namespace oxqr::detail
