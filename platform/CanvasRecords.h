#pragma once
// A canvas text call as a page-metafile record, taken with the canvas's current font and
// brush: the recording canvas stores it, the raster canvas paints it at once, so both
// read the canvas state the same way.
#include <optional>
#include <string>
#include <string_view>

#include "Metafile.h"

namespace oxqr::detail {

// The background is painted in the brush colour unless the brush is clear; `clip`, when
// given, clips the text.
inline MrText TextRecord(const TCanvas& canvas, int x, int y, std::string_view text,
                         std::optional<TRect> clip = std::nullopt) {
  MrText r;
  r.X = x;
  r.Y = y;
  r.Text = std::string(text);
  r.Font = canvas.Font;
  r.Opaque = canvas.Brush.Style != TBrushStyle::bsClear;
  r.BackColor = canvas.Brush.Color;
  if (clip) {
    r.Clipped = true;
    r.Clip = *clip;
  }
  return r;
}

}  // namespace oxqr::detail
