#include <cctype>
#include <cmath>
#include <cstdlib>

#include "data/DisplayFormat.h"
#include "data/CellDataSet.h"
#include "data/FieldTypes.h"

namespace oxqr {

namespace {

using TKind = TCell::TKind;

double CellToDouble(const TCell& c) {
  switch (c.Kind) {
    case TKind::Int: return static_cast<double>(c.Int);
    case TKind::Real: return c.Real;
    case TKind::Text: return std::strtod(c.Utf8.c_str(), nullptr);
    default: return 0;
  }
}

// Memo text keeps its paragraphs as '\n'-separated lines whatever the stored line ends.
std::string NormaliseLineEnds(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r') {
      out += '\n';
      if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string DefaultDateDisplay(TFieldType type, const TDateTimeParts& dt) {
  if (type == TFieldType::ftDate) return FormatDateTime(kDefaultDateFormat, dt);
  if (type == TFieldType::ftTime) return FormatDateTime(kDefaultTimeFormat, dt);
  std::string s = FormatDateTime(kDefaultDateFormat, dt);
  if (dt.HasTime()) s += " " + FormatDateTime(kDefaultTimeFormat, dt);
  return s;
}

}  // namespace

bool TCellField::IsNull() const { return Value().Kind == TKind::Null; }

std::string TCellField::AsString() const {
  const TCell& c = Value();
  if (c.Kind == TKind::Null) return {};
  if (IsBlob()) return DataType == TFieldType::ftMemo ? NormaliseLineEnds(c.Bytes) : c.Bytes;
  if (IsDateType(DataType) && c.Kind == TKind::Text)
    if (auto dt = ParseIsoDateTime(c.Utf8)) return DefaultDateDisplay(DataType, *dt);
  if (DataType == TFieldType::ftBoolean) return AsBoolean() ? "True" : "False";
  switch (c.Kind) {
    case TKind::Int: return std::to_string(c.Int);
    case TKind::Real: return IsIntegerType(DataType) ? std::to_string(AsInteger()) : FloatToStr(c.Real);
    default: return c.Bytes;
  }
}

double TCellField::AsFloat() const {
  const TCell& c = Value();
  if (IsDateType(DataType) && c.Kind == TKind::Text)
    if (auto dt = ParseIsoDateTime(c.Utf8)) return DateTimeToSerial(*dt);
  return CellToDouble(c);
}

std::int64_t TCellField::AsInteger() const {
  const TCell& c = Value();
  if (c.Kind == TKind::Int) return c.Int;
  if (c.Kind == TKind::Text && !IsDateType(DataType)) return std::strtoll(c.Utf8.c_str(), nullptr, 10);
  return static_cast<std::int64_t>(std::llround(AsFloat()));
}

bool TCellField::AsBoolean() const {
  const TCell& c = Value();
  if (c.Kind == TKind::Text) {
    const char first = c.Utf8.empty() ? 'F' : static_cast<char>(std::toupper(static_cast<unsigned char>(c.Utf8[0])));
    return first == 'T' || first == 'Y' || first == '1';
  }
  return CellToDouble(c) != 0;
}

std::string TCellField::AsBytes() const { return Value().Bytes; }

std::string TCellField::DisplayText() const {
  const TCell& c = Value();
  if (c.Kind == TKind::Null) return {};
  if (DataType == TFieldType::ftGraphic) return "(Graphic)";
  if (DataType == TFieldType::ftBlob) return "(Blob)";
  if (IsDateType(DataType) && c.Kind == TKind::Text) {
    if (auto dt = ParseIsoDateTime(c.Utf8))
      return DisplayFormat.empty() ? DefaultDateDisplay(DataType, *dt) : FormatDateTime(DisplayFormat, *dt);
  }
  if (IsNumericType(DataType)) {
    if (!DisplayFormat.empty()) return FormatFloat(DisplayFormat, AsFloat());
    if (DataType == TFieldType::ftCurrency) return FormatCurrency(AsFloat());
  }
  return AsString();
}

}  // namespace oxqr
