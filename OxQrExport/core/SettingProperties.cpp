#include "SettingProperties.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <type_traits>

#include "DocumentFunctions.h"
#include "FilterKinds.h"
#include "data/DatabaseSettings.h"
#include "platform/Errors.h"

namespace oxqr {
namespace {

// ---- identifiers of the enumerations -------------------------------------------------

template <class E>
struct EnumNames;

template <>
struct EnumNames<TOxImageFormat> {
  static constexpr std::array<std::string_view, 3> Values{"ifGIF", "ifJPG", "ifBMP"};
};
template <>
struct EnumNames<TOxRichTextEncodingType> {
  static constexpr std::array<std::string_view, 2> Values{"rtImage", "rtPlainText"};
};
template <>
struct EnumNames<TOxQRNavigatorType> {
  static constexpr std::array<std::string_view, 2> Values{"ntFixedToScreen", "ntFixedToPage"};
};
template <>
struct EnumNames<TPDFFontEncoding> {
  static constexpr std::array<std::string_view, 5> Values{"feWinAnsiEncoding", "feMacRomanEncoding",
                                                          "feMacExpertEncoding", "feStandardEncoding",
                                                          "fePDFDocEncoding"};
};
template <>
struct EnumNames<TPDFCompressionMethod> {
  static constexpr std::array<std::string_view, 3> Values{"cmFastest", "cmNormal", "cmMaxCompress"};
};
template <>
struct EnumNames<TPDFConformance> {
  static constexpr std::array<std::string_view, 4> Values{"none", "pdfA2b", "pdfUA1", "pdfA2bUA1"};
};
template <>
struct EnumNames<TTextLineSpacing> {
  static constexpr std::array<std::string_view, 7> Values{"lsActual",     "lsNoBlank",   "lsOneBlank", "lsTwoBlank",
                                                          "lsThreeBlank", "lsFourBlank", "lsFiveBlank"};
};
template <>
struct EnumNames<TCSVSeparator> {
  static constexpr std::array<std::string_view, 3> Values{"csComma", "csSemicolon", "csTab"};
};
template <>
struct EnumNames<TPixelFormat> {
  static constexpr std::array<std::string_view, 9> Values{"pfDevice", "pf1bit",  "pf4bit",  "pf8bit",  "pf15bit",
                                                          "pf16bit",  "pf24bit", "pf32bit", "pfCustom"};
};

// ---- C++ field types <-> property values ---------------------------------------------

template <class T>
TSettingValue ToValue(const T& v) {
  if constexpr (std::is_same_v<T, bool>) {
    return v;
  } else if constexpr (std::is_enum_v<T> || std::is_integral_v<T>) {
    return static_cast<long long>(v);
  } else if constexpr (std::is_floating_point_v<T>) {
    return static_cast<double>(v);
  } else {
    return std::string(v);
  }
}

template <class T>
T FromValue(const TSettingValue& v) {
  if constexpr (std::is_same_v<T, bool>) {
    return std::get<bool>(v);
  } else if constexpr (std::is_enum_v<T> || std::is_integral_v<T>) {
    return static_cast<T>(std::get<long long>(v));
  } else if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(std::get<double>(v));
  } else {
    return std::get<std::string>(v);
  }
}

template <class T>
void DescribeType(TSettingProperty& p) {
  if constexpr (std::is_same_v<T, bool>) {
    p.Type = TSettingType::stBoolean;
  } else if constexpr (std::is_enum_v<T>) {
    p.Type = TSettingType::stEnum;
    const auto& names = EnumNames<T>::Values;
    p.Names.assign(names.begin(), names.end());
  } else if constexpr (std::is_integral_v<T>) {
    p.Type = TSettingType::stInteger;
    p.Min = std::numeric_limits<T>::min();
    p.Max = std::numeric_limits<T>::max();
  } else if constexpr (std::is_floating_point_v<T>) {
    p.Type = TSettingType::stFloat;
  } else {
    p.Type = TSettingType::stString;
  }
}

// ---- building the table ----------------------------------------------------------------

class TableBuilder {
 public:
  std::vector<TSettingProperty> List;

