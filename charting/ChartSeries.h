#pragma once
// TChartData: what a chart shows, aggregated from records: one value per category and
// series (the sum, count, average, minimum or maximum of the values added for them).
// Categories that carry an order (numbers, dates) are shown in that order; text categories
// by their sort keys when they have them ("March" by month number), else in the order they
// first appeared. Series keep the order they first appeared in.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace oxqr {

enum class TChartAggregate : std::uint8_t { Sum, Count, Avg, Min, Max };

// A category as the records give it.
struct TChartCategory {
  std::string Label;        // 8-bit report text; for dates filled in when the chart is drawn
  bool Ordered = false;     // a number or a date: sorted by Key
  bool IsDate = false;      // Key counts days since 1899-12-30
  double Key = 0;

  friend bool operator==(const TChartCategory& a, const TChartCategory& b) {
    return a.Ordered == b.Ordered && (a.Ordered ? a.Key == b.Key : a.Label == b.Label);
  }
};

class TChartData {
 public:
  TChartAggregate Aggregate = TChartAggregate::Sum;

  // Adds one record: `value` empty counts the record for Count and nothing else. `sortKey`
  // orders a text category: it takes the smallest key of its records.
  void Add(const TChartCategory& category, const std::string& series, std::optional<double> value,
           std::optional<double> sortKey = std::nullopt);
  void Clear();

  // Categories in display order: ordered ones by Key, then text ones with a sort key by
  // it, then the others by appearance.
  std::vector<TChartCategory> Categories() const;
  const std::vector<std::string>& Series() const { return series_; }
  // The aggregate of category `c` (as Categories() returns it) and series `s`; empty when
  // no record had a value there (Count gives 0 instead).
  std::optional<double> Value(const TChartCategory& c, std::size_t s) const;
  bool Empty() const { return categories_.empty(); }

 private:
  struct TCell {
    std::int64_t Records = 0;
    std::int64_t Values = 0;
    double Sum = 0;
    double Min = 0;
    double Max = 0;
  };
  std::size_t CategoryIndex(const TChartCategory& c) const;
  std::vector<TChartCategory> categories_;  // by appearance
  std::vector<std::optional<double>> sortKeys_;  // per category, the smallest given
  std::map<double, std::size_t> orderedIndex_;       // into categories_, by Key
  std::map<std::string, std::size_t> textIndex_;     // into categories_, by Label
  std::map<std::string, std::size_t> seriesIndex_;   // into series_
  std::vector<std::string> series_;
  std::map<std::pair<std::size_t, std::size_t>, TCell> cells_;
};

}  // namespace oxqr
