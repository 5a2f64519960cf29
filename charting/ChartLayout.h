#pragma once
// The layout of a bar, line, area or pie chart into vector primitives: title, legend,
// value and category axes with nice ticks, bars, lines with markers, areas, pie slices and
// value labels. Pure: the same data and look give the same drawing.
#include <cstdint>
#include <string>
#include <vector>

#include "ChartSeries.h"
#include "engine/ChartDrawing.h"
#include "platform/Font.h"

namespace oxqr {

enum class TChartKind : std::uint8_t { Bar, Line, Area, Pie };
enum class TChartValueLabels : std::uint8_t { None, Value, Percent };

struct TChartLook {
  TChartKind Kind = TChartKind::Bar;
  bool Horizontal = false;  // bars along the horizontal axis, categories down the left
  bool Stacked = false;     // series stacked on each other instead of side by side
  TChartValueLabels Labels = TChartValueLabels::None;
  std::vector<TColor> Colors;  // per series (per slice for a pie); the palette for the rest
  std::string Title;           // 8-bit report text; empty: none
  TFont TitleFont;
  TFont Font;                  // axes, legend, value labels
  bool Legend = true;          // shown when there is more than one series, or for a pie
  bool Markers = true;         // squares at the points of lines
  TColor Background = clNone;

  TChartLook();
};

// The colour of series (or slice) `i`: the look's own, else the palette's.
TColor SeriesColor(const TChartLook& look, std::size_t i);

// Lays out `data` in a box of `width` x `height` device pixels at 96 pixels per inch.
// Empty data gives the title and "No data".
TChartDrawing LayOutChart(const TChartLook& look, const TChartData& data, int width, int height);

// The text of a value label: the value with thousands separators and up to two decimals.
std::string ValueText(double value);

}  // namespace oxqr
