#include "definition/ExpressionTotals.h"

namespace oxqr {

using namespace expr;

TExpressionTotal::TExpressionTotal(TTotal kind, TNodePtr argument, TDataSet& data, const TQRCustomBand* scope)
    : kind_(kind), argument_(std::move(argument)), data_(data), scope_(scope) {}

TType TExpressionTotal::Type() const {
  if ((kind_ == TTotal::Min || kind_ == TTotal::Max) && argument_) return argument_->Type();
  return TType::Number;
}

void TExpressionTotal::Add(TEvalContext& ctx) {
  ++states_.Current().Records;
  if (!argument_) return;
  argument_->Eval(value_, ctx);
  if (value_.Null) return;
  ++states_.Current().Values;
  switch (kind_) {
    case TTotal::Sum:
    case TTotal::Avg:
    case TTotal::RunningSum:
      if (const auto sum = states_.Current().Sum + value_.Num) states_.Current().Sum = *sum;
      else states_.Current().Overflow = true;
      return;
    case TTotal::Min:
    case TTotal::Max:
      if (states_.Current().Values == 1 || (CompareValues(value_, states_.Current().Best) < 0) == (kind_ == TTotal::Min))
        states_.Current().Best = value_;
      return;
    case TTotal::Count:
      return;
  }
}

void TExpressionTotal::ValueOf(const TState& s, TValue& out, TEvalContext& ctx) const {
  switch (kind_) {
    case TTotal::Count:
      return out.SetNumber(TDecimal::FromInt(argument_ ? s.Values : s.Records));
    case TTotal::Sum:
    case TTotal::RunningSum:
      if (s.Overflow) {
        ctx.Count(&TEvalCounters::OutOfRange);
        return out.SetNull(TType::Number);
      }
      return out.SetNumber(s.Sum);
    case TTotal::Avg: {
      if (s.Values == 0 || s.Overflow) return out.SetNull(TType::Number);
      const auto avg = s.Sum / TDecimal::FromInt(s.Values);
      return avg ? out.SetNumber(*avg) : out.SetNull(TType::Number);
    }
    case TTotal::Min:
    case TTotal::Max:
      if (s.Values == 0) return out.SetNull(Type());
      out = s.Best;
      return;
  }
}

}  // namespace oxqr
