#pragma once
// The compiled form of an expression: a tree of typed nodes built once by the checker and
// evaluated for each record. Every node owns a scratch value for its operands, so that an
// evaluation reuses the same storage each time and allocates nothing for numbers, dates and
// booleans (texts reuse their buffers once grown).
//
// Values known only after a run (the page count, a total printed before its records) are
// leaves that say so (Deferred). A preview run evaluates an expression holding them with a
// tape: every leaf's value is recorded, so that the expression can be evaluated again when
// the run ends with the same field values and the final totals.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "expression/Value.h"

namespace oxqr::expr {

class TNode;

// What evaluating left behind: faults counted instead of stopping the report.
struct TEvalCounters {
  std::int64_t DivisionsByZero = 0;
  std::int64_t OutOfRange = 0;  // a number too large, a date out of the calendar
  std::int64_t NotANumber = 0;  // number('abc')
};

struct TTapeEntry {
  const TNode* Leaf = nullptr;
  std::int64_t Key = 0;  // a deferred leaf's instance
  TValue Value;
};
using TTape = std::vector<TTapeEntry>;

struct TEvalContext {
  TEvalCounters* Counters = nullptr;  // may be null
  TTape* Tape = nullptr;              // recording or replaying leaves; null: live
  bool Replay = false;
  void Count(std::int64_t TEvalCounters::*what) const {
    if (Counters != nullptr) ++(Counters->*what);
  }
};

class TNode {
 public:
  explicit TNode(TType type) : type_(type) {}
  virtual ~TNode() = default;
  TNode(const TNode&) = delete;
  TNode& operator=(const TNode&) = delete;
  TType Type() const { return type_; }
  virtual void Eval(TValue& out, TEvalContext& ctx) const = 0;
  // Whether this node or one below it is deferred.
  virtual bool Deferred() const { return false; }

 private:
  TType type_;
};

// A value from outside the expression: a field, a parameter, a report variable, a total.
class TLeafNode : public TNode {
 public:
  using TNode::TNode;
  void Eval(TValue& out, TEvalContext& ctx) const final;
  // The value now.
  virtual void Read(TValue& out, TEvalContext& ctx) const = 0;
  // A deferred leaf: which of its values it read (recorded on the tape), and the final
  // value for that key once the run has ended.
  virtual std::int64_t Key() const { return 0; }
  virtual void ReadFinal(TValue& out, std::int64_t /*key*/) const { out.SetNull(Type()); }
};

// A compiled expression with its source.
class TExpression {
 public:
  TExpression(std::string source, std::unique_ptr<TNode> root);
  ~TExpression();
  const std::string& Source() const { return source_; }
  TType Type() const { return root_->Type(); }
  bool Deferred() const { return root_->Deferred(); }
  // Evaluates into `out` (kept by the caller to reuse its storage).
  void Evaluate(TValue& out, TEvalContext& ctx) const { root_->Eval(out, ctx); }
  // Whether a condition holds: true only for a non-null true.
  bool Holds(TEvalContext& ctx) const;

 private:
  std::string source_;
  std::unique_ptr<TNode> root_;
  mutable TValue scratch_;
};

}  // namespace oxqr::expr
