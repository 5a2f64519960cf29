// The group options of a report run: page breaks before groups (new page, restarted page
// numbers, kept together, header kept with its first records) and headers repeated on the
// pages a group continues on.
//
// Keeping a group together needs its height before it prints. The data is read forward
// only and a band's height depends on what its controls stretch to, so the heights come
// from a measuring run: when a group asks for them, the records are laid out once on an
// endless page with nothing drawn, exported or told to observers, and each group's height
// (and its header's with its first records) is kept by its order in the run. The run
// proper then decides with the same layout code that will print the group.
#include <algorithm>

#include "Layout.h"
#include "data/DataSet.h"
#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

int Rounded(double v) { return static_cast<int>(RoundHalfEven(v)); }

// Takes the report's filter and drawing away for a measuring run and gives them back.
class TMeasuringGuard {
 public:
  TMeasuringGuard(TQRExportFilter*& filter, bool& finalPass, bool& measuring)
      : filter_(filter), finalPass_(finalPass), measuring_(measuring), savedFilter_(filter), savedFinal_(finalPass) {
    filter_ = nullptr;
    finalPass_ = false;
    measuring_ = true;
  }
  ~TMeasuringGuard() {
    filter_ = savedFilter_;
    finalPass_ = savedFinal_;
    measuring_ = false;
  }
  TMeasuringGuard(const TMeasuringGuard&) = delete;
  TMeasuringGuard& operator=(const TMeasuringGuard&) = delete;

 private:
  TQRExportFilter*& filter_;
  bool& finalPass_;
  bool& measuring_;
  TQRExportFilter* savedFilter_;
  bool savedFinal_;
};

}  // namespace

bool TQRLayout::NeedsMeasuring() const {
  return std::any_of(groups_.begin(), groups_.end(),
                     [](const GroupState& g) { return g.Band->KeepTogether || g.Band->OrphanLines > 0; });
}

void TQRLayout::MeasureGroups() {
  {
    TMeasuringGuard guard(report_.activeFilter_, report_.finalPass_, measuring_);
    if (TDataSet* data = report_.DataSet) {
      if (!data->Active()) data->Open();
      data->First();
    }
    report_.CurrentY = 0;
    bandsOnPage_ = 0;
    PrintRecords();
  }
  // The run proper starts afresh; only the heights stay.
  for (GroupState& g : groups_) {
    g.Value.clear();
    g.Started = g.Open = false;
    g.Count = 0;
    g.Lines = 0;
  }
  detailNo_ = 0;
  bandsOnPage_ = 0;
  waiting_.clear();
  for (const auto& b : report_.Bands()) {
    b->ResetExpansion();
    for (const auto& c : b->Controls()) c->BeforePrint();
  }
}

void TQRLayout::StartGroupChange(const std::vector<std::size_t>& starting) {
  changePage_ = printer_.PageCount();
  changeBands_ = bandsOnPage_;
  if (measuring_ || changeBands_ == 0) return;
  // A group that restarts the page numbers starts its page before the headers of the
  // groups around it, so that they print on its first page with its numbers.
  for (std::size_t i : starting) {
    const GroupState& g = groups_[i];
    if (g.Band->ResetPageNumber && g.Count > 0) {
      restartNumbers_ = true;
      NewPage();
      return;
    }
  }
}

void TQRLayout::BreakBeforeGroup(GroupState& g) {
  const TQRGroup& band = *g.Band;
  const std::size_t index = g.Count - 1;
  if (measuring_) {
    // Heights are differences of y: y starts again when no group is open, so that it
    // stays small over any number of records.
    if (std::none_of(groups_.begin(), groups_.end(), [](const GroupState& o) { return o.Open; }))
      report_.CurrentY = 0;
    g.StartY = report_.CurrentY;
    g.Lines = 0;
    g.Heights.resize(g.Count, 0);
    g.HeadHeights.resize(g.Count, -1);
    return;
  }
  if ((band.NewPage || band.ResetPageNumber) && index > 0) {
    // Headers of groups that started at this record may lead the page; anything else
    // on it ends the page.
    const bool othersOnPage = printer_.PageCount() == changePage_ && changeBands_ > 0;
    if (othersOnPage) {
      restartNumbers_ = band.ResetPageNumber;
      NewPage();
    } else if (band.ResetPageNumber && printer_.PageCount() > 0) {
      report_.pageNumbers_.RestartAtCurrentPage();
    }
    return;
  }
  if (bandsOnPage_ == 0) return;  // first on its page: no other page offers more room
  const int body = Rounded(BodyHeight());
  const auto moves = [&](const std::vector<double>& heights) {
    return index < heights.size() && heights[index] >= 0 && !Fits(heights[index]) && Rounded(heights[index]) <= body;
  };
  if ((band.KeepTogether && moves(g.Heights)) || (band.OrphanLines > 0 && moves(g.HeadHeights))) NewPage();
}

void TQRLayout::GroupEnding(GroupState& g) {
  // A footer that moves to a new page follows no repeated header: the data has already
  // moved to the next group's first record.
  g.Open = false;
}

void TQRLayout::GroupEnded(GroupState& g) {
  if (!measuring_ || g.Count == 0) return;
  const std::size_t index = g.Count - 1;
  const double height = report_.CurrentY - g.StartY;
  g.Heights[index] = height;
  if (g.HeadHeights[index] < 0) g.HeadHeights[index] = height;  // fewer records than asked
}

void TQRLayout::RecordDone(const TQRCustomBand* master) {
  if (!measuring_) return;
  for (GroupState& g : groups_) {
    if (!g.Started || g.Count == 0 || !IsMaster(g.Band->Master, master)) continue;
    if (++g.Lines == g.Band->OrphanLines) g.HeadHeights[g.Count - 1] = report_.CurrentY - g.StartY;
  }
}

void TQRLayout::PrintRepeatedHeaders() {
  if (repeating_ || measuring_) return;
  repeating_ = true;
  for (const GroupState& g : groups_)
    if (g.Open && g.Band->RepeatHeader) PrintFixedBand(*g.Band);
  repeating_ = false;
  bandsOnPage_ = 0;  // the band that broke the page prints below them, fitting or not
}

double TQRLayout::BodyHeight() const {
  double top = Rounded(report_.Page.NativeTopMargin) + FixedHeight(pageHeader_) + FixedHeight(columnHeader_);
  for (const GroupState& g : groups_)
    if (g.Open && g.Band->RepeatHeader) top += FixedHeight(g.Band);
  return PageBottom() - top;
}

}  // namespace oxqr
