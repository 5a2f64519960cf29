#pragma once
// TQRLayout: one run of a report. It lays the bands out onto the pages of the report's
// printer, drives the detail bands from the data, breaks pages, and makes the active
// export filter's calls in the engine's fixed order. Internal to the engine.
#include <string>
#include <vector>

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
    TQRGroup* Band;
    std::string Value;
    bool Started = false;
  };

  void NewPage();
  void EndPage();
  void PrintBand(TQRCustomBand& band);
  void PrintFixedBand(TQRCustomBand& band);
  void PrintControls(TQRCustomBand& band, bool onlyUnfinished);
  void PrintRecords();
  void PrintSubDetailsOf(const TQRCustomBand* master);
  void PrintSubDetail(TQRSubDetail& sub);
  void PrintSubDetailBands(TQRSubDetail& sub);
  // Tells the report's run observers that `band` reached the current record of `data`.
  void RecordReached(const TQRCustomBand* band, TDataSet& data);
  // Calls `f` for each run observer (a copy of the list: an observer may leave meanwhile).
  template <class F>
  void Notify(F f) {
    const std::vector<TQRRunObserver*> observers = report_.RunObservers();
    for (TQRRunObserver* o : observers) f(*o);
  }
  void PrintGroupHeaders(const TQRCustomBand* master, TDataSet& data);
  void CloseGroups(const TQRCustomBand* master, std::size_t from);
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
  int bandsOnPage_ = 0;
  int detailNo_ = 0;
  bool lastPage_ = false;
};

// Converts a Native rectangle to device pixels on `printer` (the screen's factors when
// there is none); edges are converted, so adjacent rectangles share their edges.
TRect NativeToDevice(const TQRPrinter* printer, double left, double top, double width, double height);
// The canvas `control` draws on: its printer's canvas during a final run, else nullptr.
TCanvas* FinalCanvas(const TQRPrintable& control);

}  // namespace oxqr
