#include "ChartLayout.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "ChartAxis.h"
#include "ChartLayoutParts.h"
#include "data/DisplayFormat.h"
#include "platform/TextMetrics.h"

namespace oxqr {

namespace {

constexpr int kPad = 6;        // pixels between the box's edge and the content, and between parts
constexpr int kTick = 4;       // length of a tick mark
constexpr int kSwatch = 9;     // legend colour square
constexpr int kMarker = 5;     // line markers
constexpr TColor kGrid = RGBColor(0xDD, 0xDD, 0xDD);

constexpr TColor kPalette[] = {
    RGBColor(0x1F, 0x77, 0xB4), RGBColor(0xFF, 0x7F, 0x0E), RGBColor(0x2C, 0xA0, 0x2C), RGBColor(0xD6, 0x27, 0x28),
    RGBColor(0x94, 0x67, 0xBD), RGBColor(0x8C, 0x56, 0x4B), RGBColor(0xE3, 0x77, 0xC2), RGBColor(0x7F, 0x7F, 0x7F),
    RGBColor(0xBC, 0xBD, 0x22), RGBColor(0x17, 0xBE, 0xCF)};

}  // namespace

namespace chart_detail {

int Round(double v) { return static_cast<int>(std::lround(v)); }
int Width(const TFont& f, const std::string& s) { return TextExtent(f, s).cx; }

namespace {

std::string CategoryText(const TChartCategory& c, TDateLabelStyle style) {
  return c.IsDate ? DateLabel(static_cast<std::int64_t>(c.Key), style) : c.Label;
}

}  // namespace

std::vector<std::string> CategoryTexts(const std::vector<TChartCategory>& categories) {
  std::vector<std::int64_t> days;
  for (const auto& c : categories)
    if (c.IsDate) days.push_back(static_cast<std::int64_t>(c.Key));
  const TDateLabelStyle style = DateLabelStyleFor(days);
  std::vector<std::string> texts;
  for (const auto& c : categories) texts.push_back(CategoryText(c, style));
  return texts;
}

std::string LabelText(const TChartLook& look, double value, double whole) {
  if (look.Labels == TChartValueLabels::Value) return ValueText(value);
  if (look.Labels == TChartValueLabels::Percent && whole != 0) return FormatFloat("0.0", 100 * value / whole) + "%";
  return {};
}

}  // namespace chart_detail

namespace {

using namespace chart_detail;

// The values of the chart as a grid [category][series] (missing: empty).
using TGrid = std::vector<std::vector<std::optional<double>>>;

TGrid GridOf(const TChartData& data, const std::vector<TChartCategory>& categories) {
  TGrid grid;
  for (const auto& c : categories) {
    std::vector<std::optional<double>> row;
    for (std::size_t s = 0; s < data.Series().size(); ++s) row.push_back(data.Value(c, s));
    grid.push_back(std::move(row));
  }
  return grid;
}

// The title across the top; gives the top of what is below it.
int LayOutTitle(TBuilder& b, const TChartLook& look, int width) {
  if (look.Title.empty()) return kPad;
  const TSize size = TextExtent(look.TitleFont, look.Title);
  b.Text(std::max(kPad, (width - size.cx) / 2), kPad, look.Title, look.TitleFont);
  return kPad + size.cy + kPad;
}

// The legend in rows along the bottom; gives the bottom of what is above it.
int LayOutLegend(TBuilder& b, const TChartLook& look, const std::vector<std::string>& names, int width, int height) {
  if (!look.Legend || names.empty()) return height - kPad;
  const int lineHeight = std::max(TextExtent(look.Font, "W").cy, kSwatch);
  // Rows of items, each as wide as its swatch, gap and text.
  std::vector<std::vector<std::size_t>> rows(1);
  std::vector<int> rowWidths(1, 0);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const int w = kSwatch + 4 + Width(look.Font, names[i]) + 2 * kPad;
    if (!rows.back().empty() && rowWidths.back() + w > width - 2 * kPad) {
      rows.emplace_back();
      rowWidths.push_back(0);
    }
    rows.back().push_back(i);
    rowWidths.back() += w;
  }
  const int legendHeight = static_cast<int>(rows.size()) * (lineHeight + 2);
  int top = height - kPad - legendHeight;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    int x = std::max(kPad, (width - rowWidths[r]) / 2 + kPad);
    for (const std::size_t i : rows[r]) {
      const int swatchTop = top + (lineHeight - kSwatch) / 2;
      b.Rect(x, swatchTop, x + kSwatch, swatchTop + kSwatch, SeriesColor(look, i));
      b.Text(x + kSwatch + 4, top, names[i], look.Font);
      x += kSwatch + 4 + Width(look.Font, names[i]) + 2 * kPad;
    }
    top += lineHeight + 2;
  }
  return height - kPad - legendHeight - kPad;
}

