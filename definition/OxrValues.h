#pragma once
// The attribute values of a report definition, both ways: colours, booleans, numbers and
// the names of the engine's enumerations as the file spells them. One table per kind
// serves the loader and the writer, so that what is written is what is read.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "OxQrCtrls/BarcodeSymbol.h"
#include "engine/Band.h"
#include "engine/Controls.h"
#include "engine/EngineTypes.h"
#include "platform/Canvas.h"

namespace oxqr::oxr {

template <class E>
using TNameTable = std::vector<std::pair<std::string_view, E>>;

const TNameTable<TQRBandType>& BandTypeNames();
const TNameTable<TAlignment>& AlignmentNames();
const TNameTable<TQRShapeType>& ShapeNames();
const TNameTable<TQRSysDataType>& SysDataNames();
const TNameTable<TQRPaperSize>& PaperNames();
const TNameTable<TPrinterOrientation>& OrientationNames();
const TNameTable<TQRUnit>& UnitNames();
const TNameTable<TBrushStyle>& BrushStyleNames();
const TNameTable<TPenStyle>& PenStyleNames();
const TNameTable<TQRShift>& ShiftNames();
const TNameTable<TOxQRSymbology>& SymbologyNames();
const TNameTable<TOxQRErrorLevel>& ErrorLevelNames();
const TNameTable<TOxQRRotation>& RotationNames();
// A text's turn in degrees counterclockwise.
const TNameTable<int>& TextRotationNames();

// The value of `name` in `table` (exact spelling), or nothing.
template <class E>
std::optional<E> FindName(const TNameTable<E>& table, std::string_view name) {
  for (const auto& [n, v] : table)
    if (n == name) return v;
  return std::nullopt;
}
// The name of `value` in `table`; the first entry's name when it is missing.
template <class E>
std::string_view NameOf(const TNameTable<E>& table, E value) {
  for (const auto& [n, v] : table)
    if (v == value) return n;
  return table.front().first;
}
// "a, b, c": the names a value may take, for messages.
template <class E>
std::string NameList(const TNameTable<E>& table) {
  std::string out;
  for (const auto& [n, v] : table) out += (out.empty() ? "" : ", ") + std::string(n);
  return out;
}

// Colours: a standard name ("teal"), a system colour ("infoBk"), "none", or "#RRGGBB".
std::optional<TColor> ParseColor(std::string_view text);
std::string FormatColor(TColor color);

// "true"/"false".
std::optional<bool> ParseBool(std::string_view text);
inline std::string FormatBool(bool b) { return b ? "true" : "false"; }

// A decimal number in the C locale ("12.7", "-3", "1e2" is refused: plain decimals only).
std::optional<double> ParseNumber(std::string_view text);
// The shortest decimal text of native / 10 that reads back to exactly `native` when
// multiplied by 10, as lengths are stored (millimetres in the file, 0.1 mm in the engine).
std::string FormatMM(double native);
std::string FormatNumber(double value);

// Font styles: space-separated "bold italic underline strikeout"; empty for none.
std::optional<TFontStyles> ParseFontStyles(std::string_view text);
std::string FormatFontStyles(TFontStyles styles);

// Frame sides: "all", "none", or space-separated "top bottom left right".
std::optional<TQRFrame> ParseFrameSides(std::string_view text, TQRFrame frame);
std::string FormatFrameSides(const TQRFrame& frame);

}  // namespace oxqr::oxr
