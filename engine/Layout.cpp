// Layout and pagination of one report run.
//
// A page starts with the page header (and column header); flowing bands follow from the
// top margin down to the page footer's top. A band that does not fit moves to a new page
// unless it is the first band there. Controls left unfinished (stretching text) make the
// band print again on the next page with only those controls. The page footer is placed
// at the bottom margin when the page closes.
#include "Layout.h"

#include <algorithm>

#include "ControlShift.h"
#include "Controls.h"
#include "ExportFilter.h"
#include "data/DataSet.h"
#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

TQRCustomBand* FirstBandOfType(const TQRCustomReport& report, TQRBandType type) {
  for (const auto& b : report.Bands())
    if (b->BandType == type && b->Enabled) return b.get();
  return nullptr;
}


int ToInt(double v) { return static_cast<int>(RoundHalfEven(v)); }

// The room a measuring run gives every band: no band breaks while groups are measured.
constexpr double kMeasuringSpace = 1e9;

}  // namespace

TRect NativeToDevice(const TQRPrinter* printer, double left, double top, double width, double height) {
  if (printer != nullptr)
    return Rect(printer->ToDeviceX(left), printer->ToDeviceY(top), printer->ToDeviceX(left + width),
                printer->ToDeviceY(top + height));
  const double f = ScreenPPI / NativePerInch;
  return Rect(ToInt(left * f), ToInt(top * f), ToInt((left + width) * f), ToInt((top + height) * f));
}

TCanvas* FinalCanvas(const TQRPrintable& control) {
  const TQRCustomReport* report = control.OwnerReport();
  TQRPrinter* printer = control.ParentPrinter();
  if (report == nullptr || printer == nullptr || !report->FinalPass() || printer->PrintingPage() == nullptr)
    return nullptr;
  return &printer->Canvas();
}

TQRLayout::TQRLayout(TQRCustomReport& report)
    : report_(report), printer_(report.QRPrinter()), filter_(report.ActiveFilter()), savedUnits_(report.Units()) {
  report_.SetUnits(TQRUnit::Native);
  report_.layout_ = this;
  report_.cancelled_ = false;
}

TQRLayout::~TQRLayout() {
  report_.layout_ = nullptr;
  report_.SetUnits(savedUnits_);
}

// ---- geometry -------------------------------------------------------------------------

double TQRLayout::FixedHeight(const TQRCustomBand* band) const {
  double h = 0;
  for (; band != nullptr; band = band->ChildBand)
    if (band->Enabled) h += band->Size.Height;
  return h;
}

double TQRLayout::PageBottom() const {
  const TQRPage& page = report_.Page;
  return page.NativeLength - page.NativeBottomMargin - FixedHeight(pageFooter_);
}

double TQRLayout::SpaceLeft() const {
  if (measuring_) return kMeasuringSpace;
  // A continuous filter takes every page to have a whole paper length left.
  if (filter_ != nullptr && filter_->IsContinuous()) return report_.Page.NativeLength;
  return PageBottom() - report_.CurrentY;
}

bool TQRLayout::Fits(double height) const { return ToInt(height) <= ToInt(SpaceLeft()); }

// ---- the run --------------------------------------------------------------------------

void TQRLayout::Execute() {
  const TQRPage& page = report_.Page;
  printer_.Title = report_.ReportTitle;
  printer_.Orientation = page.Orientation;
  printer_.PaperWidth = page.NativeWidth;
  printer_.PaperLength = page.NativeLength;

  title_ = FirstBandOfType(report_, TQRBandType::rbTitle);
  pageHeader_ = FirstBandOfType(report_, TQRBandType::rbPageHeader);
  columnHeader_ = FirstBandOfType(report_, TQRBandType::rbColumnHeader);
  pageFooter_ = FirstBandOfType(report_, TQRBandType::rbPageFooter);
  detail_ = FirstBandOfType(report_, TQRBandType::rbDetail);
  summary_ = FirstBandOfType(report_, TQRBandType::rbSummary);

  std::vector<const TQRCustomBand*> attached;  // bands printed only through another band
  for (const auto& b : report_.Bands()) {
    if (auto* sub = dynamic_cast<TQRSubDetail*>(b.get())) {
      subDetails_.push_back(sub);
      attached.push_back(sub->HeaderBand);
      attached.push_back(sub->FooterBand);
    }
  }
  for (const auto& b : report_.Bands()) {
    auto* group = dynamic_cast<TQRGroup*>(b.get());
    if (group == nullptr || !group->Enabled || (group->Expression.empty() && !group->Key)) continue;
    if (std::find(attached.begin(), attached.end(), group) != attached.end()) continue;
    groups_.push_back(GroupState{.Band = group});
  }

  const double bandWidth = page.NativeWidth - page.NativeLeftMargin - page.NativeRightMargin;
  for (const auto& b : report_.Bands()) {
    b->Size.Width = bandWidth;
    b->ResetExpansion();
    for (const auto& c : b->Controls()) c->BeforePrint();
  }
  report_.pageNumbers_.Clear();
  if (NeedsMeasuring()) MeasureGroups();

  Notify([this](TQRRunObserver& o) { o.RunStarted(report_); });
  if (filter_ != nullptr && !filter_->Active)
    filter_->StartJob(ToInt(page.Width()), ToInt(page.Length()), report_.Font);

  bool empty = false;
  if (TDataSet* data = report_.DataSet) {
    if (!data->Active()) data->Open();
    data->First();
    empty = data->Eof();
  }
  if (!empty || report_.PrintIfEmpty) {
    NewPage();
    if (title_ != nullptr) PrintBand(*title_);
    PrintRecords();
    if (summary_ != nullptr) PrintBand(*summary_);
    if (!Cancelled()) {
      lastPage_ = true;
      EndPage();
      if (filter_ != nullptr) filter_->ClosePage();
    }
  }
  Notify([this](TQRRunObserver& o) { o.RunFinished(report_); });
  if (filter_ != nullptr) filter_->FinishJob();
}

