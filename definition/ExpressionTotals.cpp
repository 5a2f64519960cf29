#include "definition/ExpressionTotals.h"

namespace oxqr {

using namespace expr;

TExpressionTotal::TExpressionTotal(TTotal kind, TNodePtr argument, TDataSet& data, const TQRCustomBand* scope)
    : kind_(kind), argument_(std::move(argument)), data_(data), scope_(scope) {}

TType TExpressionTotal::Type() const {
  if ((kind_ == TTotal::Min || kind_ == TTotal::Max) && argument_) return argument_->Type();
  return TType::Number;
}

void TExpressionTotal::StartRun() {
  current_ = TState{};
  finals_.clear();
  finished_.clear();
  instance_ = 0;
  started_ = 0;
  open_ = false;
  if (scope_ == nullptr) StartInstance();
}

void TExpressionTotal::StartInstance() {
  EndInstance();
  instance_ = started_++;
  current_ = TState{};
  open_ = true;
}

void TExpressionTotal::EndInstance() {
  if (!open_) return;
  if (finals_.size() <= instance_) {
    finals_.resize(instance_ + 1);
    finished_.resize(instance_ + 1, false);
  }
  finals_[instance_] = current_;
  finished_[instance_] = true;
  open_ = false;
}

void TExpressionTotal::FinishRun(bool previewRun) {
  EndInstance();
  if (previewRun) preview_ = finals_;
}

void TExpressionTotal::Add(TEvalContext& ctx) {
  ++current_.Records;
  if (!argument_) return;
  argument_->Eval(value_, ctx);
  if (value_.Null) return;
  ++current_.Values;
  switch (kind_) {
    case TTotal::Sum:
    case TTotal::Avg:
    case TTotal::RunningSum:
      if (const auto sum = current_.Sum + value_.Num) current_.Sum = *sum;
      else current_.Overflow = true;
      return;
    case TTotal::Min:
    case TTotal::Max:
      if (current_.Values == 1 || (CompareValues(value_, current_.Best) < 0) == (kind_ == TTotal::Min))
        current_.Best = value_;
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
