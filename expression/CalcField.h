#pragma once
// A calculated field: a field whose value an expression computes from the record's other
// fields. It is evaluated once per record, when first read, and kept until the dataset moves;
// reading it again allocates nothing. A detail that follows its master's records moves
// without being told, so its calculated fields are evaluated on every read.
#include <cstdint>
#include <memory>
#include <string>

#include "data/DataSet.h"
#include "expression/Compiled.h"

namespace oxqr::expr {

// What a calculated field knows of its dataset's cursor: how often it moved, and whether it
// also moves unseen (a detail following its master's records).
struct TRecordClock {
  std::uint64_t Moves = 0;
  bool FollowsMaster = false;
};

class TCalcField final : public TField {
 public:
  // `expression` null: a field whose expression failed to compile (always null, typed as
  // text). `clock` tells when to evaluate again: after a move, or on every read of a detail.
  TCalcField(std::string name, std::shared_ptr<const TExpression> expression, const TRecordClock& clock,
             TEvalContext context);

  const TExpression* Expression() const { return expression_.get(); }
  TType ValueType() const { return expression_ ? expression_->Type() : TType::Text; }
  // The value for the current record.
  const TValue& Value() const;

  bool IsNull() const override { return Value().Null; }
  std::string AsString() const override;
  double AsFloat() const override;
  std::int64_t AsInteger() const override;
  bool AsBoolean() const override;
  std::string AsBytes() const override { return AsString(); }
  std::string DisplayText() const override;

 private:
  std::shared_ptr<const TExpression> expression_;
  const TRecordClock& clock_;
  mutable TEvalContext context_;
  mutable TValue value_;
  mutable std::uint64_t evaluatedFor_ = ~std::uint64_t{0};
};

}  // namespace oxqr::expr
