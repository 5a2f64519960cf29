#pragma once
// Picture file codecs: Windows bitmap (own code), JPEG (libjpeg), GIF (giflib with a
// quantised palette).
#include <string>
#include <string_view>

#include <QImage>

#include "PixelFormat.h"

namespace oxqr {

class TStream;

// Bottom-up rows, rows padded to 4 bytes, palettes for 1/4/8 bit, BI_BITFIELDS 5-6-5 for 16 bit.
std::string EncodeBMP(const QImage& image, TPixelFormat pf);
QImage DecodeBMP(std::string_view bytes);  // throws EInvalidData

struct TJPEGOptions {
  int Quality = 90;          // 1..100, clamped
  bool Progressive = false;
  bool Grayscale = false;
};
void EncodeJPEG(const QImage& image, TStream& out, const TJPEGOptions& options = {});
QImage DecodeJPEG(std::string_view bytes);  // throws EInvalidData

// GIF89a: an exact palette when the picture has 256 colours or fewer, else quantised.
void EncodeGIF(const QImage& image, TStream& out);

}  // namespace oxqr
