#pragma once
// The type checker: turns a parse tree into a compiled expression, resolving its names
// through a scope and checking every operator and call against the types of its operands.
// It reports every fault it finds (up to kMaxFaults), each at the character it concerns.
//
// Names: Dataset.Field, param.Name, and the bare names the scope knows (page, pages, line,
// groupline); true, false and null. Totals: sum, avg, min, max, count and runningsum of an
// expression with an optional group band name last (sum(Orders.AmountPaid, ByCustomer));
// count(Dataset) counts records; min and max of two or more values are the least and the
// greatest of them.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "expression/Compiled.h"
#include "expression/Fault.h"
#include "expression/Nodes.h"

namespace oxqr {
class TDataSet;
class TField;
}  // namespace oxqr

namespace oxqr::expr {

enum class TTotal : std::uint8_t { Sum, Count, Min, Max, Avg, RunningSum };
std::string_view TotalName(TTotal total);

// A total the scope is asked to keep.
struct TTotalRequest {
  TTotal Kind = TTotal::Sum;
  TNodePtr Argument;                // nullptr for count(Dataset)
  std::vector<TDataSet*> Reads;     // the datasets the argument reads (or the one counted)
  std::string Group;                // empty: over the report
  std::size_t GroupOffset = 0;      // in the expression, for the scope's fault
};

// What a scope answers: a node, or nothing and a message (at `FaultOffset` when set, else at
// the name).
struct TFieldAnswer {
  TDataSet* Data = nullptr;
  TField* Field = nullptr;
  std::string Message;     // when Field is null
  bool AtDataSet = false;  // the fault is in the dataset's name
  // A leaf of the scope's own that reads the field (e.g. as the last record printed had
  // it); null: the field of the current record.
  TNodePtr Node;
};

class TNameScope {
 public:
  virtual ~TNameScope() = default;
  virtual TFieldAnswer Field(std::string_view dataSet, std::string_view field) = 0;
  virtual TNodePtr Parameter(std::string_view name, std::string& message) = 0;
  // A bare name (page, pages, line, groupline, ...); nullptr with a message when unknown.
  virtual TNodePtr Variable(std::string_view name, std::string& message) = 0;
  // The dataset of that name, for count(Dataset); nullptr when there is none.
  virtual TDataSet* DataSet(std::string_view name) = 0;
  // A total; nullptr with a message (and `atGroup` when the group is at fault).
  virtual TNodePtr Total(TTotalRequest request, std::string& message, bool& atGroup) = 0;
};

struct TCompiled {
  std::unique_ptr<TExpression> Expression;  // null when there are faults
  TFaults Faults;
};

// Parses and checks `source`. `wanted` (when not Null) is the type the place needs, e.g.
// Boolean for a condition: another type is a fault.
TCompiled Compile(std::string_view source, TNameScope& scope, TType wanted = TType::Null);

}  // namespace oxqr::expr
