#pragma once
// TAggregate: one sum, count, min, max or avg over a field of a dataset, accumulated per
// record as the band of that dataset prints and reset whenever its scope (a group or
// sub-detail band, or the whole report) starts. It keeps the value of every finished
// instance of its scope in this run and those of the last preview run, so that a value
// printed before its data can be filled in afterwards.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ScopeInstances.h"
#include "TokenText.h"
#include "data/DataSet.h"

namespace oxqr {

class TQRCustomBand;

class TAggregate {
 public:
  // The accumulated state; Text formats it.
  struct TState {
    std::int64_t Records = 0;  // records seen (count(DataSet))
    std::int64_t Values = 0;   // non-empty values seen
    double Sum = 0;
    double Key = 0;       // min/max of a number or date
    std::string TextKey;  // min/max of text
    std::string Display;  // the field's display text of the min/max record
  };

  // `field` empty: count(DataSet) counts records. `scope` nullptr: the whole report.
  TAggregate(TAggregateFunction function, TDataSet& data, std::string field, const TQRCustomBand* scope);

  TAggregateFunction Function() const { return function_; }
  TDataSet& Data() const { return data_; }
  const std::string& Field() const { return field_; }
  const TQRCustomBand* Scope() const { return scope_; }
  bool Matches(TAggregateFunction function, const TDataSet& data, const std::string& field,
               const TQRCustomBand* scope) const;

  // A run starts: no instance yet (the report's instance 0 for a report-wide aggregate).
  void StartRun();
  // The scope starts a new instance: the value starts again.
  void StartInstance() { states_.StartInstance(); }
  // The scope's instance ends: its value is kept.
  void EndInstance() { states_.EndInstance(); }
  // The run ended: the last instance is kept (when it did not end) and, after a preview
  // run, the values become the preview's.
  void FinishRun(bool previewRun) { states_.FinishRun(previewRun); }
  // Adds the data's current record.
  void Add();

  // Index of the current instance of the scope (0-based).
  std::size_t Instance() const { return states_.Instance(); }
  // The running value as text, in `format` when not empty, else the field's display.
  std::string Text(const std::string& format) const { return Text(states_.Current(), format); }
  // The value instance `i` ended with in this run, or nullptr when it has not ended.
  const TState* Final(std::size_t i) const { return states_.Final(i); }
  // The value instance `i` had in the last preview run, or nullptr.
  const TState* PreviewFinal(std::size_t i) const { return states_.PreviewFinal(i); }
  std::string Text(const TState& state, const std::string& format) const;

 private:
  // The field (nullptr for count(DataSet) or a missing field); learns its type and format.
  TField* FieldOf() const;
  std::string FormatNumber(double value, const std::string& format, bool integral) const;

  TAggregateFunction function_;
  TDataSet& data_;
  std::string field_;
  const TQRCustomBand* scope_;
  mutable TField* fieldCache_ = nullptr;  // looked up again in each run
  mutable TFieldType type_ = TFieldType::ftUnknown;
  mutable std::string displayFormat_;
  TScopeInstances<TState> states_;
};

}  // namespace oxqr
