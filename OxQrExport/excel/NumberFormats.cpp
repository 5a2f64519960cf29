#include "NumberFormats.h"

#include "data/DisplayFormat.h"

namespace oxqr {

std::string WorksheetFormat(std::string_view f) {
  std::string out;
  for (std::size_t i = 0; i < f.size(); ++i) {
    const char c = f[i];
    if (c == '\'' || c == '"') {
      // A quoted literal: copied between double quotes.
      const std::size_t end = f.find(c, i + 1);
      const std::size_t stop = end == std::string_view::npos ? f.size() : end;
      out += '"';
      out.append(f.substr(i + 1, stop - i - 1));
      out += '"';
      i = stop;
    } else if (c == 'n' || c == 'N') {
      out += 'm';  // minutes
    } else {
      out += c;
    }
  }
  return out;
}

std::string FieldWorksheetFormat(TFieldType type, std::string_view displayFormat, bool withTime) {
  if (!displayFormat.empty()) return WorksheetFormat(displayFormat);
  if (type == TFieldType::ftCurrency) return "$#,##0.00";
  if (IsNativeDateField(type)) {
    std::string f = WorksheetFormat(kDefaultDateFormat);
    if (withTime) f += " " + WorksheetFormat(kDefaultTimeFormat);
    return f;
  }
  return "General";
}

bool IsWholeNumberField(TFieldType type) {
  switch (type) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftAutoInc:
    case TFieldType::ftLargeint:
      return true;
    default:
      return false;
  }
}

bool IsNativeDateField(TFieldType type) { return type == TFieldType::ftDate || type == TFieldType::ftDateTime; }

bool IsNativeNumberField(TFieldType type) {
  return IsWholeNumberField(type) || type == TFieldType::ftFloat || type == TFieldType::ftCurrency ||
         IsNativeDateField(type);
}

}  // namespace oxqr
