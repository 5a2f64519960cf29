#include "expression/CalcField.h"

#include <cmath>

#include "expression/ValueText.h"

namespace oxqr::expr {
namespace {

TFieldType FieldTypeOf(TType type) {
  switch (type) {
    case TType::Number: return TFieldType::ftFloat;
    case TType::Boolean: return TFieldType::ftBoolean;
    case TType::Date: return TFieldType::ftDate;
    case TType::DateTime: return TFieldType::ftDateTime;
    default: return TFieldType::ftString;
  }
}

}  // namespace

TCalcField::TCalcField(std::string name, std::shared_ptr<const TExpression> expression, const TRecordClock& clock,
                       TEvalContext context)
    : expression_(std::move(expression)), clock_(clock), context_(context) {
  FieldName = std::move(name);
  DataType = FieldTypeOf(ValueType());
  value_.SetNull(ValueType());
}

const TValue& TCalcField::Value() const {
  if (evaluatedFor_ != clock_.Moves || clock_.FollowsMaster) {
    if (expression_) expression_->Evaluate(value_, context_);
    else value_.SetNull(TType::Text);
    evaluatedFor_ = clock_.Moves;
  }
  return value_;
}

std::string TCalcField::AsString() const {
  std::string s;
  AppendValueText(Value(), {}, s);
  return s;
}

double TCalcField::AsFloat() const {
  const TValue& v = Value();
  if (v.Null) return 0;
  switch (v.Type) {
    case TType::Number: return v.Num.ToDouble();
    case TType::Boolean: return v.Bool ? 1 : 0;
    case TType::Date:
    case TType::DateTime: return static_cast<double>(v.Ms) / static_cast<double>(kMsPerDay);
    default: return std::strtod(v.Text.c_str(), nullptr);
  }
}

std::int64_t TCalcField::AsInteger() const { return std::llround(AsFloat()); }

bool TCalcField::AsBoolean() const {
  const TValue& v = Value();
  return !v.Null && (v.Type == TType::Boolean ? v.Bool : AsFloat() != 0);
}

std::string TCalcField::DisplayText() const {
  std::string s;
  AppendValueText(Value(), DisplayFormat, s);
  return s;
}

}  // namespace oxqr::expr
