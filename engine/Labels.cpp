// Text controls: lines, stretching and the filter's WriteText per printed line.
#include <algorithm>
#include <cmath>

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
  const int maxWidth = static_cast<int>(RoundHalfEven(Size.Width * ScreenFactor()));
  std::size_t start = 0;
  while (true) {
    const std::size_t nl = text.find('\n', start);
    std::string paragraph = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    if (!paragraph.empty() && paragraph.back() == '\r') paragraph.pop_back();
    if (wrap && !paragraph.empty())
      WrapParagraph(paragraph, Font, maxWidth, lines);
    else
      lines.push_back(paragraph);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return lines;
}

void TQRCustomLabel::Print(int OffsetX, int OffsetY) {
  if (Finished) {  // a fresh printing; otherwise continue with the lines left
    pending_ = FormatLines(Text());
    nextLine_ = 0;
  }
  const TQRPrinter* printer = ParentPrinter();
  const double lineHeight = TextExtent(Font, "W").cy / (printer ? printer->VerticalFactor() : ScreenFactor());
  const std::size_t remaining = pending_.size() - nextLine_;
  // Lines that fit the control's own height, at least one.
  const auto ownLines = static_cast<std::size_t>(
      std::max(1.0, std::floor(Size.Height / lineHeight + 1e-9)));
  std::size_t count = std::min(remaining, ownLines);

  TQRCustomBand* band = ParentBand();
  if (AutoStretch && band != nullptr && remaining > ownLines) {
    // Grow the band for as many further lines as the page has room for.
    count = remaining;
    for (; count > ownLines; --count) {
      const double bottom = Size.Top + count * lineHeight;
      if (bottom <= band->Size.Height + band->Expanded) break;
      const double growth = bottom - band->Size.Height;
      if (band->CanExpand(growth)) {
        double total = 0;
        band->ExpandBy(growth, this, total);
        break;
      }
    }
  }

  const double top = OffsetY + Size.Top;
  const double height = std::max(Size.Height, count * lineHeight);
  double left = OffsetX + Size.Left;
  double right = left + Size.Width;
  const TRect box = NativeToDevice(printer, left, top, Size.Width, height);
  if (AlignToBand && band != nullptr) {
    left = OffsetX;
    right = OffsetX + band->Size.Width;
  }

  TCanvas* canvas = FinalCanvas(*this);
  if (canvas != nullptr && !Transparent) {
    canvas->Brush = TBrush{Color, TBrushStyle::bsSolid};
    canvas->FillRect(box);
  }
  TQRCustomReport* report = OwnerReport();
  TQRExportFilter* filter = report != nullptr && report->Exporting() ? report->ActiveFilter() : nullptr;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& line = pending_[nextLine_ + i];
    const double y = top + i * lineHeight;
    const double x = Alignment == TAlignment::taRightJustify ? right
                     : Alignment == TAlignment::taCenter     ? (left + right) / 2
                                                             : left;
    if (canvas != nullptr && printer != nullptr) {
      const int width = TextExtent(Font, line).cx;
      const int shift = Alignment == TAlignment::taRightJustify ? width
                        : Alignment == TAlignment::taCenter     ? width / 2
                                                                : 0;
      TRect clip = box;
      if (AlignToBand) clip = NativeToDevice(printer, left, top, right - left, height);
      canvas->Font = Font;
      canvas->Brush.Style = TBrushStyle::bsClear;
      canvas->TextRect(clip, printer->ToDeviceX(x) - shift, printer->ToDeviceY(y), line);
    }
    if (filter != nullptr) filter->WriteText(x, y, Font, Color, Alignment, line);
  }
  if (canvas != nullptr) Frame.Paint(*canvas, box);

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
