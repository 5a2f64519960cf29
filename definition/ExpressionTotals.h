#pragma once
// TExpressionTotal: sum, count, min, max, avg or running sum of an expression over the
// records of a dataset, reset whenever its scope (a group or sub-detail band, or the whole
// report) starts. Sums are exact decimals. Like the totals of tokens it keeps the value of
// every finished instance of its scope in this run and those of the last preview run, so
// that a value printed before its records can be filled in afterwards.
#include <cstddef>
#include <vector>

#include "ScopeInstances.h"
#include "expression/Checker.h"

namespace oxqr {

class TQRCustomBand;

class TExpressionTotal {
 public:
  struct TState {
    std::int64_t Records = 0;
    std::int64_t Values = 0;  // non-null values
    expr::TDecimal Sum;
    bool Overflow = false;
    expr::TValue Best;  // min/max
  };

  // `argument` null: count(Dataset) counts records.
  TExpressionTotal(expr::TTotal kind, expr::TNodePtr argument, TDataSet& data, const TQRCustomBand* scope);

  expr::TTotal Kind() const { return kind_; }
  TDataSet& Data() const { return data_; }
  const TQRCustomBand* Scope() const { return scope_; }
  expr::TType Type() const;

  void StartRun() { states_.StartRun(scope_ == nullptr); }
  void StartInstance() { states_.StartInstance(); }
  void EndInstance() { states_.EndInstance(); }
  void FinishRun(bool previewRun) { states_.FinishRun(previewRun); }
  void Add(expr::TEvalContext& ctx);

  std::size_t Instance() const { return states_.Instance(); }
  const TState& Current() const { return states_.Current(); }
  const TState* Final(std::size_t i) const { return states_.Final(i); }
  const TState* PreviewFinal(std::size_t i) const { return states_.PreviewFinal(i); }
  // The total's value in `state`.
  void ValueOf(const TState& state, expr::TValue& out, expr::TEvalContext& ctx) const;

 private:
  expr::TTotal kind_;
  expr::TNodePtr argument_;
  TDataSet& data_;
  const TQRCustomBand* scope_;
  expr::TValue value_;  // scratch for the argument
  TScopeInstances<TState> states_;
};

}  // namespace oxqr
