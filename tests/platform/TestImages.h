#pragma once
// Small pictures built in code for the codec and bitmap tests.
#include <cstdint>
#include <string>

#include <QImage>

namespace oxqr::test {

// Stripes of pure colours (each channel 0 or 255, plus black and white) that every
// pixel format holds exactly except 1 and 4 bit; `width` odd to exercise row padding.
inline QImage PrimaryStripes(int width = 13, int height = 7) {
  const QRgb colors[] = {qRgb(0, 0, 0),     qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 255, 0),
                         qRgb(0, 0, 255),   qRgb(255, 255, 0),   qRgb(0, 255, 255)};
  QImage img(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) img.setPixel(x, y, colors[(x + 2 * y) % 7]);
  return img;
}

// A smooth photo-like gradient with far more than 256 colours.
inline QImage Gradient(int width = 96, int height = 64) {
  QImage img(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      img.setPixel(x, y, qRgb(x * 255 / (width - 1), y * 255 / (height - 1), (x * y) % 256));
  return img;
}

inline std::uint32_t U32At(const std::string& b, std::size_t at) {
  return static_cast<std::uint8_t>(b[at]) | (static_cast<std::uint8_t>(b[at + 1]) << 8) |
         (static_cast<std::uint8_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24);
}
inline std::uint16_t U16At(const std::string& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) | (static_cast<std::uint8_t>(b[at + 1]) << 8));
}

}  // namespace oxqr::test
