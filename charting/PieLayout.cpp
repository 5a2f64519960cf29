// The layout of a pie chart into primitives (see ChartLayout.h).
#include <algorithm>
#include <cmath>
#include <numbers>

#include "ChartLayoutParts.h"
#include "platform/TextMetrics.h"

namespace oxqr::chart_detail {

// A pie: slices clockwise from twelve o'clock, labels outside with leader lines, moved
// apart on each side so that no two overlap.
void LayOutPie(TBuilder& b, const TChartLook& look, const TChartData& data, TRect area) {
  const std::vector<TChartCategory> categories = data.Categories();
  const std::vector<std::string> names = CategoryTexts(categories);
  std::vector<double> values;
  double total = 0;
  for (const auto& c : categories) {
    double v = 0;
    for (std::size_t s = 0; s < data.Series().size(); ++s) v += data.Value(c, s).value_or(0);
    values.push_back(v > 0 && std::isfinite(v) ? v : 0);  // a pie shows positive values only
    total += values.back();
  }
  if (total <= 0) return;
  const int fontHeight = TextExtent(look.Font, "W").cy;
  std::vector<std::string> texts;
  int textWidth = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::string t = names[i];
    const std::string value = LabelText(look, values[i], total);
    if (!value.empty()) t += (t.empty() ? "" : " ") + value;
    texts.push_back(values[i] > 0 ? t : std::string());
    textWidth = std::max(textWidth, Width(look.Font, texts.back()));
  }
  const int cx = (area.Left + area.Right) / 2;
  const int cy = (area.Top + area.Bottom) / 2;
  const int radius = std::max(8, std::min(area.Width() / 2 - textWidth - 24, area.Height() / 2 - fontHeight));
  struct TLabel { int Y; bool Right; std::size_t Slice; TPoint Edge; };
  std::vector<TLabel> labels;
  double start = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] <= 0) continue;
    const double sweep = values[i] / total * 2 * std::numbers::pi;
    std::vector<TPoint> polygon{{cx, cy}};
    const int steps = std::max(1, static_cast<int>(std::ceil(sweep / (std::numbers::pi / 90))));
    for (int k = 0; k <= steps; ++k) {
      const double a = start + sweep * k / steps;
      polygon.push_back({cx + Round(radius * std::sin(a)), cy - Round(radius * std::cos(a))});
    }
    b.Polygon(std::move(polygon), SeriesColor(look, i), clWhite);
    const double mid = start + sweep / 2;
    const TPoint edge{cx + Round(radius * std::sin(mid)), cy - Round(radius * std::cos(mid))};
    labels.push_back({cy - Round((radius + 12) * std::cos(mid)) - fontHeight / 2, std::sin(mid) >= 0, i, edge});
    start += sweep;
  }
  // Each side: labels in order from top to bottom, pushed down to a line apart, then
  // pulled back up from the bottom when they run past the box.
  for (const bool right : {true, false}) {
    std::vector<TLabel*> side;
    for (auto& l : labels)
      if (l.Right == right && !texts[l.Slice].empty()) side.push_back(&l);
    const int lineHeight = fontHeight + 1;
    // More labels than lines on this side: the smallest slices go without theirs.
    const auto room = static_cast<std::size_t>(std::max(0, (area.Bottom - area.Top) / lineHeight));
    if (side.size() > room) {
      std::stable_sort(side.begin(), side.end(),
                       [&](const TLabel* a, const TLabel* c) { return values[a->Slice] > values[c->Slice]; });
      side.resize(room);
    }
    std::sort(side.begin(), side.end(), [](const TLabel* a, const TLabel* c) { return a->Y < c->Y; });
    for (std::size_t i = 0; i < side.size(); ++i) {
      side[i]->Y = std::max(side[i]->Y, area.Top);
      if (i > 0) side[i]->Y = std::max(side[i]->Y, side[i - 1]->Y + lineHeight);
    }
    for (std::size_t i = side.size(); i-- > 0;) {
      const int limit = i + 1 < side.size() ? side[i + 1]->Y - lineHeight : area.Bottom - fontHeight;
      side[i]->Y = std::min(side[i]->Y, limit);
    }
    for (const TLabel* l : side) {
      const std::string& text = texts[l->Slice];
      const int elbowX = cx + (right ? 1 : -1) * (radius + 12);
      const int textY = l->Y + fontHeight / 2;
      b.Line({l->Edge, {elbowX, textY}, {elbowX + (right ? 6 : -6), textY}}, kAxis);
      const int x = right ? elbowX + 8 : elbowX - 8 - Width(look.Font, text);
      b.Text(x, l->Y, text, look.Font);
    }
  }
}

}  // namespace oxqr::chart_detail
