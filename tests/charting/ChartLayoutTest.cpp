// Charts laid out into primitives: what a reader of the page must find (axis texts, one
// bar per value, labels that do not overlap), for each kind of chart.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "charting/ChartLayout.h"
#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

TChartCategory Text(const std::string& label) { return TChartCategory{label, false, false, 0}; }

std::set<std::string> Texts(const TChartDrawing& d) {
  std::set<std::string> texts;
  for (const auto& t : d.Texts) texts.insert(t.Text);
  return texts;
}

TRect TextBox(const TChartText& t) {
  const TSize s = TextExtent(t.Font, t.Text);
  return Bounds(t.Left, t.Top, s.cx, s.cy);
}

bool Overlap(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// Filled rectangles in a series' colour.
std::vector<TRect> Bars(const TChartDrawing& d, const TChartLook& look, std::size_t series) {
  std::vector<TRect> bars;
  for (const auto& s : d.Shapes)
    if (s.Kind == TChartShape::TKind::Rect && s.Fill == SeriesColor(look, series) &&
        s.Points[1].X - s.Points[0].X != 9)  // not the legend's swatch
      bars.push_back(Rect(s.Points[0].X, s.Points[0].Y, s.Points[1].X, s.Points[1].Y));
  return bars;
}

TChartData Sales() {
  TChartData d;
  d.Add(Text("Jan"), "Cash", 12000);
  d.Add(Text("Jan"), "Credit", 6000);
  d.Add(Text("Feb"), "Cash", 3000);
  d.Add(Text("Feb"), "Credit", 4500);
  d.Add(Text("Mar"), "Credit", 8000);
  return d;
}

TEST(ChartLayout, VerticalBarsShowTicksCategoriesLegendAndValues) {
  TChartLook look;
  look.Title = "Sales";
  look.Labels = TChartValueLabels::Value;
  const TChartDrawing d = LayOutChart(look, Sales(), 480, 300);
  const auto texts = Texts(d);
  for (const char* t : {"Sales", "Jan", "Feb", "Mar", "Cash", "Credit", "0", "12,000", "4,500", "8,000"})
    EXPECT_TRUE(texts.count(t)) << t;
  // Ticks in nice steps up to at least the largest value.
  EXPECT_TRUE(texts.count("12,000") || texts.count("15,000") || texts.count("20,000"));
  EXPECT_EQ(Bars(d, look, 0).size(), 2u);  // Mar has no cash
  EXPECT_EQ(Bars(d, look, 1).size(), 3u);
  // Taller values give taller bars.
  const auto cash = Bars(d, look, 0);
  EXPECT_GT(cash[0].Height(), 3 * cash[1].Height());
  for (const auto& t : d.Texts) {
    const TRect r = TextBox(t);
    EXPECT_GE(r.Left, 0) << t.Text;
    EXPECT_LE(r.Right, 480) << t.Text;
  }
}

TEST(ChartLayout, StackedBarsSumTheirSeries) {
  TChartLook look;
  look.Stacked = true;
  for (const bool horizontal : {false, true}) {
    SCOPED_TRACE(horizontal);
    look.Horizontal = horizontal;
    const TChartDrawing d = LayOutChart(look, Sales(), 400, 300);
    const auto cash = Bars(d, look, 0);
    const auto credit = Bars(d, look, 1);
    ASSERT_EQ(cash.size(), 2u);
    ASSERT_EQ(credit.size(), 3u);
    // Jan: credit starts where cash ends, on the same slot.
    if (horizontal) {
      EXPECT_EQ(credit[0].Left, cash[0].Right);
      EXPECT_EQ(credit[0].Top, cash[0].Top);
      EXPECT_NEAR(cash[0].Width(), 2 * credit[0].Width(), 2);
    } else {
      EXPECT_EQ(credit[0].Bottom, cash[0].Top);
      EXPECT_EQ(credit[0].Left, cash[0].Left);
      EXPECT_NEAR(cash[0].Height(), 2 * credit[0].Height(), 2);
    }
  }
}

TEST(ChartLayout, LinesAndAreasDrawOnePathPerSeries) {
  for (const TChartKind kind : {TChartKind::Line, TChartKind::Area}) {
    TChartLook look;
    look.Kind = kind;
    const TChartDrawing d = LayOutChart(look, Sales(), 400, 300);
    std::size_t lines = 0, polygons = 0, markers = 0;
    for (const auto& s : d.Shapes) {
      if (s.Kind == TChartShape::TKind::Line && s.StrokeWidth == 2) ++lines;
      if (s.Kind == TChartShape::TKind::Polygon) ++polygons;
      if (s.Kind == TChartShape::TKind::Rect && s.Points[1].X - s.Points[0].X == 5) ++markers;
    }
    if (kind == TChartKind::Line) {
      // Cash is missing in March: its line stops at February; a marker per value.
      EXPECT_EQ(lines, 2u);
      EXPECT_EQ(markers, 5u);
      EXPECT_EQ(polygons, 0u);
    } else {
      EXPECT_EQ(polygons, 2u);  // a missing value counts as zero in an area
    }
  }
}

TEST(ChartLayout, PieLabelsOfManySmallSlicesNeverOverlap) {
  TChartData d;
  d.Add(Text("Large"), "", 1000);
  for (int i = 0; i < 14; ++i) d.Add(Text("Small " + std::to_string(i)), "", 3 + i % 3);
  TChartLook look;
  look.Kind = TChartKind::Pie;
  look.Labels = TChartValueLabels::Percent;
  look.Legend = false;
  const TChartDrawing drawing = LayOutChart(look, d, 500, 320);
  std::vector<TRect> boxes;
  for (const auto& t : drawing.Texts) boxes.push_back(TextBox(t));
  ASSERT_EQ(boxes.size(), 15u);
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_GE(boxes[i].Top, 0);
    EXPECT_LE(boxes[i].Bottom, 320);
    for (std::size_t j = i + 1; j < boxes.size(); ++j)
      EXPECT_FALSE(Overlap(boxes[i], boxes[j])) << drawing.Texts[i].Text << " / " << drawing.Texts[j].Text;
  }
  EXPECT_TRUE(Texts(drawing).count("Large 94.8%"));
}