// The lowest and highest value the chart must show (stacks summed per sign).
std::pair<double, double> ValueRange(const TGrid& grid, bool stacked) {
  double low = 0, high = 0;
  for (const auto& row : grid) {
    double pos = 0, neg = 0;
    for (const auto& v : row) {
      if (!v) continue;
      if (stacked) (*v >= 0 ? pos : neg) += *v;
      else low = std::min(low, *v), high = std::max(high, *v);
    }
    if (stacked) low = std::min(low, neg), high = std::max(high, pos);
  }
  return {low, high};
}

// Bar, line and area charts: value axis, category axis, the series and their labels.
void LayOutAxes(TBuilder& b, const TChartLook& look, const TChartData& data, TRect area) {
  const std::vector<TChartCategory> categories = data.Categories();
  const std::vector<std::string> names = CategoryTexts(categories);
  const TGrid grid = GridOf(data, categories);
  const std::size_t nCat = categories.size();
  const std::size_t nSer = data.Series().size();
  const bool stacked = look.Stacked && nSer > 1;
  const bool horizontal = look.Horizontal && look.Kind == TChartKind::Bar;
  const int fontHeight = TextExtent(look.Font, "W").cy;
  const auto [low, high] = ValueRange(grid, stacked || (look.Kind != TChartKind::Bar && look.Stacked));

  // Room for the category texts and the tick texts decides the plot rectangle.
  int catTextWidth = 0;
  for (const auto& n : names) catTextWidth = std::max(catTextWidth, Width(look.Font, n));
  const int valueLength = horizontal ? area.Width() : area.Height() - fontHeight - kTick;
  const int tickRoom = horizontal ? std::max(40, Width(look.Font, "000,000") + 2 * kPad) : fontHeight * 2 + 4;
  TAxisTicks ticks = NiceTicks(low, high, std::clamp(valueLength / std::max(tickRoom, 1), 1, 10));
  int tickTextWidth = 0;
  for (const double v : ticks.Values) tickTextWidth = std::max(tickTextWidth, Width(look.Font, TickText(v, ticks.Step)));

  TRect plot = area;
  if (horizontal) {
    plot.Left += std::min(catTextWidth, area.Width() / 3) + kTick + 2;
    plot.Bottom -= fontHeight + kTick + 2;
    plot.Right -= tickTextWidth / 2;
  } else {
    plot.Left += tickTextWidth + kTick + 2;
    plot.Bottom -= fontHeight + kTick + 2;
    plot.Top += fontHeight / 2;  // the top tick's text reaches above the plot
    plot.Right -= kPad;
  }
  if (plot.Width() < 4 || plot.Height() < 4 || nCat == 0) return;

  // Value -> pixel along the value axis.
  const double span = ticks.Max - ticks.Min;
  // Values outside the ticks (none, unless a sum overflowed) stay on the plot.
  const auto toPixel = [&](double v) {
    const double f = std::isfinite(v) ? std::clamp((v - ticks.Min) / span, 0.0, 1.0) : 0.0;
    return horizontal ? plot.Left + Round(f * plot.Width()) : plot.Bottom - Round(f * plot.Height());
  };
  // Grid lines and tick texts.
  std::vector<TRect> tickBoxes;
  for (const double v : ticks.Values) {
    const int p = toPixel(v);
    const std::string text = TickText(v, ticks.Step);
    const TSize size = TextExtent(look.Font, text);
    const TPoint at = horizontal ? TPoint{p - size.cx / 2, plot.Bottom + kTick + 2}
                                 : TPoint{plot.Left - kTick - 2 - size.cx, p - size.cy / 2};
    if (horizontal) {
      b.Line({{p, plot.Top}, {p, plot.Bottom}}, v == 0 ? kAxis : kGrid);
      b.Line({{p, plot.Bottom}, {p, plot.Bottom + kTick}}, kAxis);
    } else {
      b.Line({{plot.Left, p}, {plot.Right, p}}, v == 0 ? kAxis : kGrid);
      b.Line({{plot.Left - kTick, p}, {plot.Left, p}}, kAxis);
    }
    b.Text(at.X, at.Y, text, look.Font);
    tickBoxes.push_back(Bounds(at.X, at.Y, size.cx, size.cy));
  }
  // The category axis and its texts; texts that would touch are thinned out.
  const double slot = (horizontal ? plot.Height() : plot.Width()) / static_cast<double>(nCat);
  const int need = horizontal ? fontHeight : catTextWidth + kPad;
  const std::size_t every = std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(need / std::max(slot, 1.0))));
  const auto slotCentre = [&](std::size_t c) {
    return (horizontal ? plot.Top : plot.Left) + Round((static_cast<double>(c) + 0.5) * slot);
  };
  if (horizontal) b.Line({{plot.Left, plot.Top}, {plot.Left, plot.Bottom}}, kAxis);
  else b.Line({{plot.Left, plot.Bottom}, {plot.Right, plot.Bottom}}, kAxis);
  for (std::size_t c = 0; c < nCat; c += every) {
    const int m = slotCentre(c);
    const TSize size = TextExtent(look.Font, names[c]);
    if (horizontal) b.Text(std::max(kPad, plot.Left - kTick - 2 - size.cx), m - size.cy / 2, names[c], look.Font);
    else b.Text(m - size.cx / 2, plot.Bottom + kTick + 2, names[c], look.Font);
  }

  // Shares for percent labels: of the category's total with several series, else of all.
  double all = 0;
  std::vector<double> catTotals(nCat, 0);
  for (std::size_t c = 0; c < nCat; ++c)
    for (const auto& v : grid[c])
      if (v) catTotals[c] += *v, all += *v;
  const auto whole = [&](std::size_t c) { return nSer > 1 ? catTotals[c] : all; };
  const int zero = toPixel(std::clamp(0.0, ticks.Min, ticks.Max));
  struct TLabel { int X, Y; std::string Text; };
  std::vector<TLabel> labels;  // drawn last, over every series

  if (look.Kind == TChartKind::Bar) {
    const double group = slot * 0.7;
    const double barWidth = stacked ? group : group / static_cast<double>(nSer);
    for (std::size_t c = 0; c < nCat; ++c) {
      double pos = 0, neg = 0;
      for (std::size_t s = 0; s < nSer; ++s) {
        if (!grid[c][s]) continue;
        const double v = *grid[c][s];
        double from = 0, to = v;
        if (stacked) {
          double& base = v >= 0 ? pos : neg;
          from = base;
          to = base + v;
          base = to;
        }
        const double offset = stacked ? 0 : barWidth * static_cast<double>(s);
        const int a = Round((horizontal ? plot.Top : plot.Left) + c * slot + (slot - group) / 2 + offset);
        const int z = std::max(a + 1, Round((horizontal ? plot.Top : plot.Left) + c * slot + (slot - group) / 2 + offset + barWidth));
        const int p0 = toPixel(from), p1 = toPixel(to);
        if (horizontal) b.Rect(std::min(p0, p1), a, std::max(p0, p1), z, SeriesColor(look, s));
        else b.Rect(a, std::min(p0, p1), z, std::max(p0, p1), SeriesColor(look, s));
        const std::string text = LabelText(look, v, whole(c));
        if (text.empty()) continue;
        const TSize size = TextExtent(look.Font, text);
        if (horizontal) {
          const int x = stacked ? (p0 + p1 - size.cx) / 2 : (v >= 0 ? p1 + 2 : p1 - 2 - size.cx);
          labels.push_back({x, (a + z - size.cy) / 2, text});
        } else {
          const int y = stacked ? (p0 + p1 - size.cy) / 2 : (v >= 0 ? p1 - size.cy - 1 : p1 + 1);
          labels.push_back({(a + z - size.cx) / 2, y, text});
        }
      }
    }
  } else {
    std::vector<double> base(nCat, 0);
    for (std::size_t s = 0; s < nSer; ++s) {
      const TColor color = SeriesColor(look, s);
      std::vector<TPoint> run;  // the points since the last missing value
      std::vector<TPoint> lower;
      const auto flush = [&]() {
        if (look.Kind == TChartKind::Area && run.size() > 1) {
          std::vector<TPoint> polygon = run;
          polygon.insert(polygon.end(), lower.rbegin(), lower.rend());
          b.Polygon(std::move(polygon), color);
        }
        if (run.size() > 1) b.Line(run, color, 2);
        run.clear();
        lower.clear();
      };
      for (std::size_t c = 0; c < nCat; ++c) {
        if (!grid[c][s] && look.Kind == TChartKind::Line) {
          flush();
          continue;
        }
        const double v = grid[c][s].value_or(0);
        const double from = look.Stacked ? base[c] : 0;
        const double to = from + v;
        if (look.Stacked) base[c] = to;
        const TPoint p{slotCentre(c), toPixel(to)};
        run.push_back(p);
        lower.push_back({p.X, look.Stacked ? toPixel(from) : zero});
        if (look.Markers && look.Kind == TChartKind::Line)
          b.Rect(p.X - kMarker / 2, p.Y - kMarker / 2, p.X + kMarker / 2 + 1, p.Y + kMarker / 2 + 1, color);
        if (!grid[c][s]) continue;
        const std::string text = LabelText(look, v, whole(c));
        if (text.empty()) continue;
        const TSize size = TextExtent(look.Font, text);
        labels.push_back({p.X - size.cx / 2, p.Y - size.cy - kMarker, text});
      }
      flush();
    }
  }
  // A label that would touch another, or a tick's text, is left out (dense lines); past
  // kMaxLabels none is shown, they could not be read.
  constexpr std::size_t kMaxLabels = 1000;
  if (labels.size() > kMaxLabels) return;
  std::vector<TRect> placed = tickBoxes;
  for (const auto& l : labels) {
    const TSize size = TextExtent(look.Font, l.Text);
    const TRect box = Bounds(l.X, l.Y, size.cx, size.cy);
    const bool touches = std::any_of(placed.begin(), placed.end(), [&](const TRect& r) {
      return box.Left < r.Right && r.Left < box.Right && box.Top < r.Bottom && r.Top < box.Bottom;
    });
    if (touches) continue;
    placed.push_back(box);
    b.Text(l.X, l.Y, l.Text, look.Font);
  }
}