  // A plain field `field` (declared in B, a base of or equal to G) of settings object `group`.
  template <class G, class B, class T>
  TSettingProperty& Field(std::string_view prefix, G TOxQRExportSettings::*group, std::string_view name, T B::*field,
                          TStoredRule rule = TStoredRule::srNotDefault) {
    TSettingProperty p = Named<T>(prefix, name, rule);
    p.Get = [group, field](const TOxQRExportSettings& s) {
      const B& b = s.*group;
      return ToValue(b.*field);
    };
    p.Set = [group, field](TOxQRExportSettings& s, const TSettingValue& v) {
      B& b = s.*group;
      b.*field = FromValue<T>(v);
    };
    const G defaults{};
    p.Default = ToValue(static_cast<const B&>(defaults).*field);
    List.push_back(std::move(p));
    return List.back();
  }

  // A property with a reader and a (checking) writer.
  template <class G, class T>
  TSettingProperty& Accessor(std::string_view prefix, G TOxQRExportSettings::*group, std::string_view name, T (G::*get)() const,
                void (G::*set)(T)) {
    TSettingProperty p = Named<T>(prefix, name, TStoredRule::srNotDefault);
    p.Get = [group, get](const TOxQRExportSettings& s) { return ToValue(((s.*group).*get)()); };
    p.Set = [group, set](TOxQRExportSettings& s, const TSettingValue& v) { ((s.*group).*set)(FromValue<T>(v)); };
    const G defaults{};
    p.Default = ToValue((defaults.*get)());
    List.push_back(std::move(p));
    return List.back();
  }

  template <class G>
  void DocumentFields(std::string_view prefix, G TOxQRExportSettings::*g) {
    using D = TOxQRDocumentFilterSettings;
    Field(prefix, g, "Author", &D::Author);
    Field(prefix, g, "Creator", &D::Creator);
    Field(prefix, g, "ExportImages", &D::ExportImages);
    QualityRange(Field(prefix, g, "JPEGQuality", &D::JPEGQuality));
    Field(prefix, g, "Keywords", &D::Keywords);
    // -1 keeps the picture's own size; otherwise dots per inch a reader can still open.
    TSettingProperty& dpi = Field(prefix, g, "ImageDPI", &D::ImageDPI);
    dpi.Min = 1;
    dpi.Max = 1200;
    dpi.Special = -1;
    Field(prefix, g, "ImagePixelFormat", &D::ImagePixelFormat);
    Field(prefix, g, "ExportRichText", &D::ExportRichText);
    Field(prefix, g, "OptimizeBackgroundPainting", &D::OptimizeBackgroundPainting);
    Field(prefix, g, "Subject", &D::Subject);
    Field(prefix, g, "Title", &D::Title);
  }

  // JPEG quality as the encoder takes it.
  static void QualityRange(TSettingProperty& p) {
    p.Min = 1;
    p.Max = 100;
  }

  template <class G>
  void PictureFields(std::string_view prefix, G TOxQRExportSettings::*g) {
    Field(prefix, g, "Monochrome", &G::Monochrome);
    Field(prefix, g, "PixelFormat", &G::PixelFormat);
  }

