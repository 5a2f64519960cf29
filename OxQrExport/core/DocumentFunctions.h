#pragma once
// Small conversion functions the document formats share: colours as hexadecimal and PDF
// number text, case-insensitive replacement, sorted insertion of text lines, rectangles.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Frame.h"
#include "platform/Color.h"
#include "platform/Files.h"
#include "platform/TextMetrics.h"

namespace oxqr {

struct TOxQrRect;
struct TOxQrTextRec;

// S with every occurrence of Find replaced, ignoring letter case; scanning resumes after
// each replacement. An empty Find leaves S unchanged.
std::string ReplaceText(const std::string& S, const std::string& Find, const std::string& Replacement);
// True when A and B are equal ignoring letter case (the upper-casing ReplaceText uses); the
// comparison of the case-insensitive string lists (style classes, font and colour tables).
bool SameText(std::string_view A, std::string_view B);
// Text with every control byte (below 32: tab, form feed, ESC, line ends) replaced by a
// blank, one for one: formats whose structure or glyphs such bytes would break write this.
std::string ControlBytesAsBlanks(std::string Text);
// Six upper-case hex digits RRGGBB of the colour after system colours are resolved.
std::string RGBHex(TColor Color);
// The hex byte divided by 255 as "%1.4f" with '.' whatever the locale; invalid text is 0.
std::string HexByteToUnit(std::string_view Hex);
// "r g b" as three HexByteToUnit values: red gives "1.0000 0.0000 0.0000".
std::string ColorToPDF(TColor Color);
// Hex text as decimal integer text; invalid text gives "0".
std::string HexToDecimal(std::string_view Hex);
// Decimal text of component Index (0 red, 1 green, 2 blue) of RGBHex(Color).
std::string ColorComponent(int Index, TColor Color);
// Inserts Rec into List kept ascending by (Y, X); equal positions keep arrival order.
void InsertTextSorted(std::unique_ptr<TOxQrTextRec> Rec, std::vector<std::unique_ptr<TOxQrTextRec>>& List);
// True when all four sides of the frame are drawn.
bool FrameAllSides(const TQRFrame& Frame);
// Path with a trailing path delimiter ('/' here) unless it already ends with one.
std::string IncludeTrailingBackslash(const std::string& Path);
TOxQrRect MakeRect(double Left, double Top, double Width, double Height);

// TextExtent(Font, Text) and ForceFolder(Path) are the platform's (TextMetrics.h, Files.h).

}  // namespace oxqr
