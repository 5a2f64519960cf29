#pragma once
// The state behind a TReportEnvironment: the aggregates of its report, the evaluation of
// token text and the drawings of deferred values waiting for the end of a preview run.
// Internal to the definition layer (the token controls use it).
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Aggregates.h"
#include "ExpressionState.h"
#include "TokenText.h"
#include "platform/Metafile.h"

namespace oxqr {

class TQRCustomBand;
class TQRPrintable;
class TQRPrinter;
class TReportEnvironment;

namespace detail {

// A part of a text that waits for a value known later: the page count (Aggregate
// nullptr) or the value an aggregate's instance ends with.
struct TDeferredRef {
  std::size_t Part = 0;
  TAggregate* Aggregate = nullptr;
  std::size_t Instance = 0;
  std::string Format;
  // An expression: its leaves as they were read, to evaluate it again with the final values.
  const expr::TExpression* Expression = nullptr;
  std::shared_ptr<expr::TTape> Tape;
};

// One evaluation of a text: the text of each part and the parts that are deferred.
struct TEvaluation {
  std::vector<std::string> Parts;
  std::vector<TDeferredRef> Deferred;
  std::string Joined() const;
};

// A text with deferred values as drawn on a page of the preview run.
struct TDeferredDraw {
  int Page = 0;
  std::size_t Begin = 0;             // index of its first record when it was drawn
  std::vector<TMetaRecord> Records;  // what it drew
  TEvaluation Evaluation;
  // Draws the final text in place of the records (same position, lines and box rules).
  std::function<std::vector<TMetaRecord>(const std::string& text)> Redraw;
};

class TEnvironmentState {
 public:
  explicit TEnvironmentState(TReportEnvironment& env);
  ~TEnvironmentState();
  // Names, totals and record numbers of expressions.
  TExpressionState& Expressions() { return *expressions_; }

  // The aggregate for `part` placed at `control` (created by Bind), or nullptr.
  TAggregate* AggregateOf(const TTokenPart& part, const TQRPrintable* control) const;
  TAggregate& AddAggregate(const TTokenPart& part, const TQRPrintable* control);
  // The group or sub-detail band named `name` in the report, or nullptr.
  const TQRCustomBand* FindScope(const std::string& name) const;
  // Whether `part` printed by `control` shows a value known only later.
  bool IsDeferred(const TTokenPart& part, const TQRPrintable* control) const;

  // Notes a field token of `control`: in a band printed after its records (a group or
  // sub-detail footer, the summary) the data has already moved on to the next record or
  // past the last, so such a token prints the field as the last record printed had it.
  void AddFieldUse(const TTokenPart& part, const TQRPrintable* control);

  TEvaluation Evaluate(const TTokenText& text, const TQRPrintable* control) const;
  // Whether `control` prints in a band printed after its records (a group or sub-detail
  // footer, the summary), when the data has moved past them.
  bool InClosingBand(const TQRPrintable* control) const;
  // True while a preview run is in progress: deferred drawings are recorded.
  bool PreviewRunning() const { return running_ && preview_; }
  void AddDraw(TDeferredDraw draw) { draws_.push_back(std::move(draw)); }

  void StartRun(bool preview);
  void RecordPrinted(const TDataSet& data);
  void ScopeStarted(const TQRCustomBand& scope);
  void ScopeEnded(const TQRCustomBand& scope);
  // Keeps the run's final values and, after a preview run, redraws the deferred values on
  // the pages of `printer`.
  void FinishRun(TQRPrinter& printer);

 private:
  std::string PartText(const TTokenPart& part, const TQRPrintable* control) const;
  // The final text of `ref` drawn on page `page` of the run.
  std::string FinalText(const TDeferredRef& ref, int page) const;
  // An expression part's text, its leaves recorded on `tape` when not null.
  std::string ExpressionText(const TTokenPart& part, expr::TTape* tape) const;
  void ResolveDraws(TQRPrinter& printer);
  void Splice(TMetafile& page, const TDeferredDraw& draw) const;

  // A field a closing band prints, with its text at the last record printed.
  struct TClosingField {
    TDataSet* Data = nullptr;
    std::string Field;
    std::string Format;
    std::string Text;
  };
  const TClosingField* ClosingFieldOf(const TTokenPart& part) const;

  TReportEnvironment& env_;
  std::vector<std::unique_ptr<TAggregate>> aggregates_;
  std::vector<TClosingField> closingFields_;
  std::vector<TDeferredDraw> draws_;
  std::unique_ptr<TExpressionState> expressions_;
  mutable expr::TValue value_;  // scratch of expression parts
  int previewPages_ = 0;  // page count of the last preview run; 0 before one
  int finalPages_ = 0;    // page count of the run that just ended
  bool running_ = false;
  bool preview_ = false;
};

}  // namespace detail
}  // namespace oxqr