 private:
  template <class T>
  static TSettingProperty Named(std::string_view prefix, std::string_view name, TStoredRule rule) {
    TSettingProperty p;
    p.Path = std::string(prefix) + "." + std::string(name);
    p.Stored = rule;
    DescribeType<T>(p);
    return p;
  }
};

TSettingProperty VisibleFiltersProperty() {
  TSettingProperty p;
  p.Path = "VisibleFilters";
  p.Type = TSettingType::stSet;
  for (int i = 0; i < FilterKindCount; ++i) p.Names.push_back(FilterKindName(static_cast<TOxQRFilterKind>(i)));
  p.Get = [](const TOxQRExportSettings& s) { return TSettingValue(static_cast<long long>(s.VisibleFilters().Bits())); };
  // Only a change touches the registry, as the component's setter does.
  p.Set = [](TOxQRExportSettings& s, const TSettingValue& v) {
    const TOxQRVisibleFilters value(static_cast<std::uint16_t>(std::get<long long>(v)));
    if (value != s.VisibleFilters()) s.SetVisibleFilters(value);
  };
  p.Default = static_cast<long long>(TOxQRVisibleFilters::All().Bits());
  return p;
}

// The database connections' statement timeout (seconds, 0 = none). It belongs to the
// data layer rather than to a filter, but is set like every other setting.
TSettingProperty StatementTimeoutProperty() {
  TSettingProperty p;
  p.Path = "Database.StatementTimeout";
  p.Type = TSettingType::stInteger;
  p.Min = 0;
  p.Max = std::numeric_limits<int>::max() / 1000;  // the server takes milliseconds in an int
  p.Get = [](const TOxQRExportSettings&) { return TSettingValue(static_cast<long long>(DatabaseSettings().StatementTimeout)); };
  p.Set = [](TOxQRExportSettings&, const TSettingValue& v) {
    DatabaseSettings().StatementTimeout = static_cast<int>(std::get<long long>(v));
  };
  p.Default = 0LL;
  return p;
}

std::vector<TSettingProperty> BuildTable() {
  using S = TOxQRExportSettings;
  TableBuilder b;
  b.List.push_back(VisibleFiltersProperty());

  b.DocumentFields("HTML", &S::HTML);
  using H = TOxQRHTMLSettings;
  b.Field("HTML", &S::HTML, "CSSFileName", &H::CSSFileName);
  b.Field("HTML", &S::HTML, "ExportImageFormat", &H::ExportImageFormat);
  b.Field("HTML", &S::HTML, "FirstLinkText", &H::FirstLinkText);
  b.Field("HTML", &S::HTML, "LastLinkText", &H::LastLinkText);
  b.Field("HTML", &S::HTML, "NextLinkText", &H::NextLinkText);
  b.Field("HTML", &S::HTML, "PrevLinkText", &H::PrevLinkText);
  b.Field("HTML", &S::HTML, "ImageDir", &H::ImageDir);
  b.Field("HTML", &S::HTML, "GraphicNavUseWebdings", &H::GraphicNavUseWebdings);
  b.Field("HTML", &S::HTML, "NavigatorType", &H::NavigatorType);
  b.Field("HTML", &S::HTML, "OptimizeForIE", &H::OptimizeForIE);
  b.Field("HTML", &S::HTML, "OutputStylesToCSSFile", &H::OutputStylesToCSSFile);
  b.Field("HTML", &S::HTML, "PageEndLines", &H::PageEndLines);
  b.Field("HTML", &S::HTML, "RichTextEncodingType", &H::RichTextEncodingType);
  b.Field("HTML", &S::HTML, "SingleFile", &H::SingleFile);
  b.Field("HTML", &S::HTML, "ShowNavigator", &H::ShowNavigator);
  b.Field("HTML", &S::HTML, "UseTextLinks", &H::UseTextLinks);
  b.Field("HTML", &S::HTML, "ReuseIdenticalImages", &H::ReuseIdenticalImages);
  b.Field("HTML", &S::HTML, "BarcodesAsPictures", &H::BarcodesAsPictures);

  b.DocumentFields("PDF", &S::PDF);
  using P = TOxQRPDFSettings;
  b.Field("PDF", &S::PDF, "Compressed", &P::Compressed);
  b.Field("PDF", &S::PDF, "CompressionMethod", &P::CompressionMethod);
  b.Accessor("PDF", &S::PDF, "ExportImageFormat", &P::ExportImageFormat, &P::SetExportImageFormat).RefusedNames =
      1u << static_cast<unsigned>(TOxImageFormat::ifGIF);
  b.Field("PDF", &S::PDF, "FontEncoding", &P::FontEncoding);
  b.Field("PDF", &S::PDF, "RichTextEncodingType", &P::RichTextEncodingType);
  b.Field("PDF", &S::PDF, "EmbedFonts", &P::EmbedFonts);
  b.Field("PDF", &S::PDF, "ReuseIdenticalImages", &P::ReuseIdenticalImages);
  b.Field("PDF", &S::PDF, "Conformance", &P::Conformance);
  b.Field("PDF", &S::PDF, "ConformanceStrict", &P::ConformanceStrict, TStoredRule::srNotDefault);

  b.DocumentFields("RTF", &S::RTF);
  using R = TOxQRRTFSettings;
  b.Accessor("RTF", &S::RTF, "ExportImageFormat", &R::ExportImageFormat, &R::SetExportImageFormat).RefusedNames =
      1u << static_cast<unsigned>(TOxImageFormat::ifGIF);

  using X = TOxQRExcelSettings;
  b.Field("Excel", &S::Excel, "ExportRichText", &X::ExportRichText);
  b.Field("Excel", &S::Excel, "LineSpacing", &X::LineSpacing);
  b.Field("Excel", &S::Excel, "SetCellAttributes", &X::SetCellAttributes);
  b.Field("Excel", &S::Excel, "NativeNumbers", &X::NativeNumbers);

  using T = TOxQRTextSettings;
  b.Field("Text", &S::Text, "ExportRichText", &T::ExportRichText);
  b.Field("Text", &S::Text, "LineSpacing", &T::LineSpacing);
  b.Field("Text", &S::Text, "PageBreaks", &T::PageBreaks);
  b.Field("Text", &S::Text, "PageEndLines", &T::PageEndLines);
  b.Field("Text", &S::Text, "SingleFile", &T::SingleFile);
  // Columns per character cell: above 0 (no cell at all), at most 100 (a page row of some
  // ten thousand characters; more only grows the file).
  TSettingProperty& scale = b.Field("Text", &S::Text, "XScaleFactor", &T::XScaleFactor, TStoredRule::srNotZero);
  scale.FloatMin = 0;
  scale.FloatMinExclusive = true;
  scale.FloatMax = 100;

  b.PictureFields("GIF", &S::GIF);
  using J = TOxQRJPEGSettings;
  b.PictureFields("JPEG", &S::JPEG);
  b.Field("JPEG", &S::JPEG, "ProgressiveEncoding", &J::ProgressiveEncoding);
  TableBuilder::QualityRange(b.Field("JPEG", &S::JPEG, "Quality", &J::Quality));
  b.PictureFields("BMP", &S::BMP);

  using M = TOxQRMetafileSettings;
  b.Field("EMF", &S::EMF, "FillUnusedArea", &M::FillUnusedArea);
  b.Field("WMF", &S::WMF, "FillUnusedArea", &M::FillUnusedArea);

  using W = TOxQRXLSXSettings;
  b.Field("XLSX", &S::XLSX, "ExportRichText", &W::ExportRichText);
  b.Field("XLSX", &S::XLSX, "LineSpacing", &W::LineSpacing);
  b.Field("XLSX", &S::XLSX, "FreezeHeaderRows", &W::FreezeHeaderRows);
  b.Field("XLSX", &S::XLSX, "SheetPerPage", &W::SheetPerPage);
  b.Field("XLSX", &S::XLSX, "Author", &W::Author);
  b.Field("XLSX", &S::XLSX, "Keywords", &W::Keywords);
  b.Field("XLSX", &S::XLSX, "Subject", &W::Subject);
  b.Field("XLSX", &S::XLSX, "Title", &W::Title);

  using C = TOxQRCSVSettings;
  b.Field("CSV", &S::CSV, "ExportRichText", &C::ExportRichText);
  b.Field("CSV", &S::CSV, "Separator", &C::Separator);
  b.Field("CSV", &S::CSV, "ByteOrderMark", &C::ByteOrderMark);
  b.Field("CSV", &S::CSV, "PlainNumbers", &C::PlainNumbers);
  b.Field("CSV", &S::CSV, "FormulaGuard", &C::FormulaGuard);

  b.List.push_back(StatementTimeoutProperty());
  return std::move(b.List);
}

// ---- text helpers ----------------------------------------------------------------------

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

[[noreturn]] void BadValue(const TSettingProperty& p, std::string_view text, std::string_view why) {
  throw EOxQRError("Invalid value '" + std::string(text) + "' for " + p.Path + ": " + std::string(why));
}

bool ParseBool(const TSettingProperty& p, std::string_view text) {
  if (SameText(text, "true")) return true;
  if (SameText(text, "false")) return false;
  BadValue(p, text, "expected True or False");
}

long long ParseInteger(const TSettingProperty& p, std::string_view text) {
  long long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) BadValue(p, text, "expected an integer");
  if ((v < p.Min || v > p.Max) && v != p.Special) BadValue(p, text, "allowed " + AllowedValues(p));
  return v;
}