std::string KindName(const TChartLook& look) {
  switch (look.Kind) {
    case TChartKind::Bar: return "Bar chart";
    case TChartKind::Line: return "Line chart";
    case TChartKind::Area: return "Area chart";
    case TChartKind::Pie: return "Pie chart";
  }
  return "Chart";
}

// "Bar chart Sales: Jan Cash 1,200; Jan Card 300; ...", at most 200 values.
std::string Describe(const TChartLook& look, const TChartData& data) {
  std::string text = KindName(look);
  if (!look.Title.empty()) text += " " + look.Title;
  const auto categories = data.Categories();
  const auto names = CategoryTexts(categories);
  std::size_t shown = 0;
  for (std::size_t c = 0; c < categories.size(); ++c) {
    for (std::size_t s = 0; s < data.Series().size(); ++s) {
      const auto v = data.Value(categories[c], s);
      if (!v) continue;
      if (++shown > 200) return text + "; ...";
      text += (shown == 1 ? ": " : "; ") + names[c];
      if (!data.Series()[s].empty()) text += " " + data.Series()[s];
      text += " " + ValueText(*v);
    }
  }
  return text;
}

}  // namespace

TChartLook::TChartLook() {
  TitleFont.Size = 12;
  TitleFont.Style.Include(TFontStyle::fsBold);
  Font.Size = 8;
}

