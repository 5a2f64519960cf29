#include "definition/OxrValues.h"

#include <charconv>
#include <cstdio>
#include <sstream>

namespace oxqr::oxr {

const TNameTable<TQRBandType>& BandTypeNames() {
  static const TNameTable<TQRBandType> t{
      {"title", TQRBandType::rbTitle},           {"pageHeader", TQRBandType::rbPageHeader},
      {"columnHeader", TQRBandType::rbColumnHeader}, {"detail", TQRBandType::rbDetail},
      {"subDetail", TQRBandType::rbSubDetail},   {"groupHeader", TQRBandType::rbGroupHeader},
      {"groupFooter", TQRBandType::rbGroupFooter}, {"summary", TQRBandType::rbSummary},
      {"pageFooter", TQRBandType::rbPageFooter}, {"child", TQRBandType::rbChild}};
  return t;
}

const TNameTable<TAlignment>& AlignmentNames() {
  static const TNameTable<TAlignment> t{
      {"left", TAlignment::taLeftJustify}, {"right", TAlignment::taRightJustify}, {"center", TAlignment::taCenter}};
  return t;
}

const TNameTable<TQRShapeType>& ShapeNames() {
  static const TNameTable<TQRShapeType> t{{"rectangle", TQRShapeType::qrsRectangle},
                                          {"circle", TQRShapeType::qrsCircle},
                                          {"verticalLine", TQRShapeType::qrsVertLine},
                                          {"horizontalLine", TQRShapeType::qrsHorLine},
                                          {"topAndBottom", TQRShapeType::qrsTopAndBottom},
                                          {"leftAndRight", TQRShapeType::qrsRightAndLeft}};
  return t;
}

const TNameTable<TQRSysDataType>& SysDataNames() {
  static const TNameTable<TQRSysDataType> t{{"time", TQRSysDataType::qrsTime},
                                            {"date", TQRSysDataType::qrsDate},
                                            {"dateTime", TQRSysDataType::qrsDateTime},
                                            {"pageNumber", TQRSysDataType::qrsPageNumber},
                                            {"reportTitle", TQRSysDataType::qrsReportTitle},
                                            {"detailCount", TQRSysDataType::qrsDetailCount},
                                            {"detailNumber", TQRSysDataType::qrsDetailNo}};
  return t;
}

const TNameTable<TQRPaperSize>& PaperNames() {
  static const TNameTable<TQRPaperSize> t{
      {"A4", TQRPaperSize::A4}, {"Letter", TQRPaperSize::Letter}, {"custom", TQRPaperSize::Custom}};
  return t;
}

const TNameTable<TPrinterOrientation>& OrientationNames() {
  static const TNameTable<TPrinterOrientation> t{{"portrait", TPrinterOrientation::poPortrait},
                                                 {"landscape", TPrinterOrientation::poLandscape}};
  return t;
}

const TNameTable<TQRUnit>& UnitNames() {
  static const TNameTable<TQRUnit> t{{"mm", TQRUnit::MM},
                                     {"inches", TQRUnit::Inches},
                                     {"pixels", TQRUnit::Pixels},
                                     {"characters", TQRUnit::Characters},
                                     {"native", TQRUnit::Native}};
  return t;
}

const TNameTable<TBrushStyle>& BrushStyleNames() {
  static const TNameTable<TBrushStyle> t{
      {"solid", TBrushStyle::bsSolid},         {"clear", TBrushStyle::bsClear},
      {"horizontal", TBrushStyle::bsHorizontal}, {"vertical", TBrushStyle::bsVertical},
      {"forwardDiagonal", TBrushStyle::bsFDiagonal}, {"backDiagonal", TBrushStyle::bsBDiagonal},
      {"cross", TBrushStyle::bsCross},         {"diagonalCross", TBrushStyle::bsDiagCross}};
  return t;
}

const TNameTable<TPenStyle>& PenStyleNames() {
  static const TNameTable<TPenStyle> t{{"solid", TPenStyle::psSolid},     {"dash", TPenStyle::psDash},
                                       {"dot", TPenStyle::psDot},         {"dashDot", TPenStyle::psDashDot},
                                       {"dashDotDot", TPenStyle::psDashDotDot}, {"clear", TPenStyle::psClear},
                                       {"insideFrame", TPenStyle::psInsideFrame}};
  return t;
}

const TNameTable<TOxQRSymbology>& SymbologyNames() {
  static const TNameTable<TOxQRSymbology> t = [] {
    TNameTable<TOxQRSymbology> names;
    for (const auto s : {TOxQRSymbology::syCode128, TOxQRSymbology::syEAN13, TOxQRSymbology::syUPCA,
                         TOxQRSymbology::syCode39, TOxQRSymbology::syInterleaved2of5, TOxQRSymbology::syQRCode,
                         TOxQRSymbology::syDataMatrix, TOxQRSymbology::syPDF417})
      names.emplace_back(SymbologyName(s), s);
    return names;
  }();
  return t;
}

const TNameTable<TOxQRErrorLevel>& ErrorLevelNames() {
  static const TNameTable<TOxQRErrorLevel> t{{"low", TOxQRErrorLevel::elLow},
                                             {"medium", TOxQRErrorLevel::elMedium},
                                             {"quartile", TOxQRErrorLevel::elQuartile},
                                             {"high", TOxQRErrorLevel::elHigh}};
  return t;
}

const TNameTable<TOxQRRotation>& RotationNames() {
  static const TNameTable<TOxQRRotation> t{{"0", TOxQRRotation::ro0},
                                           {"90", TOxQRRotation::ro90},
                                           {"180", TOxQRRotation::ro180},
                                           {"270", TOxQRRotation::ro270}};
  return t;
}

const TNameTable<int>& TextRotationNames() {
  static const TNameTable<int> t{{"0", 0}, {"90", 90}, {"180", 180}, {"270", 270}};
  return t;
}

namespace {

const TNameTable<TColor>& ColorNames() {
  static const TNameTable<TColor> t{
      {"black", clBlack},     {"maroon", clMaroon},       {"green", clGreen},         {"olive", clOlive},
      {"navy", clNavy},       {"purple", clPurple},       {"teal", clTeal},           {"gray", clGray},
      {"silver", clSilver},   {"red", clRed},             {"lime", clLime},           {"yellow", clYellow},
      {"blue", clBlue},       {"fuchsia", clFuchsia},     {"aqua", clAqua},           {"white", clWhite},
      {"none", clNone},       {"default", clDefault},     {"window", clWindow},       {"windowText", clWindowText},
      {"buttonFace", clBtnFace}, {"buttonText", clBtnText}, {"infoText", clInfoText}, {"infoBk", clInfoBk}};
  return t;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    const std::size_t start = i;
    while (i < text.size() && text[i] != ' ') ++i;
    if (i > start) out.push_back(text.substr(start, i - start));
  }
  return out;
}

}  // namespace

