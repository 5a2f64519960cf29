#pragma once
// TQRTextCell: one cell of a control that prints a table of cells (a cross-tab): its box in
// Native relative to the band's offsets (as a control's Size is), its one line of text in its
// font and,
// for a value, the number it shows, so that a spreadsheet can hold the number itself.
#include <optional>
#include <string>

#include "EngineTypes.h"
#include "platform/Font.h"

namespace oxqr {

struct TQRTextCell {
  double Left = 0;  // Native, relative to the band
  double Top = 0;
  double Width = 0;
  double Height = 0;
  std::string Text;
  TFont Font;
  TAlignment Alignment = TAlignment::taLeftJustify;
  double TextX = 0;              // the line's anchor (Native, relative to the band) for its alignment
  double TextY = 0;              // the line's top
  int Box = -1;                  // which of the control's column boxes (left to right) the cell lies in
  std::optional<double> Number;  // the value Text shows, when it is a number
  std::string NumberFormat;      // the display mask Text was made with ("#,##0.00"); may be empty
};

}  // namespace oxqr
