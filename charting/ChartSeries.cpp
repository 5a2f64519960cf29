#include "ChartSeries.h"

#include <algorithm>

namespace oxqr {

std::size_t TChartData::CategoryIndex(const TChartCategory& c) const {
  if (c.Ordered) {
    const auto it = orderedIndex_.find(c.Key);
    return it == orderedIndex_.end() ? categories_.size() : it->second;
  }
  const auto it = textIndex_.find(c.Label);
  return it == textIndex_.end() ? categories_.size() : it->second;
}

void TChartData::Add(const TChartCategory& category, const std::string& series, std::optional<double> value,
                     std::optional<double> sortKey) {
  const std::size_t ci = CategoryIndex(category);
  if (ci == categories_.size()) {
    categories_.push_back(category);
    sortKeys_.emplace_back();
    if (category.Ordered) orderedIndex_[category.Key] = ci;
    else textIndex_[category.Label] = ci;
  }
  if (sortKey && (!sortKeys_[ci] || *sortKey < *sortKeys_[ci])) sortKeys_[ci] = sortKey;
  const auto [seriesAt, added] = seriesIndex_.try_emplace(series, series_.size());
  if (added) series_.push_back(series);
  const std::size_t si = seriesAt->second;
  TCell& cell = cells_[{ci, si}];
  ++cell.Records;
  if (!value) return;
  const double v = *value;
  cell.Min = cell.Values == 0 ? v : std::min(cell.Min, v);
  cell.Max = cell.Values == 0 ? v : std::max(cell.Max, v);
  cell.Sum += v;
  ++cell.Values;
}

void TChartData::Clear() {
  categories_.clear();
  sortKeys_.clear();
  orderedIndex_.clear();
  textIndex_.clear();
  seriesIndex_.clear();
  series_.clear();
  cells_.clear();
}

std::vector<TChartCategory> TChartData::Categories() const {
  std::vector<TChartCategory> ordered;
  std::vector<std::pair<double, TChartCategory>> sorted;
  std::vector<TChartCategory> texts;
  for (std::size_t i = 0; i < categories_.size(); ++i) {
    const TChartCategory& c = categories_[i];
    if (c.Ordered) ordered.push_back(c);
    else if (sortKeys_[i]) sorted.emplace_back(*sortKeys_[i], c);
    else texts.push_back(c);
  }
  std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.Key < b.Key; });
  std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [key, c] : sorted) ordered.push_back(std::move(c));
  ordered.insert(ordered.end(), texts.begin(), texts.end());
  return ordered;
}

std::optional<double> TChartData::Value(const TChartCategory& c, std::size_t s) const {
  const auto it = cells_.find({CategoryIndex(c), s});
  if (it == cells_.end()) return Aggregate == TChartAggregate::Count ? std::optional<double>(0) : std::nullopt;
  const TCell& cell = it->second;
  switch (Aggregate) {
    case TChartAggregate::Count: return static_cast<double>(cell.Values);
    case TChartAggregate::Sum: return cell.Values == 0 ? std::nullopt : std::optional<double>(cell.Sum);
    case TChartAggregate::Avg: return cell.Values == 0 ? std::nullopt : std::optional<double>(cell.Sum / cell.Values);
    case TChartAggregate::Min: return cell.Values == 0 ? std::nullopt : std::optional<double>(cell.Min);
    case TChartAggregate::Max: return cell.Values == 0 ? std::nullopt : std::optional<double>(cell.Max);
  }
  return std::nullopt;
}

}  // namespace oxqr
