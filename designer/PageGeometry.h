#pragma once
// Where things stand on the designed page, read from the definition's tree: the paper and
// its margins, the bands stacked in the order the definition holds them, and each control's
// rectangle in its band. Lengths are millimetres, as the definition writes them; the screen
// shows 96 pixels per inch at 100 %.
#include <QPointF>
#include <QRectF>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace oxqr {

class TOxrNode;

namespace page {

inline constexpr double kPixelsPerMM = 96.0 / 25.4;

// The paper in millimetres: its size and the printable area inside the margins.
struct TPaper {
  double Width = 210;
  double Height = 297;
  QRectF Inner;  // from the paper's corner
};
TPaper PaperOf(const TOxrNode& report);

// A band with its rectangle on the paper (mm from the paper's corner).
struct TBandBox {
  TOxrNode* Band = nullptr;
  QRectF Rect;
};
// The report's bands stacked from the top margin in the order the definition holds them.
std::vector<TBandBox> BandBoxes(const TOxrNode& report, const TPaper& paper);

// The element names of the controls a band may hold, in the schema's order.
const std::vector<std::string>& ControlKinds();
bool IsControl(const TOxrNode& node);
// The control elements of a band, in child order (the order they are drawn in).
std::vector<TOxrNode*> Controls(const TOxrNode& band);

// A length attribute in millimetres (`fallback` when missing or not a number).
double Length(const TOxrNode& node, std::string_view name, double fallback = 0);
// A length as the definition writes it: rounded to 0.01 mm, shortest decimal text.
std::string FormatLength(double mm);
// The control's rectangle in its band (mm from the band's corner).
QRectF ControlRect(const TOxrNode& control);

// `mm` on the grid of `step` (unchanged when the step is not positive).
double Snap(double mm, double step);

// The eight resize handles, clockwise from the top-left corner.
enum class THandle { None = -1, TopLeft, Top, TopRight, Right, BottomRight, Bottom, BottomLeft, Left };
// The rectangle `r` with `handle` dragged by (dx, dy); never narrower or lower than `minimum`.
QRectF Resized(const QRectF& r, THandle handle, double dx, double dy, double minimum);
// The points the handles of `r` stand at.
std::vector<QPointF> HandlePoints(const QRectF& r);

}  // namespace page
}  // namespace oxqr
