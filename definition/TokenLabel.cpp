#include "TokenLabel.h"

#include <algorithm>

#include "engine/Layout.h"
#include "engine/Printer.h"

namespace oxqr {

const TTokenText& TQRTokenLabel::TokenText() const {
  if (!parsedOnce_ || parsed_.Source() != Caption) {
    parsed_ = TTokenText(Caption);
    parsedOnce_ = true;
  }
  return parsed_;
}

std::string TQRTokenLabel::Text() const {
  last_ = environment_.State().Evaluate(TokenText(), this);
  return last_.Joined();
}

void TQRTokenLabel::Print(int OffsetX, int OffsetY) {
  detail::TEnvironmentState& state = environment_.State();
  TQRPrinter* printer = ParentPrinter();
  TMetafile* page = state.PreviewRunning() && FinalCanvas(*this) != nullptr ? printer->PrintingPage() : nullptr;
  if (Finished) last_ = {};
  const std::size_t firstLine = Finished ? 0 : NextLine();
  const std::size_t begin = page != nullptr ? page->Records.size() : 0;
  TOxQRLabel::Print(OffsetX, OffsetY);
  if (page == nullptr || last_.Deferred.empty()) return;

  // Keep what was drawn, to draw the final text in its place when the run ends.
  detail::TDeferredDraw draw;
  draw.Page = printer->PageCount();
  draw.Begin = begin;
  draw.Records.assign(page->Records.begin() + static_cast<std::ptrdiff_t>(begin), page->Records.end());
  const auto lineCount = static_cast<std::size_t>(std::count_if(
      draw.Records.begin(), draw.Records.end(), [](const TMetaRecord& r) { return std::holds_alternative<MrText>(r); }));
  draw.Evaluation = last_;
  draw.Redraw = [this, printer, firstLine, lineCount, OffsetX, OffsetY](const std::string& text) {
    const std::vector<std::string> all = FormatLines(text);
    const std::size_t first = std::min(firstLine, all.size());
    const auto lines = std::span(all).subspan(first, std::min(lineCount, all.size() - first));
    TMetafile drawn;
    TMetafileCanvas canvas(drawn);
    DrawLines(canvas, *printer, lines, OffsetX, OffsetY);
    return drawn.Records;
  };
  state.AddDraw(std::move(draw));
}

}  // namespace oxqr
