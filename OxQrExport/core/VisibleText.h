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
  std::size_t First = 0;  // first byte of the first whole character shown
  std::size_t Count = 0;  // bytes of the characters shown
  int Left = 0;           // pixel where the characters shown start
  int Width = 0;          // their measured width in pixels
  bool Cut = false;       // some characters are hidden
};

// The whole characters of `text` in `font`, drawn from pixel `left`, whose cells lie within
// [clipLeft, clipRight] (screen pixels). Characters are whole code points in the UTF-8 code
// page, bytes otherwise.
TVisibleSpan VisibleSpan(const TFont& font, const std::string& text, int left, int clipLeft, int clipRight);

}  // namespace oxqr