TColor SeriesColor(const TChartLook& look, std::size_t i) {
  if (i < look.Colors.size()) return look.Colors[i];
  return kPalette[i % std::size(kPalette)];
}

std::string ValueText(double value) {
  if (!std::isfinite(value)) return "?";
  const bool whole = std::abs(value - std::round(value)) < 0.005;
  return FormatFloat(whole ? "#,##0" : "#,##0.00", value);
}

TChartDrawing LayOutChart(const TChartLook& look, const TChartData& data, int width, int height) {
  TChartDrawing d;
  d.Background = look.Background;
  d.Description = Describe(look, data);
  if (width <= 0 || height <= 0) return d;
  TBuilder b(d);
  const int top = LayOutTitle(b, look, width);
  if (data.Empty()) {
    const TSize size = TextExtent(look.Font, "No data");
    b.Text((width - size.cx) / 2, (top + height - size.cy) / 2, "No data", look.Font);
    return d;
  }
  std::vector<std::string> legend;
  if (look.Kind == TChartKind::Pie) legend = CategoryTexts(data.Categories());
  else if (data.Series().size() > 1) legend = data.Series();
  const int bottom = LayOutLegend(b, look, legend, width, height);
  const TRect area = Rect(kPad, top, width - kPad, bottom);
  if (area.Width() <= 8 || area.Height() <= 8) return d;
  if (look.Kind == TChartKind::Pie) LayOutPie(b, look, data, area);
  else LayOutAxes(b, look, data, area);
  return d;
}

}  // namespace oxqr
