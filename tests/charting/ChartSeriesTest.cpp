// Aggregation of a chart's values per category and series.
#include <gtest/gtest.h>

#include "charting/ChartSeries.h"

namespace oxqr {
namespace {

TChartCategory Text(const std::string& label) { return TChartCategory{label, false, false, 0}; }
TChartCategory Number(double key) { return TChartCategory{std::to_string(key), true, false, key}; }

// Records of (category, series, value): Jan Cash 10, Feb Card 5, Jan Cash 30, Jan Card null, Feb Card 1.
TChartData Sample(TChartAggregate aggregate) {
  TChartData d;
  d.Aggregate = aggregate;
  d.Add(Text("Jan"), "Cash", 10);
  d.Add(Text("Feb"), "Card", 5);
  d.Add(Text("Jan"), "Cash", 30);
  d.Add(Text("Jan"), "Card", std::nullopt);
  d.Add(Text("Feb"), "Card", 1);
  return d;
}

TEST(ChartData, AggregatesPerCategoryAndSeries) {
  const struct {
    TChartAggregate Aggregate;
    std::optional<double> JanCash, JanCard, FebCash, FebCard;
  } cases[] = {
      {TChartAggregate::Sum, 40, std::nullopt, std::nullopt, 6},
      {TChartAggregate::Count, 2, 0, 0, 2},
      {TChartAggregate::Avg, 20, std::nullopt, std::nullopt, 3},
      {TChartAggregate::Min, 10, std::nullopt, std::nullopt, 1},
      {TChartAggregate::Max, 30, std::nullopt, std::nullopt, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Aggregate));
    const TChartData d = Sample(c.Aggregate);
    ASSERT_EQ(d.Series(), (std::vector<std::string>{"Cash", "Card"}));
    const auto cats = d.Categories();
    ASSERT_EQ(cats.size(), 2u);
    EXPECT_EQ(cats[0].Label, "Jan");  // text categories keep their first appearance
    EXPECT_EQ(d.Value(cats[0], 0), c.JanCash);
    EXPECT_EQ(d.Value(cats[0], 1), c.JanCard);
    EXPECT_EQ(d.Value(cats[1], 0), c.FebCash);
    EXPECT_EQ(d.Value(cats[1], 1), c.FebCard);
  }
}

TEST(ChartData, OrderedCategoriesSortByKeyBeforeTexts) {
  TChartData d;
  d.Add(Number(2025), "", 1);
  d.Add(Text("other"), "", 1);
  d.Add(Number(2023), "", 1);
  d.Add(Number(2024), "", 1);
  d.Add(Number(2023), "", 1);
  const auto cats = d.Categories();
  ASSERT_EQ(cats.size(), 4u);
  EXPECT_EQ(cats[0].Key, 2023);
  EXPECT_EQ(cats[1].Key, 2024);
  EXPECT_EQ(cats[2].Key, 2025);
  EXPECT_EQ(cats[3].Label, "other");
  EXPECT_EQ(d.Value(cats[0], 0), 2);
}

TEST(ChartData, TextCategoriesWithSortKeysFollowTheSmallestKey) {
  TChartData d;
  d.Add(Text("March"), "", 1, 3);
  d.Add(Text("none"), "", 1);
  d.Add(Text("January"), "", 1, 13);  // a later January, then an earlier one
  d.Add(Text("January"), "", 1, 1);
  d.Add(Text("February"), "", 1, 2);
  std::vector<std::string> labels;
  for (const auto& c : d.Categories()) labels.push_back(c.Label);
  EXPECT_EQ(labels, (std::vector<std::string>{"January", "February", "March", "none"}));
}

TEST(ChartData, ClearStartsAgain) {
  TChartData d = Sample(TChartAggregate::Sum);
  d.Clear();
  EXPECT_TRUE(d.Empty());
  EXPECT_TRUE(d.Series().empty());
  d.Add(Text("Mar"), "Cash", 2);
  EXPECT_EQ(d.Value(d.Categories()[0], 0), 2);
}

}  // namespace
}  // namespace oxqr
