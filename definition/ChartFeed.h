#pragma once
// TChartFeed: the records of a chart's dataset turned into its values while the report
// prints: each record's category, series and value (from the definition's expressions) go
// into the chart's data, which starts again with each instance of the chart's scope (the
// group whose footer holds the chart; none: the whole report).
#include <memory>

#include "charting/ChartSeries.h"
#include "definition/RecordListener.h"
#include "definition/ScopeInstances.h"
#include "expression/Compiled.h"

namespace oxqr {

class TExpressionState;

class TChartFeed final : public TRecordListener {
 public:
  TChartFeed(const TExpressionState& state, TDataSet& data, const TQRCustomBand* scope, TChartAggregate aggregate);

  // Null `Value` with Count counts records; null `Series` gives one unnamed series.
  std::shared_ptr<const expr::TExpression> Category;
  std::shared_ptr<const expr::TExpression> Value;
  std::shared_ptr<const expr::TExpression> Series;
  // Orders text categories by the smallest of its values (null: by appearance).
  std::shared_ptr<const expr::TExpression> Sort;

  const TDataSet& Data() const override { return data_; }
  const TQRCustomBand* Scope() const override { return scope_; }
  // Set once every band is known (a group's footer is linked after it is read).
  void SetScope(const TQRCustomBand* scope) { scope_ = scope; }
  void StartRun() override { states_.StartRun(scope_ == nullptr); }
  void Add(expr::TEvalContext& ctx) override;
  void StartInstance() override { states_.StartInstance(); }
  void EndInstance() override { states_.EndInstance(); }
  void FinishRun(bool previewRun) override { states_.FinishRun(previewRun); }

  // What the chart shows now: the values of its scope's instance so far or, in an export
  // run before any of its records, what the preview run found for it (a chart in a header).
  const TChartData& Current() const;
  // The instance being read (0-based) and what an instance ended with in this run (nullptr
  // while it has not ended).
  std::size_t Instance() const { return states_.Instance(); }
  const TChartData* Final(std::size_t instance) const { return states_.Final(instance); }

 private:
  const TExpressionState& state_;
  TDataSet& data_;
  const TQRCustomBand* scope_;
  TChartAggregate aggregate_;
  expr::TValue value_;  // scratch for the expressions
  TScopeInstances<TChartData> states_;
};

}  // namespace oxqr