// ---- pages ----------------------------------------------------------------------------

void TQRLayout::NewPage() {
  if (measuring_) {  // a measuring run has one endless page
    bandsOnPage_ = 0;
    return;
  }
  if (printer_.PageCount() > 0) EndPage();
  if (filter_ != nullptr) {
    filter_->ClosePage();  // also before the first page: closes nothing there
    filter_->OpenPage();
  }
  printer_.NewPage();
  report_.pageNumbers_.PageStarted(restartNumbers_);
  restartNumbers_ = false;
  report_.CurrentY = ToInt(report_.Page.NativeTopMargin);
  if (report_.OnProgress) report_.OnProgress(printer_.PageCount());

  const bool firstPage = printer_.PageCount() == 1;
  if (pageHeader_ != nullptr && (!firstPage || report_.Options.FirstPageHeader)) PrintFixedBand(*pageHeader_);
  if (columnHeader_ != nullptr) PrintFixedBand(*columnHeader_);
  bandsOnPage_ = 0;
  PrintRepeatedHeaders();
}

void TQRLayout::EndPage() {
  const TQRPage& page = report_.Page;
  if (pageFooter_ != nullptr && (!lastPage_ || report_.Options.LastPageFooter)) {
    report_.CurrentY = ToInt(PageBottom());
    PrintFixedBand(*pageFooter_);
  }
  if (Final() && report_.Frame.AnyFrame()) {
    const TRect margins = NativeToDevice(&printer_, page.NativeLeftMargin, page.NativeTopMargin,
                                         page.NativeWidth - page.NativeLeftMargin - page.NativeRightMargin,
                                         page.NativeLength - page.NativeTopMargin - page.NativeBottomMargin);
    report_.Frame.Paint(printer_.Canvas(), margins);
  }
  if (report_.OnEndPage) report_.OnEndPage(report_);
}

// ---- bands ----------------------------------------------------------------------------

void TQRLayout::PrintBand(TQRCustomBand& band) {
  if (!band.Enabled || Cancelled() || !band.ShouldPrint()) return;
  band.ResetExpansion();
  if (bandsOnPage_ > 0 && !Fits(band.Size.Height)) NewPage();
  PrintControls(band, false);
  while (AnyUnfinished(band) && !Cancelled()) {
    NewPage();
    band.ResetExpansion();
    PrintControls(band, true);
  }
  if (band.ChildBand != nullptr) PrintBand(*band.ChildBand);
  // The record loops print the sub-details of the detail and of sub-detail bands.
  if (&band != detail_ && dynamic_cast<TQRSubDetail*>(&band) == nullptr) PrintSubDetailsOf(&band);
}

// Page headers and footers: never break, never continue on another page.
void TQRLayout::PrintFixedBand(TQRCustomBand& band) {
  for (TQRCustomBand* b = &band; b != nullptr; b = b->ChildBand) {
    if (!b->Enabled) continue;
    if (!b->ShouldPrint()) break;
    b->ResetExpansion();
    PrintControls(*b, false);
    for (const auto& c : b->Controls()) c->BeforePrint();
  }
}

void TQRLayout::PrintControl(TQRPrintable& c, int x, int y) {
  if (c.StyleRule == nullptr) {
    c.Print(x, y);
    return;
  }
  c.StyleRule->Apply(c);
  c.Print(x, y);
  c.StyleRule->Restore(c);
}

bool TQRLayout::AnyUnfinished(const TQRCustomBand& band) const {
  return std::any_of(band.Controls().begin(), band.Controls().end(), [this](const auto& c) {
    return c->Enabled && (!c->Finished || waiting_.contains(c.get()));
  });
}