double ParseFloat(const TSettingProperty& p, std::string_view text) {
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) BadValue(p, text, "expected a number");
  const bool aboveMin = p.FloatMinExclusive ? v > p.FloatMin : v >= p.FloatMin;
  if (!std::isfinite(v) || !aboveMin || v > p.FloatMax) BadValue(p, text, "allowed " + AllowedValues(p));
  return v;
}

// The names a value may take (without those a checking setter refuses).
std::string JoinNames(const TSettingProperty& p) {
  std::string out;
  for (std::size_t i = 0; i < p.Names.size(); ++i) {
    if ((p.RefusedNames >> i) & 1u) continue;
    out += (out.empty() ? "" : ", ") + std::string(p.Names[i]);
  }
  return out;
}

long long ParseIdentifier(const TSettingProperty& p, std::string_view text) {
  for (std::size_t i = 0; i < p.Names.size(); ++i) {
    if (SameText(p.Names[i], text)) return static_cast<long long>(i);
  }
  BadValue(p, text, "expected one of " + JoinNames(p));
}

long long ParseSet(const TSettingProperty& p, std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '[') {
    if (text.back() != ']') BadValue(p, text, "missing ']'");
    text = Trim(text.substr(1, text.size() - 2));
  }
  long long bits = 0;
  while (!text.empty()) {
    const auto comma = text.find(',');
    const auto item = Trim(text.substr(0, comma));
    if (item.empty()) BadValue(p, text, "empty set element");
    bits |= 1LL << ParseIdentifier(p, item);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (comma != std::string_view::npos && Trim(text).empty()) BadValue(p, text, "empty set element");
  }
  return bits;
}

