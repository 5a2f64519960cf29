#pragma once
// TQRLayout: one run of a report. It lays the bands out onto the pages of the report's
// printer, drives the detail bands from the data, breaks pages, and makes the active
// export filter's calls in the engine's fixed order. Internal to the engine.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ControlShift.h"

#include "Report.h"

namespace oxqr {

class TDataSet;
class TQRGroup;
class TQRSubDetail;

class TQRLayout {
 public:
  // Attaches to `report` for the run: units switch to Native until destruction.
  explicit TQRLayout(TQRCustomReport& report);
  ~TQRLayout();
  TQRLayout(const TQRLayout&) = delete;
  TQRLayout& operator=(const TQRLayout&) = delete;

  void Execute();

  // The layout of the report's run in progress, nullptr between runs.
  static const TQRLayout* Of(const TQRCustomReport& report) { return report.layout_; }
  // The lowest Native y that flowing bands may reach on the current page.
  double PageBottom() const;
  // The Native height a band at the report's CurrentY still has on the page.
  double SpaceLeft() const;
  // Number of the detail record being printed (1-based; 0 before the first).
  int DetailNumber() const { return detailNo_; }

 private:
  struct GroupState {
    TQRGroup* Band = nullptr;
    std::string Value{};
    bool Started = false;
    bool Open = false;       // its header printed, its footer not yet begun
    std::size_t Count = 0;   // groups started in this run; the current one is Count - 1
    int StartY = 0;          // where the current group began (measuring)
    int Lines = 0;           // records of the current group so far (measuring)
    // Measured before the run, per group in order: the whole group's height and the
    // height of its header with its first OrphanLines records.
    std::vector<double> Heights{}, HeadHeights{};
  };

  void NewPage();
  void EndPage();
  void PrintBand(TQRCustomBand& band);
  void PrintFixedBand(TQRCustomBand& band);
  void PrintControls(TQRCustomBand& band, bool onlyUnfinished);
  void PrintControl(TQRPrintable& c, int x, int y);
  // Whether controls of `band` still wait to print (lines left, or moved below such lines).
  bool AnyUnfinished(const TQRCustomBand& band) const;
  const TShiftPlan& ShiftPlanOf(const TQRCustomBand& band);
  void PrintShiftedControls(TQRCustomBand& band, const TShiftPlan& plan, bool onlyUnfinished, int x, int y);
  void PrintRecords();
  void PrintSubDetailsOf(const TQRCustomBand* master);
  void PrintSubDetail(TQRSubDetail& sub);
  void PrintSubDetailBands(TQRSubDetail& sub);
  // Tells the report's run observers that `band` reached the current record of `data`.
  void RecordReached(const TQRCustomBand* band, TDataSet& data);
  // Calls `f` for each run observer (a copy of the list: an observer may leave meanwhile).
  template <class F>
  void Notify(F f) {
    if (measuring_) return;  // a measuring run is no run for observers
    const std::vector<TQRRunObserver*> observers = report_.RunObservers();
    for (TQRRunObserver* o : observers) f(*o);
  }
  void PrintGroupHeaders(const TQRCustomBand* master, TDataSet& data);
  void CloseGroups(const TQRCustomBand* master, std::size_t from);
  // LayoutGroups.cpp: the group options.
  // Whether a group keeps itself or its header together: heights are measured first.
  bool NeedsMeasuring() const;
  // Runs the records once without output or observers and keeps each group's height.
  void MeasureGroups();
  // Before the headers of groups starting at one record: notes the page so far.
  void StartGroupChange(const std::vector<std::size_t>& starting);
  // Starts a new page before group `g`'s header when its options ask for one.
  void BreakBeforeGroup(GroupState& g);
  // Closes group `g` (its footer about to print): a measuring run keeps its height.
  void GroupEnding(GroupState& g);
  void GroupEnded(GroupState& g);
  // A record of `master` has printed with its sub-details (measuring counts lines).
  void RecordDone(const TQRCustomBand* master);
  // Prints the headers of the open groups that repeat, at the top of a new page.
  void PrintRepeatedHeaders();
  // The Native height flowing bands have on a fresh page.
  double BodyHeight() const;
  bool IsMaster(const TQRCustomBand* declared, const TQRCustomBand* band) const;
  bool Fits(double height) const;
  bool Cancelled() const { return report_.cancelled_; }
  bool Final() const { return report_.FinalPass(); }
  double FixedHeight(const TQRCustomBand* band) const;

  TQRCustomReport& report_;
  TQRPrinter& printer_;
  TQRExportFilter* filter_;
  TQRUnit savedUnits_;
  TQRCustomBand* title_ = nullptr;
  TQRCustomBand* pageHeader_ = nullptr;
  TQRCustomBand* columnHeader_ = nullptr;
  TQRCustomBand* pageFooter_ = nullptr;
  TQRCustomBand* detail_ = nullptr;
  TQRCustomBand* summary_ = nullptr;
  std::vector<TQRSubDetail*> subDetails_;
  std::vector<GroupState> groups_;
  std::map<const TQRCustomBand*, TShiftPlan> shiftPlans_;
  std::set<const TQRPrintable*> waiting_;  // controls moved below lines left for the next page
  int bandsOnPage_ = 0;
  int detailNo_ = 0;
  bool lastPage_ = false;
  bool measuring_ = false;        // the run that measures groups: no pages, no output
  bool restartNumbers_ = false;   // the next page starts its own page numbering
  bool repeating_ = false;        // printing repeated group headers
  int changePage_ = 0;            // page and bands on it when a group change began
  int changeBands_ = 0;
};

// Converts a Native rectangle to device pixels on `printer` (the screen's factors when
// there is none); edges are converted, so adjacent rectangles share their edges.
TRect NativeToDevice(const TQRPrinter* printer, double left, double top, double width, double height);
// The canvas `control` draws on: its printer's canvas during a final run, else nullptr.
TCanvas* FinalCanvas(const TQRPrintable& control);

}  // namespace oxqr
