#pragma once
// Measuring text at the screen's 96 pixels per inch, with the fonts that draw it.
// Face names go through one substitution table (Arial -> Liberation Sans, ...) before
// fontconfig sees them; report files keep the requested name.
#include <array>
#include <string>
#include <string_view>

#include <QFont>

#include "Font.h"
#include "Types.h"

namespace oxqr {

constexpr int ScreenPPI = 96;

// Creates the process's QGuiApplication when there is none (fonts need one), with the
// offscreen platform when no display is set. Every function here calls it, so library
// users and tests need no set-up of their own. A program that wants a QApplication
// (widgets, charts) must create it before its first use of fonts; a plain
// QCoreApplication cannot measure text.
void EnsureGuiApplication();

// The face that measures and draws `requested` ("Arial" -> "Liberation Sans").
std::string SubstituteFontName(const std::string& requested);

// The kind of face a document names when a reader must choose one of its own.
enum class TFaceKind : std::uint8_t { Sans, Serif, Mono };

// What a document tells a reader about the face that draws `requested`. A reader that
// lacks the requested face asks its own font configuration for the name; that finds what
// was drawn only when the drawn face is the requested one or a metric-compatible stand-in
// which font configurations alias to it (Arial -> Liberation Sans). Otherwise ("Impact" here
// drawn in DejaVu Sans Condensed Bold, where a stock configuration answers with a dingbats
// font) the document must name or carry the drawn face itself.
struct TDrawnFace {
  std::string Family;         // the face that draws ("DejaVu Sans Condensed")
  bool Bold = false;          // drawn bold whatever the requested style
  TFaceKind Kind = TFaceKind::Sans;
  bool FoundByName = true;    // a reader finds the drawn face under the requested name
};
TDrawnFace DrawnFace(const std::string& requested);
// A QFont for `font` at `ppi` (pixel size = points x ppi / 72, rounded), unhinted so
// that widths are the same on every machine.
QFont ToQFont(const TFont& font, int ppi = ScreenPPI);

// Width and height in whole pixels of the 8-bit text in `font` on the screen;
// (0, 0) for an empty text. Height is the font's line height (ascent + descent).
TSize TextExtent(const TFont& font, std::string_view text);
// Ascent in whole pixels on the screen: TextOut at y puts the baseline at y + FontAscent.
int FontAscent(const TFont& font);

// Where the font's underline and strike-out lines lie, in whole pixels below the top of
// a TextOut, and their thickness: the lines the drawing of the text itself puts there.
struct TTextDecorationLines {
  int UnderlineTop = 0;
  int StrikeOutTop = 0;
  int Thickness = 1;
};
TTextDecorationLines TextDecorationLines(const TFont& font);

// Metrics of a font as a PDF writer needs them. Widths are at 1000 units per em for the
// characters 0..255 of the ANSI code page; the other values in the same units.
struct TFontMetricsInfo {
  std::array<int, 256> Widths{};
  int Ascent = 0;
  int Descent = 0;          // positive
  int AvgWidth = 0;
  int MaxWidth = 0;
  int CapHeight = 0;
  int BBoxLeft = 0, BBoxBottom = 0, BBoxRight = 0, BBoxTop = 0;
  // GDI tmPitchAndFamily: bit 0 set for a *variable*-pitch font, 2 vector, 4 TrueType,
  // high nibble the family (0x10 roman, 0x20 swiss, 0x30 modern).
  std::uint8_t PitchAndFamily = 0;
  std::uint8_t Charset = 0;
  bool Italic = false;
  bool FixedPitch = false;
  bool Outline = true;      // the values below are valid for outline fonts
  int ItalicAngle = 0;      // degrees, negative leaning right
  int StrikeoutSize = 0, StrikeoutPosition = 0;
  int UnderscoreSize = 0, UnderscorePosition = 0;
  std::string FamilyName;   // the substitute face actually used
};
TFontMetricsInfo GetFontMetrics(const TFont& font);

}  // namespace oxqr
