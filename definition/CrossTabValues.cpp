#include "definition/CrossTabValues.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "data/DataSet.h"
#include "expression/Nodes.h"
#include "expression/ValueText.h"
#include "platform/Errors.h"

namespace oxqr {

using namespace expr;

void TCrossTabValues::Clear() {
  rows_.clear();
  columns_.clear();
  rowIndex_.clear();
  columnIndex_.clear();
  cells_.clear();
  rowTotals_.clear();
  columnTotals_.clear();
  grand_ = {};
}

std::size_t TCrossTabValues::HeaderOf(const THeaderSource& source, std::vector<THeader>& headers,
                                      std::map<std::string, std::size_t>& index, std::size_t limit, const char* what,
                                      TEvalContext& ctx) {
  source.Value->Evaluate(text_, ctx);
  std::string text;
  AppendValueText(text_, {}, text);
  if (const auto at = index.find(text); at != index.end()) {
    // The header keeps the least key of its records, whatever order they print in.
    THeader& header = headers[at->second];
    if (source.Key != source.Value) {
      source.Key->Evaluate(key_, ctx);
      if (!key_.Null && (header.Key.Null || CompareValues(key_, header.Key) < 0)) header.Key = key_;
    }
    return at->second;
  }
  if (headers.size() >= limit)
    throw EOxQRError("cross-tab " + sources_.Name + ": more than " + std::to_string(limit) + " " + what +
                     " (each distinct value of '" + source.Value->Source() + "' is one)");
  THeader header;
  header.Text = text;
  if (source.Key == source.Value)
    header.Key = text_;
  else
    source.Key->Evaluate(header.Key, ctx);
  index.emplace(std::move(text), headers.size());
  headers.push_back(std::move(header));
  return headers.size() - 1;
}

void TCrossTabValues::RecordPrinted(const TDataSet& data, TEvalContext& ctx) {
  if (sources_.Data == nullptr || data.Records() != sources_.Data->Records()) return;
  const std::size_t r = HeaderOf(sources_.Rows, rows_, rowIndex_, kMaxRows, "rows", ctx);
  const std::size_t c = HeaderOf(sources_.Columns, columns_, columnIndex_, kMaxColumns, "columns", ctx);
  if (rows_.size() * columns_.size() > kMaxCells)  // the table holds every row by every column
    throw EOxQRError("cross-tab " + sources_.Name + ": more than " + std::to_string(kMaxCells) + " cells (" +
                     std::to_string(rows_.size()) + " rows by " + std::to_string(columns_.size()) + " columns)");
  rowTotals_.resize(rows_.size());
  columnTotals_.resize(columns_.size());
  if (sources_.Argument) sources_.Argument->Eval(value_, ctx);
  AddTo(cells_[{r, c}]);
  AddTo(rowTotals_[r]);
  AddTo(columnTotals_[c]);
  AddTo(grand_);
}

void TCrossTabValues::AddTo(TState& s) const {
  ++s.Records;
  if (!sources_.Argument || value_.Null) return;
  ++s.Values;
  switch (sources_.Kind) {
    case TTotal::Sum:
    case TTotal::Avg:
    case TTotal::RunningSum:
      if (const auto sum = s.Sum + value_.Num)
        s.Sum = *sum;
      else
        s.Overflow = true;
      return;
    case TTotal::Min:
    case TTotal::Max:
      if (s.Values == 1 || (CompareValues(value_, s.Best) < 0) == (sources_.Kind == TTotal::Min)) s.Best = value_;
      return;
    case TTotal::Count:
      return;
  }
}

TQRCrossTabValue TCrossTabValues::ValueOf(const TState& s) const {
  TValue v;
  switch (sources_.Kind) {
    case TTotal::Count:
      v.SetNumber(TDecimal::FromInt(sources_.Argument ? s.Values : s.Records));
      break;
    case TTotal::Sum:
    case TTotal::RunningSum:
      if (s.Values > 0 && !s.Overflow) v.SetNumber(s.Sum);
      break;
    case TTotal::Avg:
      if (s.Values > 0 && !s.Overflow)
        if (const auto avg = s.Sum / TDecimal::FromInt(s.Values)) v.SetNumber(*avg);
      break;
    case TTotal::Min:
    case TTotal::Max:
      if (s.Values > 0) v = s.Best;
      break;
  }
  TQRCrossTabValue out;
  AppendValueText(v, sources_.Format, out.Text);
  if (!v.Null && v.Type == TType::Number) {
    const double d = v.Num.ToDouble();
    if (std::isfinite(d)) out.Number = d;
  }
  return out;
}

std::vector<std::size_t> TCrossTabValues::Order(const std::vector<THeader>& headers) {
  std::vector<std::size_t> order(headers.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const TValue& ka = headers[a].Key;
    const TValue& kb = headers[b].Key;
    if (ka.Null != kb.Null) return ka.Null;
    const int c = ka.Null ? 0 : CompareValues(ka, kb);
    return c != 0 ? c < 0 : headers[a].Text < headers[b].Text;
  });
  return order;
}

TQRCrossTabTable TCrossTabValues::Table() const {
  TQRCrossTabTable t;
  t.NumberFormat = sources_.Format;
  const std::vector<std::size_t> rows = Order(rows_), columns = Order(columns_);
  for (std::size_t r : rows) t.RowHeaders.push_back(rows_[r].Text);
  for (std::size_t c : columns) t.ColumnHeaders.push_back(columns_[c].Text);
  t.Cells.reserve(rows.size() * columns.size());
  for (std::size_t r : rows) {
    for (std::size_t c : columns) {
      const auto at = cells_.find({r, c});
      t.Cells.push_back(at == cells_.end() ? TQRCrossTabValue{} : ValueOf(at->second));
    }
    t.RowTotals.push_back(r < rowTotals_.size() ? ValueOf(rowTotals_[r]) : TQRCrossTabValue{});
  }
  for (std::size_t c : columns)
    t.ColumnTotals.push_back(c < columnTotals_.size() ? ValueOf(columnTotals_[c]) : TQRCrossTabValue{});
  t.GrandTotal = ValueOf(grand_);
  return t;
}

}  // namespace oxqr
