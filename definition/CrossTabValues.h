#pragma once
// TCrossTabValues: the values of a cross-tab over the records of its dataset. Each record
// printed gives a row header and a column header (expressions of the record) and adds its
// value to a total (sum, count, avg, min or max) of its cell, of its row, of its column and
// of the whole table. The values start again with each run and whenever the cross-tab's
// scope (a group or sub-detail band; none: the report) starts.
//
// Headers keep the order of their values: each header sorts by the least value its records
// gave to the first field the header's expression reads (a month's name by the dates it was
// made from), or by its own value when it reads no field; nulls first, equal keys by text.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "definition/ExpressionState.h"
#include "engine/CrossTab.h"

namespace oxqr {

class TCrossTabValues final : public TRecordValues {
 public:
  // Distinct headers a table may have: past them a run fails with a message, rather than
  // exhausting memory for a header that differs on every record.
  static constexpr std::size_t kMaxRows = 100000;
  static constexpr std::size_t kMaxColumns = 1000;
  static constexpr std::size_t kMaxCells = 2000000;

  struct THeaderSource {
    std::shared_ptr<const expr::TExpression> Value;  // the header's text
    std::shared_ptr<const expr::TExpression> Key;    // its sort key (may be the same)
  };
  struct TSources {
    TDataSet* Data = nullptr;  // the records counted
    const TQRCustomBand* Scope = nullptr;
    THeaderSource Rows, Columns;
    expr::TTotal Kind = expr::TTotal::Sum;
    std::shared_ptr<const expr::TNode> Argument;  // nullptr: count(Dataset) counts records
    std::string Format;                           // the values' display mask
    std::string Name;                             // the control's, for messages
  };

  TCrossTabValues() = default;
  void SetSources(TSources sources) { sources_ = std::move(sources); }
  const TSources& Sources() const { return sources_; }

  void StartRun() override { Clear(); }
  void RecordPrinted(const TDataSet& data, expr::TEvalContext& ctx) override;
  void ScopeStarted(const TQRCustomBand& scope) override {
    if (&scope == sources_.Scope) Clear();
  }

  // The table of the records so far, headers in order, values in the format.
  TQRCrossTabTable Table() const;

 private:
  struct TState {
    std::int64_t Records = 0;
    std::int64_t Values = 0;
    expr::TDecimal Sum;
    bool Overflow = false;
    expr::TValue Best;
  };
  struct THeader {
    std::string Text;
    expr::TValue Key;
  };
  void Clear();
  std::size_t HeaderOf(const THeaderSource& source, std::vector<THeader>& headers,
                       std::map<std::string, std::size_t>& index, std::size_t limit, const char* what,
                       expr::TEvalContext& ctx);
  void AddTo(TState& state) const;
  // The total `state` holds, as the table shows it.
  TQRCrossTabValue ValueOf(const TState& state) const;
  // Header indexes in their order.
  static std::vector<std::size_t> Order(const std::vector<THeader>& headers);

  TSources sources_;
  std::vector<THeader> rows_, columns_;
  std::map<std::string, std::size_t> rowIndex_, columnIndex_;
  std::map<std::pair<std::size_t, std::size_t>, TState> cells_;
  std::vector<TState> rowTotals_, columnTotals_;
  TState grand_;
  expr::TValue value_, text_, key_;  // scratch
};

}  // namespace oxqr
