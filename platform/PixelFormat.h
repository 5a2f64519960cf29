#pragma once
#include <cstdint>

namespace oxqr {

// Pixel format of a bitmap; pfDevice is 32 bit, pfCustom is treated as 24 bit.
enum class TPixelFormat : std::uint8_t { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// Bits per pixel a format is written with (pfDevice 32, pfCustom 24).
int BitsPerPixel(TPixelFormat pf);

}  // namespace oxqr
