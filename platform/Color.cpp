#include "Color.h"

#include <array>
#include <atomic>

#include <QColor>

namespace oxqr {
namespace {

constexpr int kSystemColorCount = 31;

// The classic desktop scheme, by system colour index.
constexpr std::array<TColor, kSystemColorCount> kDefaultSystemColors = {
    RGBColor(192, 192, 192),  // 0 scroll bar
    RGBColor(0, 128, 128),    // 1 desktop background
    RGBColor(0, 0, 128),      // 2 active caption
    RGBColor(128, 128, 128),  // 3 inactive caption
    RGBColor(192, 192, 192),  // 4 menu
    RGBColor(255, 255, 255),  // 5 window
    RGBColor(0, 0, 0),        // 6 window frame
    RGBColor(0, 0, 0),        // 7 menu text
    RGBColor(0, 0, 0),        // 8 window text
    RGBColor(255, 255, 255),  // 9 caption text
    RGBColor(192, 192, 192),  // 10 active border
    RGBColor(192, 192, 192),  // 11 inactive border
    RGBColor(128, 128, 128),  // 12 application workspace
    RGBColor(0, 0, 128),      // 13 highlight
    RGBColor(255, 255, 255),  // 14 highlight text
    RGBColor(192, 192, 192),  // 15 button face
    RGBColor(128, 128, 128),  // 16 button shadow
    RGBColor(128, 128, 128),  // 17 grey text
    RGBColor(0, 0, 0),        // 18 button text
    RGBColor(192, 192, 192),  // 19 inactive caption text
    RGBColor(255, 255, 255),  // 20 button highlight
    RGBColor(0, 0, 0),        // 21 3D dark shadow
    RGBColor(223, 223, 223),  // 22 3D light
    RGBColor(0, 0, 0),        // 23 tooltip text
    RGBColor(255, 255, 225),  // 24 tooltip background
    RGBColor(192, 192, 192),  // 25 (unused)
    RGBColor(0, 0, 128),      // 26 hot-tracked item
    RGBColor(16, 132, 208),   // 27 gradient active caption
    RGBColor(181, 181, 181),  // 28 gradient inactive caption
    RGBColor(0, 0, 128),      // 29 menu highlight
    RGBColor(192, 192, 192),  // 30 menu bar
};

// The current table; atomics so that a theme change needs no lock on the drawing path.
struct SystemColorTable {
  SystemColorTable() {
    for (int i = 0; i < kSystemColorCount; ++i) Colors[i].store(kDefaultSystemColors[i]);
  }
  std::array<std::atomic<TColor>, kSystemColorCount> Colors;
};

std::array<std::atomic<TColor>, kSystemColorCount>& Table() {
  static SystemColorTable table;
  return table.Colors;
}

}  // namespace

bool IsSystemColor(TColor c) {
  return (static_cast<std::uint32_t>(c) & 0xFF000000u) == 0x80000000u;
}

TColor ColorToRGB(TColor c) {
  if (c == clNone) return clWhite;
  if (c == clDefault) return clBlack;
  if (IsSystemColor(c)) {
    const int index = c & 0xFF;
    if (index >= kSystemColorCount) return clBlack;
    return Table()[index].load();
  }
  return c;
}

void SetSystemColor(int index, TColor rgb) {
  if (index < 0 || index >= kSystemColorCount) return;
  Table()[index].store(rgb & 0xFFFFFF);
}

QColor ToQColor(TColor c) {
  const TColor rgb = ColorToRGB(c);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

}  // namespace oxqr
