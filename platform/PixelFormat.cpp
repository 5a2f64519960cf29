#include "PixelFormat.h"

namespace oxqr {

int BitsPerPixel(TPixelFormat pf) {
  switch (pf) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit: return 16;
    case TPixelFormat::pf24bit:
    case TPixelFormat::pfCustom: return 24;
    case TPixelFormat::pf32bit:
    case TPixelFormat::pfDevice: return 32;
  }
  return 24;
}

}  // namespace oxqr
