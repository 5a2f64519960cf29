#pragma once
// TPieChart: the look of a one-series pie chart (title, background, series colour, marks,
// legend) and its rendering with Qt Charts into an image.
#include <string>
#include <vector>

#include <QImage>

#include "engine/EngineTypes.h"
#include "platform/Font.h"

namespace oxqr {

struct TPieSlice {
  std::string Label;  // 8-bit ANSI
  double Value = 0;
};

// A vertical background gradient from StartColor at the top to EndColor at the bottom.
struct TChartGradient {
  bool Visible = false;
  TColor StartColor = clWhite;
  TColor EndColor = clYellow;
};

class TPieChart {
 public:
  TPieChart();

  std::string Title;  // 8-bit ANSI; empty draws no title
  TFont TitleFont;
  TAlignment TitleAlignment = TAlignment::taCenter;
  // The panel: the gradient when visible, else Color; clNone lets the caller's
  // background show through.
  TColor Color = clNone;
  TChartGradient Gradient;
  // Every slice is a shade of this colour (see SliceColors).
  TColor SeriesColor = clRed;
  bool MarksVisible = true;   // the slice labels beside the pie
  bool LegendVisible = true;  // the list of labels at the right
  TFont LabelFont;            // marks and legend

  // Lays the chart out at `layoutWidth` x `layoutHeight` screen pixels and draws it,
  // scaled, into a new image of `imageWidth` x `imageHeight` filled with `background`
  // first. Slices whose value is not positive are left out. A larger image than the
  // layout gives a sharper picture of the same chart. Throws EOxQRError when charts
  // cannot be drawn in this program (see EnsureChartApplication).
  QImage Render(const std::vector<TPieSlice>& slices, int layoutWidth, int layoutHeight, int imageWidth,
                int imageHeight, TColor background) const;
};

}  // namespace oxqr