// 'abc''d'#13#10'e': quoted runs with doubled quotes, and control characters by code.
std::string ParseQuoted(const TSettingProperty& p, std::string_view text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\'') {
      ++i;
      for (;;) {
        if (i >= text.size()) BadValue(p, text, "unterminated string");
        if (text[i] == '\'') {
          if (i + 1 < text.size() && text[i + 1] == '\'') {
            out += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        out += text[i++];
      }
    } else if (text[i] == '#') {
      std::size_t j = ++i;
      while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
      int code = 0;
      const auto [end, ec] = std::from_chars(text.data() + i, text.data() + j, code);
      if (ec != std::errc() || j == i || code > 255) BadValue(p, text, "bad character code");
      out += static_cast<char>(code);
      i = j;
    } else {
      BadValue(p, text, "expected a quoted string");
    }
  }
  if (text.empty()) BadValue(p, text, "expected a quoted string");
  return out;
}

std::string QuoteString(const std::string& s) {
  if (s.empty()) return "''";
  std::string out;
  bool inQuotes = false;
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127) {
      if (inQuotes) out += '\'';
      inQuotes = false;
      out += '#' + std::to_string(u);
    } else {
      if (!inQuotes) out += '\'';
      inQuotes = true;
      out += c;
      if (c == '\'') out += '\'';
    }
  }
  if (inQuotes) out += '\'';
  return out;
}

// Shortest text that reads back to the same double, always with a decimal point ("1.0").
std::string FormatDouble(double v) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, ec == std::errc() ? end : buf);
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
  return s;
}

// Shortest text that reads back to the same double ("0", "100", "0.5"), for messages.
std::string FormatNumber(double v) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, ec == std::errc() ? end : buf);
}

}  // namespace

bool TSettingProperty::IsStored(const TOxQRExportSettings& settings) const {
  const TSettingValue v = Get(settings);
  if (Stored == TStoredRule::srNotZero) return std::get<double>(v) != 0.0;
  return v != Default;
}

const std::vector<TSettingProperty>& SettingProperties() {
  static const std::vector<TSettingProperty> table = BuildTable();
  return table;
}

const TSettingProperty* FindSetting(std::string_view path) {
  for (const auto& p : SettingProperties()) {
    if (SameText(p.Path, path)) return &p;
  }
  return nullptr;
}

