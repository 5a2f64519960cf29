#pragma once
// The part of a single-line text that a page shows when the line is clipped: by its
// control's box or by the paper's edges. The page picture draws only that part; a format
// that would otherwise show the whole line (wrapped by a reader, or running over the
// controls beside it) writes only these characters.
#include <cstddef>
#include <string>

#include "platform/Font.h"

namespace oxqr {

struct TVisibleSpan {
  std::size_t First = 0;  // first byte of the first character shown
  std::size_t Count = 0;  // bytes of the characters shown
  int Left = 0;           // pixel where the characters shown start
  int Width = 0;          // their measured width in pixels
  bool Cut = false;       // some characters are hidden
};

// A horizontal span in screen pixels, edges included.
struct TPixelSpan {
  int Left = 0;
  int Right = 0;
};

// The characters of `text` in `font`, drawn from pixel `left`, that the page shows: those
// whose cell lies wholly on the paper (`paper`) and whose middle lies inside the control's
// clip (`clip`; a glyph whose cell reaches a pixel or two past the box still shows whole).
// Characters are whole code points in the UTF-8 code page, bytes otherwise.
TVisibleSpan VisibleSpan(const TFont& font, const std::string& text, int left, TPixelSpan paper, TPixelSpan clip);

}  // namespace oxqr