const TShiftPlan& TQRLayout::ShiftPlanOf(const TQRCustomBand& band) {
  auto it = shiftPlans_.find(&band);
  if (it == shiftPlans_.end()) it = shiftPlans_.emplace(&band, PlanShifts(band)).first;
  return it->second;
}

// Prints the controls of a band in which stretching controls move those below them. A
// control below one that continues on the next page, or that would not fit the page where
// it moved to, waits and prints with the band's continuation.
void TQRLayout::PrintShiftedControls(TQRCustomBand& band, const TShiftPlan& plan, bool onlyUnfinished, int x, int y) {
  const auto& controls = band.Controls();
  std::vector<double> moved(controls.size(), 0), grown(controls.size(), 0);
  for (std::size_t i : plan.Order) {
    TQRPrintable& c = *controls[i];
    const bool waiting = waiting_.contains(&c);
    if (!c.Enabled || (onlyUnfinished && c.Finished && !waiting)) continue;
    if (!onlyUnfinished && !c.ShouldPrint()) continue;
    double shift = 0;
    bool blocked = false;
    for (std::size_t a : plan.Above[i]) {
      const TQRPrintable& above = *controls[a];
      blocked = blocked || !above.Finished || waiting_.contains(&above);
      shift = std::max(shift, moved[a] + grown[a]);
    }
    // The band grows with the moved control, keeping the room below it.
    if (!blocked && shift > band.Expanded && !band.CanExpand(shift - band.Expanded)) blocked = true;
    if (blocked) {
      waiting_.insert(&c);
      continue;
    }
    waiting_.erase(&c);
    c.Size.Top += shift;
    PrintControl(c, x, y);
    c.Size.Top -= shift;
    band.Expanded = std::max(band.Expanded, shift);
    moved[i] = shift;
    if (c.Stretches()) grown[i] = std::max(0.0, c.PrintedHeight() - c.Size.Height);
  }
}

void TQRLayout::PrintControls(TQRCustomBand& band, bool onlyUnfinished) {
  const TQRPage& page = report_.Page;
  report_.CurrentX = ToInt(page.NativeLeftMargin);
  const int x = report_.CurrentX;
  const int y = report_.CurrentY;
  TMetafile* recording = Final() ? printer_.PrintingPage() : nullptr;
  const std::size_t mark = recording != nullptr ? recording->Records.size() : 0;
  // A conditional colour holds while the band's controls and background print (filters
  // read the band's colour for the controls on it).
  const TColor madeColor = band.Color;
  if (band.ColorRule != nullptr) band.Color = band.ColorRule->ColorNow(madeColor);

  const TShiftPlan& plan = ShiftPlanOf(band);
  if (plan.Any) {
    PrintShiftedControls(band, plan, onlyUnfinished, x, y);
  } else {
    for (const auto& c : band.Controls()) {
      if (!c->Enabled || (onlyUnfinished && c->Finished)) continue;
      if (!onlyUnfinished && !c->ShouldPrint()) continue;
      PrintControl(*c, x, y);
    }
  }

  const double height = band.Size.Height + band.Expanded;
  if (recording != nullptr) {
    const TRect r = NativeToDevice(&printer_, x, y, band.Size.Width, height);
    if (ColorToRGB(band.Color) != clWhite && band.Color != clNone) {
      // The height is known only now: slip the background in under the controls.
      TMetafile background;
      TMetafileCanvas canvas(background);
      canvas.Brush = TBrush{band.Color, TBrushStyle::bsSolid};
      canvas.FillRect(r);
      recording->Records.insert(recording->Records.begin() + static_cast<std::ptrdiff_t>(mark),
                                background.Records.begin(), background.Records.end());
    }
    band.Frame.Paint(printer_.Canvas(), r);
  }
  band.Color = madeColor;
  report_.CurrentY = y + ToInt(height);
  ++bandsOnPage_;
}

// ---- data -----------------------------------------------------------------------------

bool TQRLayout::IsMaster(const TQRCustomBand* declared, const TQRCustomBand* band) const {
  return declared == band || (declared == nullptr && band == detail_);
}

void TQRLayout::PrintRecords() {
  TDataSet* data = report_.DataSet;
  if (data == nullptr) {
    detailNo_ = 1;
    if (detail_ != nullptr) PrintBand(*detail_);
    PrintSubDetailsOf(detail_);
    return;
  }
  // Execute has opened the data set and moved to its first record.
  while (!data->Eof() && !Cancelled()) {
    ++detailNo_;
    PrintGroupHeaders(detail_, *data);
    RecordReached(detail_, *data);
    if (detail_ != nullptr) PrintBand(*detail_);
    PrintSubDetailsOf(detail_);
    RecordDone(detail_);
    data->Next();
  }
  CloseGroups(detail_, 0);
}

