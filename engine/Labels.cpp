// Text controls: lines, stretching and the filter's WriteText per printed line.
#include <algorithm>
#include <cmath>
#include <span>

#include "Controls.h"
#include "ExportFilter.h"
#include "Layout.h"
#include "Printer.h"
#include "Report.h"
#include "data/DataSet.h"
#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

double ScreenFactor() { return ScreenPPI / NativePerInch; }

// Splits `paragraph` into lines no wider than `maxWidth` pixels, breaking at blanks.
// A word wider than the line stays whole on a line of its own.
void WrapParagraph(const std::string& paragraph, const TFont& font, int maxWidth, std::vector<std::string>& out) {
  std::size_t start = 0;
  while (true) {
    const std::string rest = paragraph.substr(start);
    if (TextExtent(font, rest).cx <= maxWidth) {
      out.push_back(rest);
      return;
    }
    std::size_t end = std::string::npos;
    for (std::size_t sp = paragraph.find(' ', start + 1); sp != std::string::npos; sp = paragraph.find(' ', sp + 1)) {
      if (TextExtent(font, paragraph.substr(start, sp - start)).cx > maxWidth) break;
      end = sp;
    }
    if (end == std::string::npos) end = paragraph.find(' ', start + 1);
    if (end == std::string::npos) {
      out.push_back(rest);
      return;
    }
    out.push_back(paragraph.substr(start, end - start));
    start = paragraph.find_first_not_of(' ', end);
    if (start == std::string::npos) return;
  }
}

}  // namespace

TQRCustomLabel::TQRCustomLabel() = default;

void TQRCustomLabel::BeforePrint() {
  Finished = true;
  pending_.clear();
  nextLine_ = 0;
}

std::vector<std::string> TQRCustomLabel::FormatLines(const std::string& text) const {
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  const bool wrap = WordWrap && !AutoSize;
  // A quarter-turned text runs along the box's height.
  const bool across = Turned() && Rotation != 180;
  const int maxWidth = static_cast<int>(RoundHalfEven((across ? Size.Height : Size.Width) * ScreenFactor()));
  std::size_t start = 0;
  while (true) {
    const std::size_t nl = text.find('\n', start);
    std::string paragraph = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    if (!paragraph.empty() && paragraph.back() == '\r') paragraph.pop_back();
    if (SuppressBlankLines && paragraph.find_first_not_of(" \t") == std::string::npos) {
      if (nl == std::string::npos) break;
      start = nl + 1;
      continue;
    }
    if (wrap && !paragraph.empty())
      WrapParagraph(paragraph, Font, maxWidth, lines);
    else
      lines.push_back(paragraph);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return lines;
}

namespace {

// How many of `remaining` lines print now: those that fit the control's own height (at
// least one) or, for a stretching control, as many more as the band can grow for.
std::size_t LinesToPrint(TQRCustomLabel& label, std::size_t remaining, double lineHeight) {
  if (label.Turned()) {  // the lines that fit across the box, at least one; no stretching
    const double depth = label.Rotation == 180 ? label.Size.Height : label.Size.Width;
    return std::min(remaining, static_cast<std::size_t>(std::max(1.0, std::floor(depth / lineHeight + 1e-9))));
  }
  const auto own = static_cast<std::size_t>(std::max(1.0, std::floor(label.Size.Height / lineHeight + 1e-9)));
  TQRCustomBand* band = label.ParentBand();
  if (!label.AutoStretch || band == nullptr || remaining <= own) return std::min(remaining, own);
  for (std::size_t count = remaining; count > own; --count) {
    const double bottom = label.Size.Top + count * lineHeight;
    if (bottom <= band->Size.Height + band->Expanded) return count;  // room made by another control
    const double growth = bottom - band->Size.Height;
    if (band->CanExpand(growth)) {
      double total = 0;
      band->ExpandBy(growth, &label, total);
      return count;
    }
  }
  return own;
}

double AlignedX(TAlignment a, double left, double right) {
  return a == TAlignment::taRightJustify ? right : a == TAlignment::taCenter ? (left + right) / 2 : left;
}

// How far left of the anchor a line or box of `width` starts.
template <class T>
T AnchorShift(TAlignment a, T width) {
  return a == TAlignment::taRightJustify ? width : a == TAlignment::taCenter ? width / 2 : 0;
}

}  // namespace

double TQRCustomLabel::AnchorX(int OffsetX) const {
  // Anchors come from the control's edges, or the band's with AlignToBand.
  double left = OffsetX + Size.Left;
  double right = left + Size.Width;
  if (AlignToBand && ParentBand() != nullptr) {
    left = OffsetX;
    right = OffsetX + ParentBand()->Size.Width;
  }
  return AlignedX(Alignment, left, right);
}

std::pair<double, double> TQRCustomLabel::BoxSpan(const TQRPrinter& printer, std::span<const std::string> lines,
                                                  int OffsetX) const {
  // An auto-sized control is as wide as its text; an auto-sized or band-aligned
  // control sits at its anchor; any other control prints in its own rectangle.
  double boxWidth = Size.Width;
  if (AutoSize) {
    int widest = 0;
    for (const auto& line : lines) widest = std::max(widest, TextExtent(Font, line).cx);
    boxWidth = widest / printer.VerticalFactor();
  }
  const double boxLeft =
      AutoSize || AlignToBand ? AnchorX(OffsetX) - AnchorShift(Alignment, boxWidth) : OffsetX + Size.Left;
  return {boxLeft, boxWidth};
}

void TQRCustomLabel::DrawLines(TCanvas& canvas, const TQRPrinter& printer, std::span<const std::string> lines,
                               int OffsetX, int OffsetY) const {
  if (Turned()) {
    DrawTurnedLines(canvas, printer, lines, OffsetX, OffsetY);
    return;
  }
  const double factor = printer.VerticalFactor();
  const double lineHeight = TextExtent(Font, "W").cy / factor;
  const double top = OffsetY + Size.Top;
  const double height = std::max(Size.Height, lines.size() * lineHeight);
  const double anchor = AnchorX(OffsetX);
  const auto [boxLeft, boxWidth] = BoxSpan(printer, lines, OffsetX);
  const TRect box = NativeToDevice(&printer, boxLeft, top, boxWidth, height);
  if (!Transparent) {
    canvas.Brush = TBrush{Color, TBrushStyle::bsSolid};
    canvas.FillRect(box);
  }
  canvas.Font = Font;
  canvas.Brush.Style = TBrushStyle::bsClear;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int shift = AnchorShift(Alignment, TextExtent(Font, lines[i]).cx);
    canvas.TextRect(box, printer.ToDeviceX(anchor) - shift, printer.ToDeviceY(top + i * lineHeight), lines[i]);
  }
  Frame.Paint(canvas, box);
}