std::string FormatFormValue(const TSettingProperty& p, const TSettingValue& value) {
  switch (p.Type) {
    case TSettingType::stBoolean: return std::get<bool>(value) ? "True" : "False";
    case TSettingType::stInteger: return std::to_string(std::get<long long>(value));
    case TSettingType::stFloat: return FormatDouble(std::get<double>(value));
    case TSettingType::stString: return QuoteString(std::get<std::string>(value));
    case TSettingType::stEnum: return std::string(p.Names.at(static_cast<std::size_t>(std::get<long long>(value))));
    case TSettingType::stSet: {
      std::string out = "[";
      const auto bits = std::get<long long>(value);
      for (std::size_t i = 0; i < p.Names.size(); ++i) {
        if (!((bits >> i) & 1)) continue;
        if (out.size() > 1) out += ", ";
        out += p.Names[i];
      }
      return out + "]";
    }
  }
  return {};
}

TSettingValue ParseFormValue(const TSettingProperty& p, std::string_view text) {
  text = Trim(text);
  if (p.Type == TSettingType::stString) return ParseQuoted(p, text);
  if (p.Type == TSettingType::stSet && (text.empty() || text.front() != '[')) BadValue(p, text, "expected [...]");
  return ParseCommandValue(p, text);
}

TSettingValue ParseCommandValue(const TSettingProperty& p, std::string_view text) {
  if (p.Type == TSettingType::stString) return std::string(text);
  text = Trim(text);
  switch (p.Type) {
    case TSettingType::stBoolean: return ParseBool(p, text);
    case TSettingType::stInteger: return ParseInteger(p, text);
    case TSettingType::stFloat: return ParseFloat(p, text);
    case TSettingType::stEnum: return ParseIdentifier(p, text);
    case TSettingType::stSet: return ParseSet(p, text);
    case TSettingType::stString: break;
  }
  return std::string(text);
}

bool SetSettingByPath(const std::string& path, const std::string& value, std::string& error) {
  const TSettingProperty* p = FindSetting(path);
  if (!p) {
    error = "Unknown setting '" + path + "'";
    return false;
  }
  try {
    const TSettingValue v = ParseCommandValue(*p, value);
    TOxQRExportSettings& settings = QRExportSettings();
    p->Set(settings, v);
    if (p->Get(settings) != v) {
      error = "The value '" + value + "' was refused for " + p->Path;
      return false;
    }
  } catch (const EOxQRError& e) {
    error = e.what();
    return false;
  }
  return true;
}

std::string FormatCommandValue(const TSettingProperty& p, const TSettingValue& value) {
  switch (p.Type) {
    case TSettingType::stBoolean: return std::get<bool>(value) ? "true" : "false";
    case TSettingType::stString: return std::get<std::string>(value);
    case TSettingType::stSet: {
      std::string out;
      const auto bits = std::get<long long>(value);
      for (std::size_t i = 0; i < p.Names.size(); ++i) {
        if ((bits >> i) & 1) out += (out.empty() ? "" : ",") + std::string(p.Names[i]);
      }
      return out;
    }
    default: return FormatFormValue(p, value);
  }
}

std::string_view SettingTypeName(const TSettingProperty& p) {
  switch (p.Type) {
    case TSettingType::stBoolean: return "boolean";
    case TSettingType::stInteger: return "integer";
    case TSettingType::stFloat: return "number";
    case TSettingType::stString: return "string";
    case TSettingType::stEnum: return "enumeration";
    case TSettingType::stSet: return "set";
  }
  return {};
}

std::string AllowedValues(const TSettingProperty& p) {
  switch (p.Type) {
    case TSettingType::stBoolean: return "true, false";
    case TSettingType::stInteger: {
      const std::string range = std::to_string(p.Min) + ".." + std::to_string(p.Max);
      return p.Special ? std::to_string(*p.Special) + " or " + range : range;
    }
    case TSettingType::stFloat: {
      const bool low = p.FloatMin > std::numeric_limits<double>::lowest();
      const bool high = p.FloatMax < std::numeric_limits<double>::max();
      std::string out = low ? (p.FloatMinExclusive ? "above " : "from ") + FormatNumber(p.FloatMin) : "any finite number";
      if (high) out += " up to " + FormatNumber(p.FloatMax);
      return out;
    }
    case TSettingType::stString: return "any text";
    case TSettingType::stEnum: return JoinNames(p);
    case TSettingType::stSet: return "any of " + JoinNames(p);
  }
  return {};
}

std::vector<std::string> SettingPaths() {
  std::vector<std::string> paths;
  for (const auto& p : SettingProperties()) paths.push_back(p.Path);
  return paths;
}

}  // namespace oxqr