void TQRLayout::PrintSubDetailsOf(const TQRCustomBand* master) {
  for (TQRSubDetail* sub : subDetails_)
    if (sub != master && sub->Enabled && IsMaster(sub->Master, master) && !Cancelled()) PrintSubDetail(*sub);
}

void TQRLayout::PrintSubDetail(TQRSubDetail& sub) {
  Notify([&sub](TQRRunObserver& o) { o.ScopeStarted(sub); });
  PrintSubDetailBands(sub);
  Notify([&sub](TQRRunObserver& o) { o.ScopeEnded(sub); });
}

void TQRLayout::PrintSubDetailBands(TQRSubDetail& sub) {
  TDataSet* data = sub.DataSet;
  if (data == nullptr) {  // no data: prints once, like a detail band without data
    if (sub.HeaderBand != nullptr) PrintBand(*sub.HeaderBand);
    PrintBand(sub);
    PrintSubDetailsOf(&sub);
    if (sub.FooterBand != nullptr) PrintBand(*sub.FooterBand);
    return;
  }
  if (!data->Active()) data->Open();
  data->First();  // a detail table re-reads the records of its master's current record
  if (data->Eof()) {
    if (sub.PrintIfEmpty) {
      if (sub.HeaderBand != nullptr) PrintBand(*sub.HeaderBand);
      if (sub.FooterBand != nullptr) PrintBand(*sub.FooterBand);
    }
    return;
  }
  if (sub.HeaderBand != nullptr) PrintBand(*sub.HeaderBand);
  while (!data->Eof() && !Cancelled()) {
    PrintGroupHeaders(&sub, *data);
    RecordReached(&sub, *data);
    PrintBand(sub);
    PrintSubDetailsOf(&sub);
    RecordDone(&sub);
    data->Next();
  }
  CloseGroups(&sub, 0);
  if (sub.FooterBand != nullptr) PrintBand(*sub.FooterBand);
}

// Prints the footers and headers of the groups of `master` from the outermost group
// whose field value changed (every group on the first record).
void TQRLayout::PrintGroupHeaders(const TQRCustomBand* master, TDataSet& data) {
  std::vector<std::size_t> mine;
  for (std::size_t i = 0; i < groups_.size(); ++i)
    if (IsMaster(groups_[i].Band->Master, master)) mine.push_back(i);
  std::size_t changed = mine.size();
  std::vector<std::string> values;
  for (std::size_t k = 0; k < mine.size(); ++k) {
    const GroupState& g = groups_[mine[k]];
    values.push_back(g.Band->Key ? g.Band->Key->Value() : data.FieldByName(g.Band->Expression).AsString());
    if (changed == mine.size() && (!g.Started || g.Value != values.back())) changed = k;
  }
  if (changed == mine.size()) return;
  for (std::size_t k = mine.size(); k-- > changed;) {
    GroupState& g = groups_[mine[k]];
    if (!g.Started) continue;
    GroupEnding(g);
    if (g.Band->FooterBand != nullptr) PrintBand(*g.Band->FooterBand);
    GroupEnded(g);
    Notify([&g](TQRRunObserver& o) { o.ScopeEnded(*g.Band); });
  }
  StartGroupChange(std::vector<std::size_t>(mine.begin() + static_cast<std::ptrdiff_t>(changed), mine.end()));
  for (std::size_t k = changed; k < mine.size(); ++k) {
    GroupState& g = groups_[mine[k]];
    g.Started = true;
    g.Value = values[k];
    ++g.Count;
    BreakBeforeGroup(g);
    Notify([&g](TQRRunObserver& o) { o.ScopeStarted(*g.Band); });
    PrintBand(*g.Band);
    g.Open = true;
  }
}

void TQRLayout::CloseGroups(const TQRCustomBand* master, std::size_t from) {
  for (std::size_t i = groups_.size(); i-- > from;) {
    GroupState& g = groups_[i];
    if (!IsMaster(g.Band->Master, master) || !g.Started) continue;
    GroupEnding(g);
    if (g.Band->FooterBand != nullptr) PrintBand(*g.Band->FooterBand);
    GroupEnded(g);
    g.Started = false;
    Notify([&g](TQRRunObserver& o) { o.ScopeEnded(*g.Band); });
  }
}

// ---- observers ------------------------------------------------------------------------

void TQRLayout::RecordReached(const TQRCustomBand* band, TDataSet& data) {
  if (band != nullptr && !band->ShouldPrint()) return;  // a record the band leaves out counts nowhere
  Notify([band, &data](TQRRunObserver& o) { o.RecordPrinted(band, data); });
}

}  // namespace oxqr
