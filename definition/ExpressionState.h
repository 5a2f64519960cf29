#pragma once
// The report's side of expressions: the names an expression of a definition may use
// (Dataset.Field, param.Name, page, pages, line, groupline, totals over groups) and the
// state behind them through a run (record numbers, totals, the page count). Internal to
// the definition layer; owned by the environment's state.
//
//   line       the record's number in its band: the detail band's records over the report,
//              a sub-detail band's records for its master's record
//   groupline  the detail record's number inside the innermost group that started last
//   page       the page being printed; pages: the report's page count (deferred)
#include "engine/PageNumbers.h"
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "definition/ExpressionTotals.h"
#include "definition/RecordListener.h"
#include "expression/Checker.h"

namespace oxqr {

class TQRCustomBand;
class TQRPrintable;
class TReportEnvironment;

// Values a control keeps over the records of a run (a cross-tab's cells), told of the run
// as the totals are: not owned, it outlives the state (the report's controls do).
class TRecordValues {
 public:
  virtual ~TRecordValues() = default;
  virtual void StartRun() = 0;
  // A record of `data` printed (after the totals took it).
  virtual void RecordPrinted(const TDataSet& data, expr::TEvalContext& ctx) = 0;
  virtual void ScopeStarted(const TQRCustomBand& scope) = 0;
};

class TExpressionState {
 public:
  explicit TExpressionState(TReportEnvironment& env);
  ~TExpressionState();

  // Compiles `source` for a place of the report: text of `control`, or a condition or
  // style of `control` or of `band` (either may be null). `wanted`: see expr::Compile.
  expr::TCompiled Compile(std::string_view source, const TQRPrintable* control, const TQRCustomBand* band,
                          expr::TType wanted = expr::TType::Null);

  // The names of the report as a place outside any band sees them (calculated fields).
  std::unique_ptr<expr::TNameScope> Scope();

  expr::TEvalContext Context() { return {&counters_, nullptr, false}; }
  const expr::TEvalCounters& Counters() const { return counters_; }

  void StartRun(bool preview);
  void RecordPrinted(const TDataSet& data);
  void ScopeStarted(const TQRCustomBand& scope);
  void ScopeEnded(const TQRCustomBand& scope);
  void FinishRun(int pages, bool preview);

  // For the leaves.
  TReportEnvironment& Environment() const { return env_; }
  std::int64_t Line(const TDataSet* data) const;
  std::int64_t GroupLine() const { return groupLine_; }
  // The number the page being printed prints (counted from its group's first page where
  // groups restart the numbering).
  int PageNow() const;
  // The page count as known now: the last preview run's in an export run (of the pages of
  // the current page's group where groups restart the numbering).
  int PagesNow() const;
  // The final page count of the pages numbered with page `page` of the run that ended.
  int FinalPagesOf(int page) const;
  // The page of the run being printed, counted over the whole run.
  int PrintingPage() const;
  bool Exporting() const;
  TExpressionTotal& AddTotal(expr::TTotal kind, expr::TNodePtr argument, TDataSet& data, const TQRCustomBand* scope);
  void AddRecordValues(TRecordValues& values) { recordValues_.push_back(&values); }
  // Follows the records of `listener`'s dataset and its scope from now on.
  TRecordListener& AddListener(std::unique_ptr<TRecordListener> listener);
  // A leaf reading `field` as the last record of `data` printed had it (for bands printed
  // after their records).
  expr::TNodePtr LastPrinted(TDataSet& data, TField& field);

 private:
  TReportEnvironment& env_;
  expr::TEvalCounters counters_;
  std::vector<std::unique_ptr<TExpressionTotal>> totals_;
  std::vector<TRecordValues*> recordValues_;
  std::vector<std::unique_ptr<TRecordListener>> listeners_;
  std::map<const TDataSet*, std::int64_t> lines_;
  struct TSnapshot {
    const TDataSet* Data = nullptr;
    expr::TNodePtr Live;
    expr::TValue Value;
  };
  std::vector<std::unique_ptr<TSnapshot>> snapshots_;
  std::int64_t groupLine_ = 0;
  int previewPages_ = 0;
  int finalPages_ = 0;
  TQRPageNumbers previewNumbers_;  // of the last preview run
  TQRPageNumbers finalNumbers_;    // of the run that ended last
  bool running_ = false;
};

}  // namespace oxqr