std::optional<TColor> ParseColor(std::string_view text) {
  if (auto named = FindName(ColorNames(), text)) return named;
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  int rgb[3];
  for (int i = 0; i < 3; ++i) {
    const int hi = HexDigit(text[1 + 2 * i]), lo = HexDigit(text[2 + 2 * i]);
    if (hi < 0 || lo < 0) return std::nullopt;
    rgb[i] = hi * 16 + lo;
  }
  return RGBColor(rgb[0], rgb[1], rgb[2]);
}

std::string FormatColor(TColor color) {
  for (const auto& [n, v] : ColorNames())
    if (v == color) return std::string(n);
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", GetRValue(color), GetGValue(color), GetBValue(color));
  return buf;
}

std::optional<bool> ParseBool(std::string_view text) {
  if (text == "true") return true;
  if (text == "false") return false;
  return std::nullopt;
}

std::optional<double> ParseNumber(std::string_view text) {
  // Plain decimals: an optional minus, digits, an optional fraction.
  std::size_t i = text.starts_with('-') ? 1 : 0;
  bool digits = false, point = false;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      digits = true;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (!digits || text.size() > 40) return std::nullopt;
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string FormatNumber(double value) {
  char buf[400];
  for (int decimals = 0; decimals <= 17; ++decimals) {
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    double back = 0;
    std::from_chars(buf, buf + std::char_traits<char>::length(buf), back);
    if (back == value) break;
  }
  return buf;
}

std::string FormatMM(double native) {
  char buf[40];
  for (int decimals = 0; decimals <= 17; ++decimals) {
    std::snprintf(buf, sizeof buf, "%.*f", decimals, native / 10.0);
    double back = 0;
    std::from_chars(buf, buf + std::char_traits<char>::length(buf), back);
    if (back * 10.0 == native) return buf;
  }
  return FormatNumber(native / 10.0);
}

std::optional<TFontStyles> ParseFontStyles(std::string_view text) {
  static const TNameTable<TFontStyle> names{{"bold", TFontStyle::fsBold},
                                            {"italic", TFontStyle::fsItalic},
                                            {"underline", TFontStyle::fsUnderline},
                                            {"strikeout", TFontStyle::fsStrikeOut}};
  TFontStyles styles;
  for (std::string_view w : Words(text)) {
    const auto s = FindName(names, w);
    if (!s) return std::nullopt;
    styles.Include(*s);
  }
  return styles;
}

std::string FormatFontStyles(TFontStyles styles) {
  std::string out;
  const char* names[] = {"bold", "italic", "underline", "strikeout"};
  for (int i = 0; i < 4; ++i)
    if (styles.Has(static_cast<TFontStyle>(i))) out += (out.empty() ? "" : " ") + std::string(names[i]);
  return out;
}

std::optional<TQRFrame> ParseFrameSides(std::string_view text, TQRFrame frame) {
  frame.SetAll(false);
  const auto words = Words(text);
  if (words.size() == 1 && words[0] == "all") {
    frame.SetAll(true);
    return frame;
  }
  if (words.size() == 1 && words[0] == "none") return frame;
  if (words.empty()) return std::nullopt;
  for (std::string_view w : words) {
    if (w == "top") frame.DrawTop = true;
    else if (w == "bottom") frame.DrawBottom = true;
    else if (w == "left") frame.DrawLeft = true;
    else if (w == "right") frame.DrawRight = true;
    else return std::nullopt;
  }
  return frame;
}

std::string FormatFrameSides(const TQRFrame& frame) {
  if (frame.DrawTop && frame.DrawBottom && frame.DrawLeft && frame.DrawRight) return "all";
  if (!frame.AnyFrame()) return "none";
  std::string out;
  auto add = [&out](bool on, const char* name) {
    if (on) out += (out.empty() ? "" : " ") + std::string(name);
  };
  add(frame.DrawTop, "top");
  add(frame.DrawBottom, "bottom");
  add(frame.DrawLeft, "left");
  add(frame.DrawRight, "right");
  return out;
}

const TNameTable<TQRShift>& ShiftNames() {
  static const TNameTable<TQRShift> t{{"withStretch", TQRShift::WithStretch}, {"none", TQRShift::None}};
  return t;
}

}  // namespace oxqr::oxr
