#pragma once
// TQRRunObserver: what a run tells the objects that compute values over the data of a
// report (totals per group, the page count) so that they need no second run.
namespace oxqr {

class TDataSet;
class TQRCustomBand;
class TQRCustomReport;

class TQRRunObserver {
 public:
  virtual ~TQRRunObserver() = default;
  // A run (the preview or an export run) starts, before anything prints.
  virtual void RunStarted(TQRCustomReport& /*report*/) {}
  // The detail band (`band`, nullptr when the report has none) or a sub-detail band reached
  // the current record of `data` and its print condition lets it print the record; called
  // before the band prints, once per record.
  virtual void RecordPrinted(const TQRCustomBand* /*band*/, TDataSet& /*data*/) {}
  // A scope starts: a group band for a new value of its field, before its header prints;
  // a sub-detail band for its master's record, before its header prints.
  virtual void ScopeStarted(const TQRCustomBand& /*scope*/) {}
  // The scope ends, after its footer printed.
  virtual void ScopeEnded(const TQRCustomBand& /*scope*/) {}
  // The last page has ended; the run's printer still holds every page and the active
  // filter (in an export run) has not finished its job yet.
  virtual void RunFinished(TQRCustomReport& /*report*/) {}
};

}  // namespace oxqr
