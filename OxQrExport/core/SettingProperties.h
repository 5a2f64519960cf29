#pragma once
// The published settings of QRExportSettings as one table of properties ("HTML.SingleFile",
// "Text.XScaleFactor", "VisibleFilters"): type, accessors, default and the rule for when a
// value is written to form text. Form text and the command line's --set both go through
// this table, so they accept the same names and values.
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Settings.h"

namespace oxqr {

enum class TSettingType : std::uint8_t { stBoolean, stInteger, stFloat, stString, stEnum, stSet };

// When a value is written to form text.
enum class TStoredRule : std::uint8_t {
  srNotDefault,  // only when it differs from the default
  srNotZero,     // whenever it is not 0, so also at its default
};

// A property value: bool; integer, enum ordinal or set bits as long long; double; string.
using TSettingValue = std::variant<bool, long long, double, std::string>;

struct TSettingProperty {
  std::string Path;
  TSettingType Type = TSettingType::stBoolean;
  std::vector<std::string_view> Names;  // identifiers of the enum values or set elements, in order
  long long Min = 0;                    // integer range, both ends allowed
  long long Max = 0;
  std::optional<long long> Special;     // one more integer allowed outside the range (ImageDPI's -1)
  std::uint32_t RefusedNames = 0;       // enum values (bit n = value n) that a checking setter refuses
  // Number range of a float; every value must be finite. The lower end is excluded when
  // FloatMinExclusive (XScaleFactor: above 0 up to 100).
  double FloatMin = std::numeric_limits<double>::lowest();
  double FloatMax = std::numeric_limits<double>::max();
  bool FloatMinExclusive = false;
  std::function<TSettingValue(const TOxQRExportSettings&)> Get;
  // Stores through the settings' own setters (the checking ones may refuse a value).
  std::function<void(TOxQRExportSettings&, const TSettingValue&)> Set;
  TSettingValue Default;
  TStoredRule Stored = TStoredRule::srNotDefault;

  // Whether the current value of `settings` is written to form text.
  bool IsStored(const TOxQRExportSettings& settings) const;
};

// Every published setting in published order (VisibleFilters, HTML ... WMF, XLSX, CSV), then
// Database.StatementTimeout, which the database connections read.
const std::vector<TSettingProperty>& SettingProperties();
// The property of `path` (letter case ignored), or nullptr.
const TSettingProperty* FindSetting(std::string_view path);

// Form text syntax: True/False, 75, 1.0, ifJPG, 'text'#13#10'more', [fkHTML, fkPDF].
std::string FormatFormValue(const TSettingProperty& property, const TSettingValue& value);
// Parses form text syntax; throws EOxQRError naming the property when the text does not fit.
TSettingValue ParseFormValue(const TSettingProperty& property, std::string_view text);
// Command-line syntax: true/false, 75, 2.0, cmFastest, plain text, fkPDF,fkHTML (brackets
// optional). Letter case of identifiers is ignored. Numbers outside the property's range and
// non-finite numbers are refused. Throws EOxQRError naming the property and what is allowed.
TSettingValue ParseCommandValue(const TSettingProperty& property, std::string_view text);
// A value in command-line syntax, so that ParseCommandValue reads it back unchanged.
std::string FormatCommandValue(const TSettingProperty& property, const TSettingValue& value);
// "boolean", "integer", "number", "string", "enumeration" or "set".
std::string_view SettingTypeName(const TSettingProperty& property);
// What the property accepts, for people: "true, false", "1..100", "-1 or 1..1200",
// "above 0 up to 100", "lsActual, lsNoBlank, ...", "any of fkHTML, ...", "any text".
std::string AllowedValues(const TSettingProperty& property);

// Sets one property of QRExportSettings from command-line syntax ("HTML.SingleFile", "true").
// False with `error` naming the path when the path is unknown, the value does not fit its
// type, or a checking setter refused it.
bool SetSettingByPath(const std::string& path, const std::string& value, std::string& error);
// The paths SetSettingByPath accepts, in published order.
std::vector<std::string> SettingPaths();

}  // namespace oxqr
