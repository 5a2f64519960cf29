#include "Aggregates.h"

#include <cctype>
#include <cmath>
#include <utility>

#include "data/DisplayFormat.h"
#include "data/FieldTypes.h"

namespace oxqr {

TAggregate::TAggregate(TAggregateFunction function, TDataSet& data, std::string field, const TQRCustomBand* scope)
    : function_(function), data_(data), field_(std::move(field)), scope_(scope) {}

bool TAggregate::Matches(TAggregateFunction function, const TDataSet& data, const std::string& field,
                         const TQRCustomBand* scope) const {
  if (function != function_ || &data != &data_ || scope != scope_ || field.size() != field_.size()) return false;
  for (std::size_t i = 0; i < field.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(field[i])) != std::tolower(static_cast<unsigned char>(field_[i])))
      return false;
  return true;
}

void TAggregate::StartRun() {
  fieldCache_ = nullptr;
  states_.StartRun(scope_ == nullptr);  // a report-wide aggregate has its one instance
}

TField* TAggregate::FieldOf() const {
  if (fieldCache_ == nullptr && !field_.empty()) {
    fieldCache_ = data_.FindField(field_);
    if (fieldCache_ != nullptr) {
      type_ = fieldCache_->DataType;
      displayFormat_ = fieldCache_->DisplayFormat;
    }
  }
  return fieldCache_;
}

void TAggregate::Add() {
  ++states_.Current().Records;
  TField* field = FieldOf();
  if (field == nullptr || field->IsNull()) return;
  const bool first = states_.Current().Values++ == 0;
  switch (function_) {
    case TAggregateFunction::Count:
      return;
    case TAggregateFunction::Sum:
    case TAggregateFunction::Avg:
      states_.Current().Sum += field->AsFloat();
      return;
    case TAggregateFunction::Min:
    case TAggregateFunction::Max:
      break;
  }
  const bool wantLess = function_ == TAggregateFunction::Min;
  bool better = first;
  double key = 0;
  std::string textKey;
  if (IsNumericType(type_) || IsDateType(type_)) {
    key = field->AsFloat();
    better = better || (wantLess ? key < states_.Current().Key : key > states_.Current().Key);
  } else {
    textKey = field->AsString();
    better = better || (wantLess ? textKey < states_.Current().TextKey : textKey > states_.Current().TextKey);
  }
  if (!better) return;
  states_.Current().Key = key;
  states_.Current().TextKey = std::move(textKey);
  states_.Current().Display = field->DisplayText();
}

std::string TAggregate::FormatNumber(double value, const std::string& format, bool integral) const {
  if (!format.empty()) return FormatFloat(format, value);
  if (!displayFormat_.empty()) return FormatFloat(displayFormat_, value);
  if (type_ == TFieldType::ftCurrency) return FormatCurrency(value);
  if (integral) return std::to_string(std::llround(value));
  return FloatToStr(value);
}

std::string TAggregate::Text(const TState& state, const std::string& format) const {
  if (type_ == TFieldType::ftUnknown) FieldOf();
  switch (function_) {
    case TAggregateFunction::Count: {
      const std::int64_t n = field_.empty() ? state.Records : state.Values;
      return format.empty() ? std::to_string(n) : FormatFloat(format, static_cast<double>(n));
    }
    case TAggregateFunction::Sum:
      return FormatNumber(state.Sum, format, IsIntegerType(type_));
    case TAggregateFunction::Avg:
      if (state.Values == 0) return {};
      return FormatNumber(state.Sum / static_cast<double>(state.Values), format, false);
    case TAggregateFunction::Min:
    case TAggregateFunction::Max:
      break;
  }
  if (state.Values == 0) return {};
  if (format.empty()) return state.Display;
  if (IsDateType(type_)) return FormatDateTime(format, SerialToDateTime(state.Key));
  if (IsNumericType(type_)) return FormatFloat(format, state.Key);
  return state.Display;
}

}  // namespace oxqr
