#include "PrintCondition.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>

#include "NameChecks.h"
#include "ReportEnvironment.h"
#include "TokenText.h"
#include "data/DataSet.h"
#include "data/DisplayFormat.h"
#include "data/FieldTypes.h"

namespace oxqr {
namespace {

constexpr std::array<std::pair<std::string_view, TCompareOp>, 4> kOps{{
    {"<>", TCompareOp::NotEqual}, {"=", TCompareOp::Equal}, {"<", TCompareOp::Less}, {">", TCompareOp::Greater},
}};

std::string_view OpText(TCompareOp op) {
  for (const auto& [text, o] : kOps)
    if (o == op) return text;
  return {};
}

std::optional<double> NumberOf(std::string_view text) {
  double v = 0;
  const char* first = text.data() + (!text.empty() && text.front() == '+' ? 1 : 0);
  const auto [end, ec] = std::from_chars(first, text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || first == end) return std::nullopt;
  return v;
}

std::optional<double> DateOf(std::string_view text) {
  if (text.size() < 10 || text[4] != '-') return std::nullopt;
  const auto dt = ParseIsoDateTime(text);
  if (!dt) return std::nullopt;
  return DateTimeToSerial(*dt);
}

// The value as a number or date serial for a field of `type`; nullopt for text fields.
// Throws TTokenError at `offset` when the value does not suit the field.
std::optional<double> ComparableValue(TFieldType type, const std::string& value, const std::string& what,
                                      std::size_t offset) {
  if (IsNumericType(type)) {
    if (auto v = NumberOf(value)) return v;
    throw TTokenError(offset, value.size(), "'" + value + "' is not a number: " + what + " is numeric");
  }
  if (IsDateType(type)) {
    if (auto v = DateOf(value)) return v;
    throw TTokenError(offset, value.size(), "'" + value + "' is not a date as yyyy-mm-dd: " + what + " is a date");
  }
  return std::nullopt;
}

bool NeedsQuotes(const std::string& value) {
  return value.empty() || value.front() == ' ' || value.back() == ' ' || value.front() == '\'';
}

bool IsNameChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || u >= 0x80;
}

}  // namespace

TFieldCondition::TFieldCondition(TDataSet& data, std::string dataSetName, std::string field, TCompareOp op,
                                 std::string value)
    : data_(data), dataSetName_(std::move(dataSetName)), field_(std::move(field)), op_(op), value_(std::move(value)) {}

bool TFieldCondition::Holds() const {
  const TField& field = data_.FieldByName(field_);
  if (op_ == TCompareOp::NotEmpty) return !field.IsNull() && !(field.DataType == TFieldType::ftString && field.AsString().empty());
  const std::string what = dataSetName_ + "." + field_;
  const std::optional<double> wanted = ComparableValue(field.DataType, value_, what, 0);
  int order = 0;
  if (wanted) {
    if (field.IsNull()) return false;
    const double v = field.AsFloat();
    order = v < *wanted ? -1 : v > *wanted ? 1 : 0;
  } else {
    const std::string v = field.IsNull() ? std::string() : field.AsString();
    order = v.compare(value_) < 0 ? -1 : v.compare(value_) > 0 ? 1 : 0;
  }
  switch (op_) {
    case TCompareOp::Equal: return order == 0;
    case TCompareOp::NotEqual: return order != 0;
    case TCompareOp::Less: return order < 0;
    case TCompareOp::Greater: return order > 0;
    case TCompareOp::NotEmpty: break;
  }
  return false;
}

void TFieldCondition::Check() const {
  if (!data_.Active()) data_.Open();
  const std::size_t fieldAt = dataSetName_.size() + 1;
  const TField& field = RequireField(data_, dataSetName_, field_, fieldAt);
  if (op_ == TCompareOp::NotEmpty) return;
  const std::size_t valueAt = fieldAt + field_.size() + OpText(op_).size() + 2 + (NeedsQuotes(value_) ? 1 : 0);
  ComparableValue(field.DataType, value_, dataSetName_ + "." + field_, valueAt);
}

std::string TFieldCondition::ToString() const {
  std::string out = dataSetName_ + "." + field_;
  if (op_ == TCompareOp::NotEmpty) return out;
  out += " " + std::string(OpText(op_)) + " ";
  if (!NeedsQuotes(value_)) return out + value_;
  out += '\'';
  for (const char c : value_) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + '\'';
}

std::unique_ptr<TFieldCondition> ParsePrintCondition(std::string_view text, const TReportEnvironment& env) {
  std::size_t pos = 0;
  auto skipBlanks = [&] {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  };
  auto name = [&](const char* what) {
    const std::size_t start = pos;
    while (pos < text.size() && IsNameChar(text[pos])) ++pos;
    if (pos == start) throw TTokenError(start, 1, std::string("expected ") + what);
    return std::string(text.substr(start, pos - start));
  };
  skipBlanks();
  const std::size_t dataAt = pos;
  const std::string dataSetName = name("a dataset name");
  if (pos >= text.size() || text[pos] != '.') throw TTokenError(pos, 1, "expected '.' and a field after " + dataSetName);
  ++pos;
  const std::size_t fieldAt = pos;
  const std::string fieldName = name("a field name");
  TDataSet& data = RequireDataSet(env, dataSetName, dataAt);
  const TField& field = RequireField(data, dataSetName, fieldName, fieldAt);
  const std::string what = dataSetName + "." + fieldName;
  skipBlanks();
  if (pos == text.size()) return std::make_unique<TFieldCondition>(data, dataSetName, fieldName, TCompareOp::NotEmpty);

  const auto* op = std::find_if(kOps.begin(), kOps.end(), [&](const auto& o) { return text.substr(pos).starts_with(o.first); });
  if (op == kOps.end()) throw TTokenError(pos, 1, "expected =, <>, < or > after " + what);
  pos += op->first.size();
  skipBlanks();
  const std::size_t valueAt = pos;
  std::string value;
  if (pos < text.size() && text[pos] == '\'') {
    for (++pos;; ++pos) {
      if (pos >= text.size()) throw TTokenError(valueAt, 1, "the quoted value is not closed by '");
      if (text[pos] != '\'') {
        value += text[pos];
      } else if (pos + 1 < text.size() && text[pos + 1] == '\'') {
        value += '\'';
        ++pos;
      } else {
        break;
      }
    }
    ++pos;
    skipBlanks();
    if (pos < text.size()) throw TTokenError(pos, 1, "unexpected text after the quoted value");
  } else {
    value = std::string(text.substr(pos));
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
    if (value.empty()) throw TTokenError(pos, 1, "expected a value after " + std::string(op->first));
  }
  ComparableValue(field.DataType, value, what, valueAt + (text[valueAt] == '\'' ? 1 : 0));
  return std::make_unique<TFieldCondition>(data, dataSetName, fieldName, op->second, std::move(value));
}

}  // namespace oxqr
