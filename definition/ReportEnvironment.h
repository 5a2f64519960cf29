#pragma once
// TReportEnvironment: what the token text of one report refers to (its datasets by name,
// its typed parameters, its title) and the state behind the values a text prints: totals
// per group or over the report, and values printed before they are known (deferred).
//
// Deferred values: {pages} anywhere; an aggregate in the header band of its own scope
// (a total in a group header); an aggregate over the report in the title, page header,
// column header or a group header. In the preview run such a text prints what is known
// at the time and, when the run ends, its drawing on the stored page is replaced by the
// final text (aligned as if it had been known). An export run takes the values the last
// preview run found. A report that holds deferred values gets NeedsPreviewRun = true.
// Anywhere else an aggregate prints its running value (a group footer shows its group's
// total, a page footer the total so far).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "TokenText.h"
#include "data/DisplayFormat.h"
#include "engine/RunObserver.h"

namespace oxqr {

class TDataSet;
class TField;
class TQRCustomReport;
class TQRPrintable;
class TQRSubDetail;

enum class TParamType : std::uint8_t { String, Integer, Float, Date, Boolean };
using TParamValue = std::variant<std::string, std::int64_t, double, TDateTimeParts, bool>;

// A parameter's value that is missing, unknown or not of the parameter's type.
class TParamError : public EOxQRError {
 public:
  using EOxQRError::EOxQRError;
};

// "string", "integer", "float", "date", "boolean", and back (nullopt for another name).
std::string_view ParamTypeName(TParamType type);
std::optional<TParamType> ParamTypeFromName(std::string_view name);
// Parses the text of a value (a command line's NAME=VALUE, a definition's default) into
// `type`: integers as decimal digits with a sign, floats with '.' as decimal point, dates
// as yyyy-mm-dd, booleans as true/false, yes/no or 1/0 (any case); strings as they are.
// Throws TParamError ("expected a date as yyyy-mm-dd, got '12/31/2024'").
TParamValue ParseParamValue(TParamType type, std::string_view text);
// The value in the form ParseParamValue reads (for writing definitions).
std::string ParamValueText(const TParamValue& value);

struct TReportParameter {
  std::string Name;
  TParamType Type = TParamType::String;
  std::optional<TParamValue> Value;  // the default until set; nullopt: no value yet
  // The value as {param:Name} prints it: dates in the default date display, floats as
  // FloatToStr, booleans True/False; empty without a value.
  std::string DisplayText() const;
};

// A control whose printed data is token text (the token label, a barcode's data): the
// environment finds these controls in the report's bands to check their text and keep
// the totals they print.
class TTokenTextOwner {
 public:
  virtual ~TTokenTextOwner() = default;
  // The control's parsed text; throws TTokenError when it does not parse.
  virtual const TTokenText& TokenText() const = 0;
};

namespace detail {
class TEnvironmentState;
}

// One environment per report; it observes the report's runs from construction to
// destruction, so it must be destroyed before the report.
class TReportEnvironment final : private TQRRunObserver {
 public:
  explicit TReportEnvironment(TQRCustomReport& report);
  ~TReportEnvironment() override;
  TReportEnvironment(const TReportEnvironment&) = delete;
  TReportEnvironment& operator=(const TReportEnvironment&) = delete;

  TQRCustomReport& Report() const { return report_; }
  // The report's title ({title}).
  const std::string& Title() const;

  // The bands whose text this environment holds; every band of the report unless set. A
  // report that holds sub-reports shares its bands with their environments, each of which
  // checks and binds only its own.
  void SetBands(std::vector<const TQRCustomBand*> bands);
  bool Holds(const TQRCustomBand& band) const;
  // A sub-report's environment: its totals without a group count one run of the sub-report
  // (`run`, the band that prints its records, a scope of its own) instead of the whole
  // report, and {title} prints `title`.
  void SetRunScope(const TQRSubDetail* run, std::string title);
  const TQRSubDetail* RunScope() const { return runScope_; }
  // The dataset whose records `line` and totals without a dataset count: the run's, or the
  // report's.
  TDataSet* MainDataSet() const;

  // Datasets by name (names compare without regard to case). Throws std::invalid_argument
  // for an empty or duplicate name.
  void AddDataSet(const std::string& name, TDataSet& data);
  TDataSet* FindDataSet(std::string_view name) const;
  // The name `data` was added under; empty when it was not.
  std::string DataSetName(const TDataSet& data) const;
  std::vector<std::string> DataSetNames() const;

  // Parameters (names compare without regard to case). AddParameter throws
  // std::invalid_argument for an empty or duplicate name, or a value of another type.
  TReportParameter& AddParameter(const std::string& name, TParamType type, std::optional<TParamValue> value = {});
  // Sets a parameter from text (see ParseParamValue). Throws TParamError naming the
  // parameter: "unknown parameter 'Regoin' (parameters: Region, Since)" or
  // "parameter Since: expected a date as yyyy-mm-dd, got 'yesterday'".
  void SetParameter(std::string_view name, std::string_view text);
  TReportParameter* FindParameter(std::string_view name);
  const TReportParameter* FindParameter(std::string_view name) const;
  std::vector<const TReportParameter*> Parameters() const;
  // Names of the parameters without a value (in the order they were added).
  std::vector<std::string> MissingParameters() const;

  // Checks the names in `text` against the environment: datasets, their fields (a dataset
  // that is not open is opened to learn them), parameters, the scope band of an aggregate
  // (a group or sub-detail band of the report named so) and that sum/avg have a numeric
  // field and an explicit format a number or date to format. Throws TTokenError at the
  // first fault with the offset of the name. `control` is the control that prints the text
  // (the names are checked the same with or without it).
  void Validate(const TTokenText& text, const TQRPrintable* control = nullptr) const;
  // Validates the text of every TTokenTextOwner control of the report's bands, prepares
  // the aggregates they use and sets the report's NeedsPreviewRun when a value is
  // deferred. A fault throws TTokenError whose message starts with the control's name.
  // Runs again when a run starts; call it after building a report to learn
  // NeedsPreviewRun before the first run.
  void Bind();

  // The text `text` prints now for `control` (nullptr: a text outside the report's
  // bands, which cannot use aggregates). Unknown names print as empty text; deferred
  // values print the known value (see above).
  std::string Evaluate(const TTokenText& text, const TQRPrintable* control = nullptr);

  // What the expressions of the last run counted instead of stopping it (divisions by zero,
  // numbers out of range, texts that were not numbers): each gave an empty value.
  const expr::TEvalCounters& ExpressionCounters() const;

  // Internal state shared with the token controls.
  detail::TEnvironmentState& State() { return *state_; }

 private:
  // Compiles an expression part once; throws TExpressionFaults.
  void ValidateExpression(const TTokenPart& part, const TQRPrintable* control) const;
  void RunStarted(TQRCustomReport& report) override;
  void RecordPrinted(const TQRCustomBand* band, TDataSet& data) override;
  void ScopeStarted(const TQRCustomBand& scope) override;
  void ScopeEnded(const TQRCustomBand& scope) override;
  void RunFinished(TQRCustomReport& report) override;

  TQRCustomReport& report_;
  std::vector<const TQRCustomBand*> bands_;
  bool allBands_ = true;
  const TQRSubDetail* runScope_ = nullptr;
  std::string runTitle_;
  std::vector<std::pair<std::string, TDataSet*>> dataSets_;
  std::vector<std::unique_ptr<TReportParameter>> parameters_;
  std::unique_ptr<detail::TEnvironmentState> state_;
};

}  // namespace oxqr