TEST(ChartLayout, PieWithMoreSlicesThanLinesLabelsTheLargestWithoutOverlap) {
  TChartData d;
  for (int i = 0; i < 400; ++i) d.Add(Text("S" + std::to_string(i)), "", i == 7 ? 5000 : 1 + i % 5);
  TChartLook look;
  look.Kind = TChartKind::Pie;
  look.Legend = false;
  const TChartDrawing drawing = LayOutChart(look, d, 300, 160);
  std::vector<TRect> boxes;
  for (const auto& t : drawing.Texts) boxes.push_back(TextBox(t));
  EXPECT_LT(boxes.size(), 40u);
  EXPECT_TRUE(Texts(drawing).count("S7"));
  for (std::size_t i = 0; i < boxes.size(); ++i)
    for (std::size_t j = i + 1; j < boxes.size(); ++j)
      EXPECT_FALSE(Overlap(boxes[i], boxes[j])) << drawing.Texts[i].Text << " / " << drawing.Texts[j].Text;
}

TEST(ChartLayout, ExtremeValuesStayInsideTheBox) {
  TChartData d;
  d.Add(Text("a"), "", 1e308);
  d.Add(Text("a"), "", 1e308);  // the sum overflows to infinity
  d.Add(Text("b"), "", -1e308);
  for (const TChartKind kind : {TChartKind::Bar, TChartKind::Line, TChartKind::Area, TChartKind::Pie}) {
    TChartLook look;
    look.Kind = kind;
    look.Stacked = true;
    look.Labels = TChartValueLabels::Value;
    const TChartDrawing drawing = LayOutChart(look, d, 300, 200);
    for (const auto& s : drawing.Shapes)
      for (const auto& p : s.Points) EXPECT_TRUE(p.X >= 0 && p.X <= 300 && p.Y >= 0 && p.Y <= 200) << p.X << "," << p.Y;
  }
}

TEST(ChartLayout, ValueLabelsOfADenseLineDoNotTouchEachOtherOrTheTicks) {
  TChartData d;
  for (int i = 0; i < 24; ++i) d.Add(TChartCategory{"", true, false, static_cast<double>(i)}, "", 90000 + (i % 3) * 7000.25);
  TChartLook look;
  look.Kind = TChartKind::Line;
  look.Labels = TChartValueLabels::Value;
  const TChartDrawing drawing = LayOutChart(look, d, 400, 200);
  std::vector<TRect> boxes;
  for (const auto& t : drawing.Texts) boxes.push_back(TextBox(t));
  std::size_t values = 0;
  for (const auto& t : drawing.Texts) values += t.Text.find('.') != std::string::npos;
  EXPECT_GT(values, 2u);
  EXPECT_LT(values, 24u);
  for (std::size_t i = 0; i < boxes.size(); ++i)
    for (std::size_t j = i + 1; j < boxes.size(); ++j)
      EXPECT_FALSE(Overlap(boxes[i], boxes[j])) << drawing.Texts[i].Text << " / " << drawing.Texts[j].Text;
}

TEST(ChartLayout, ManyCategoriesAreThinnedSoTheirTextsDoNotTouch) {
  TChartData d;
  for (int i = 0; i < 60; ++i) d.Add(Text("Category " + std::to_string(i)), "", i);
  TChartLook look;
  const TChartDrawing drawing = LayOutChart(look, d, 400, 200);
  std::vector<TRect> boxes;
  for (const auto& t : drawing.Texts)
    if (t.Text.rfind("Category", 0) == 0) boxes.push_back(TextBox(t));
  EXPECT_GT(boxes.size(), 2u);
  EXPECT_LT(boxes.size(), 60u);
  for (std::size_t i = 1; i < boxes.size(); ++i) EXPECT_FALSE(Overlap(boxes[i - 1], boxes[i]));
}

TEST(ChartLayout, NoDataAndTinyBoxesDrawSafely) {
  TChartLook look;
  EXPECT_TRUE(Texts(LayOutChart(look, TChartData{}, 300, 200)).count("No data"));
  for (const TChartKind kind : {TChartKind::Bar, TChartKind::Line, TChartKind::Area, TChartKind::Pie}) {
    look.Kind = kind;
    for (const auto& [w, h] : {std::pair{0, 0}, {3, 3}, {40, 12}, {12, 400}}) {
      const TChartDrawing d = LayOutChart(look, Sales(), w, h);
      for (const auto& s : d.Shapes)
        for (const auto& p : s.Points) EXPECT_TRUE(p.X > -1000 && p.X < 1000 && p.Y > -1000 && p.Y < 1000);
    }
  }
}

TEST(PolygonSpans, FillsTheInsideRowByRow) {
  // A right triangle of legs 10: rows 0..9, each as wide as the hypotenuse allows.
  const auto spans = PolygonSpans({{0, 0}, {10, 10}, {0, 10}});
  ASSERT_EQ(spans.size(), 10u);
  int area = 0;
  for (const TRect& r : spans) area += r.Width();
  EXPECT_NEAR(area, 50, 5);
  EXPECT_TRUE(PolygonSpans({{0, 0}, {10, 10}}).empty());
  EXPECT_EQ(PolygonSpans({{0, 0}, {4, 0}, {4, 2}, {0, 2}}, 3).size(), 6u);
}

}  // namespace
}  // namespace oxqr
