#pragma once
// Pieces shared by the layouts of the chart kinds (ChartLayout.cpp: axes, title, legend;
// PieLayout.cpp: the pie). Internal to charting/.
#include <string>
#include <utility>
#include <vector>

#include "ChartLayout.h"

namespace oxqr::chart_detail {

inline constexpr TColor kAxis = RGBColor(0x40, 0x40, 0x40);  // axes, ticks and leader lines

// Shapes and texts added in drawing order, in box coordinates.
class TBuilder {
 public:
  explicit TBuilder(TChartDrawing& d) : d_(d) {}
  void Rect(int l, int t, int r, int b, TColor fill, TColor stroke = clNone) {
    if (r < l) std::swap(l, r);
    if (b < t) std::swap(t, b);
    d_.Shapes.push_back({TChartShape::TKind::Rect, {{l, t}, {r, b}}, fill, stroke, 1});
  }
  void Line(std::vector<TPoint> points, TColor stroke, int width = 1) {
    d_.Shapes.push_back({TChartShape::TKind::Line, std::move(points), clNone, stroke, width});
  }
  void Polygon(std::vector<TPoint> points, TColor fill, TColor stroke = clNone) {
    d_.Shapes.push_back({TChartShape::TKind::Polygon, std::move(points), fill, stroke, 1});
  }
  void Text(int left, int top, const std::string& text, const TFont& font) {
    if (!text.empty()) d_.Texts.push_back({left, top, text, font});
  }

 private:
  TChartDrawing& d_;
};

int Round(double v);
int Width(const TFont& f, const std::string& s);
// The texts of the categories (dates in the one style that fits them all).
std::vector<std::string> CategoryTexts(const std::vector<TChartCategory>& categories);
// A value label's text: the value, or its share of `whole` in percent; empty for none.
std::string LabelText(const TChartLook& look, double value, double whole);

// A pie: slices clockwise from twelve o'clock, labels outside with leader lines, moved
// apart on each side so that no two overlap.
void LayOutPie(TBuilder& b, const TChartLook& look, const TChartData& data, TRect area);

}  // namespace oxqr::chart_detail
