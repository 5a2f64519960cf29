#include "definition/ChartFeed.h"

#include "definition/ExpressionState.h"
#include "expression/ValueText.h"

namespace oxqr {

using namespace expr;

namespace {

// A category from the value of its expression: numbers and dates keep their order.
TChartCategory CategoryOf(const TValue& v) {
  TChartCategory c;
  if (v.Null) {
    c.Label = "(none)";
    return c;
  }
  switch (v.Type) {
    case TType::Number:
      c.Ordered = true;
      c.Key = v.Num.ToDouble();
      break;
    case TType::Date:
    case TType::DateTime:
      c.Ordered = true;
      c.IsDate = true;
      c.Key = static_cast<double>(TValue::FloorDay(v.Ms) / kMsPerDay);
      break;
    default:
      break;
  }
  if (!c.IsDate) AppendValueText(v, {}, c.Label);
  return c;
}

}  // namespace

TChartFeed::TChartFeed(const TExpressionState& state, TDataSet& data, const TQRCustomBand* scope,
                       TChartAggregate aggregate)
    : state_(state), data_(data), scope_(scope), aggregate_(aggregate) {}

void TChartFeed::Add(TEvalContext& ctx) {
  TChartData& data = states_.Current();
  data.Aggregate = aggregate_;
  if (!Category) return;
  Category->Evaluate(value_, ctx);
  const TChartCategory category = CategoryOf(value_);
  std::string series;
  if (Series) {
    Series->Evaluate(value_, ctx);
    if (value_.Null) series = "(none)";
    else AppendValueText(value_, {}, series);
  }
  std::optional<double> value;
  if (Value) {
    Value->Evaluate(value_, ctx);
    if (!value_.Null && value_.Type == TType::Number) value = value_.Num.ToDouble();
    else if (!value_.Null && aggregate_ == TChartAggregate::Count) value = 1;
  } else {
    value = 1;  // count(Dataset): every record
  }
  std::optional<double> sortKey;
  if (Sort) {
    Sort->Evaluate(value_, ctx);
    if (!value_.Null && value_.Type == TType::Number) sortKey = value_.Num.ToDouble();
    else if (!value_.Null && IsDateLike(value_.Type)) sortKey = static_cast<double>(value_.Ms);
  }
  data.Add(category, series, value, sortKey);
}

const TChartData& TChartFeed::Current() const {
  // Only a chart that prints before its records takes the preview run's values: one that
  // prints after them shows what this run read (a later run may read other records).
  if (states_.Current().Empty() && state_.Exporting())
    if (const TChartData* preview = states_.PreviewFinal(states_.Instance())) return *preview;
  return states_.Current();
}

}  // namespace oxqr