void TQRCustomLabel::Print(int OffsetX, int OffsetY) {
  if (Finished) {  // a fresh printing; otherwise continue with the lines left
    pending_ = FormatLines(Text());
    nextLine_ = 0;
  }
  const TQRPrinter* printer = ParentPrinter();
  const double factor = printer != nullptr ? printer->VerticalFactor() : ScreenFactor();
  const double lineHeight = TextExtent(Font, "W").cy / factor;
  const std::size_t count = LinesToPrint(*this, pending_.size() - nextLine_, lineHeight);
  const auto lines = std::span(pending_).subspan(nextLine_, count);
  printedHeight_ = std::max(Size.Height, count * lineHeight);

  if (TCanvas* canvas = FinalCanvas(*this)) DrawLines(*canvas, *printer, lines, OffsetX, OffsetY);

  const TQRCustomReport* report = OwnerReport();
  if (report != nullptr && report->Exporting() && Turned()) {
    WriteTurnedLines(*printer, lines, OffsetX, OffsetY);
  } else if (report != nullptr && report->Exporting()) {
    const double top = OffsetY + Size.Top;
    const double anchor = AnchorX(OffsetX);
    const auto [boxLeft, boxWidth] = BoxSpan(*printer, lines, OffsetX);
    // The lines are clipped to the box on the page; formats that show only that part need it.
    TQRExportFilter* filter = report->ActiveFilter();
    filter->TextClipLeft = boxLeft;
    filter->TextClipRight = boxLeft + boxWidth;
    for (std::size_t i = 0; i < lines.size(); ++i)
      filter->WriteText(anchor, top + i * lineHeight, Font, Color, Alignment, lines[i]);
    filter->TextClipLeft = filter->TextClipRight = 0;
  }

  // A control that does not stretch drops the lines that do not fit.
  nextLine_ += count;
  Finished = !AutoStretch || nextLine_ >= pending_.size();
  if (Finished) {
    pending_.clear();
    nextLine_ = 0;
  }
}

std::string TQRMemo::Text() const {
  std::string s;
  for (std::size_t i = 0; i < Lines.size(); ++i) {
    if (i > 0) s += '\n';
    s += Lines[i];
  }
  return s;
}

std::string TQRDBText::Text() const {
  if (DataSet == nullptr) return {};
  return DataSet->FieldByName(DataField).DisplayText();
}

}  // namespace oxqr
