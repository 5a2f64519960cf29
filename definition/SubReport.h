#pragma once
// Sub-reports: another definition printed inside a report, once for each time the band that
// holds it prints, with parameters taken from the report's current record.
//
// The sub-report's bands join the report that holds it: its detail band becomes a
// sub-detail band of the holding band, its title and summary that band's header and footer,
// its groups and sub-details hang under it. So it flows, breaks across pages, and exports
// as any band does. Its page header, page footer and column header are left out. Its
// datasets, parameters, totals and token text keep their own names in an environment of
// their own; its totals without a group count one run.
//
// What the report reads back: a dataset named after the sub-report with one field per
// <total>, set whenever a run ends and announced as one printed record, so the report's
// bands print {Lines.Amount} after the sub-report and total it ({sum(Lines.Amount)}).
#include <memory>
#include <string>
#include <vector>

#include "data/CellDataSet.h"
#include "definition/ReportEnvironment.h"
#include "engine/Band.h"
#include "engine/Controls.h"
#include "engine/RunObserver.h"
#include "expression/Compiled.h"

namespace oxqr {

class TQuery;
class TReportDefinition;
class TReportEnvironment;
class TSubReportRun;

// A parameter of the sub-report and the token text of the report that gives its value.
class TSubReportBinding final : public TTokenTextOwner {
 public:
  TSubReportBinding(std::string parameter, std::string value)
      : Parameter(std::move(parameter)), text_(std::move(value)) {}
  const TTokenText& TokenText() const override { return text_; }
  std::string Parameter;

 private:
  TTokenText text_;
};

// A value the report reads back after each run: an expression over the sub-report's names.
struct TSubReportTotal {
  std::string Name;
  std::string Expression;
  std::string Format;  // display format of the field
};

// The <subreport> element in its band: what the file said, for the writer, and the bands it
// brought. Prints nothing itself.
class TQRSubReport final : public TQRPrintable {
 public:
  std::string File;        // as written, relative to the definition's folder
  std::string FullPath;    // the file read
  std::string At;          // where the element is, for faults while the report runs
  std::string Parameters;  // as written: "CustNo={Customer.CustNo}; Since={param:Since}"
  double MinHeight = 0;    // Native: the least room the sub-report takes below its band
  std::vector<TSubReportTotal> Totals;
  std::vector<const TQRCustomBand*> Bands;  // the sub-report's bands in the report
  std::vector<std::unique_ptr<TSubReportBinding>> Bindings;
};

// The one-record dataset of a sub-report's totals.
class TSubReportTotals final : public TDataSet, public TCellRecord {
 public:
  TSubReportTotals(std::string name, const std::vector<TSubReportTotal>& totals, const std::vector<expr::TType>& types);
  ~TSubReportTotals() override;
  void Set(std::size_t i, const expr::TValue& value);
  void Clear();

  void Open() override { active_ = true; }
  void Close() override { active_ = false; }
  bool Active() const override { return active_; }
  void First() override { eof_ = false; }
  void Next() override { eof_ = true; }
  bool Eof() const override { return eof_; }
  bool IsEmpty() const override { return false; }
  int RecordCount() const override { return 1; }
  TField* FindField(const std::string& name) override;
  std::vector<TField*> Fields() override;
  std::string Name() const override { return name_; }
  const TCell& Cell(std::size_t col) const override { return cells_.at(col); }

 private:
  std::string name_;
  std::vector<std::unique_ptr<TCellField>> fields_;
  std::vector<TCell> cells_;
  bool active_ = true;
  bool eof_ = false;
};

// A loaded sub-report at work in the report's runs: binds its parameters when its run
// starts, and fills in its totals when the run ends. Owned by the holding definition.
class TSubReportRun final : private TQRRunObserver {
 public:
  TSubReportRun(TQRCustomReport& report, TReportEnvironment& outer, TQRSubReport& element, TQRSubDetail& run,
                std::unique_ptr<TReportDefinition> inner, std::vector<TQuery*> queries);
  ~TSubReportRun() override;
  TSubReportRun(const TSubReportRun&) = delete;
  TSubReportRun& operator=(const TSubReportRun&) = delete;

  TReportDefinition& Inner() { return *inner_; }
  // Adds the totals' dataset (compiled in the sub-report's names) under the element's name.
  void SetTotals(std::unique_ptr<TSubReportTotals> data, std::vector<std::shared_ptr<const expr::TExpression>> exprs);
  TSubReportTotals* Totals() const { return totals_.get(); }
  // Stops observing the report and lets go of everything that observes it (before the
  // report is destroyed); the sub-report's own sub-reports too.
  void Detach();

 private:
  void RunStarted(TQRCustomReport& report) override;
  void ScopeStarted(const TQRCustomBand& scope) override;
  void ScopeEnded(const TQRCustomBand& scope) override;
  void BindParameters();
  std::string ValueText(const TSubReportBinding& binding) const;

  TQRCustomReport* report_;
  TReportEnvironment& outer_;
  TQRSubReport& element_;
  TQRSubDetail& run_;
  std::unique_ptr<TReportDefinition> inner_;
  std::vector<TQuery*> queries_;
  std::unique_ptr<TSubReportTotals> totals_;
  std::vector<std::shared_ptr<const expr::TExpression>> exprs_;
  int startPage_ = 0;
  int startY_ = 0;
};

}  // namespace oxqr
