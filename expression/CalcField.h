#pragma once
// A calculated field: a field whose value an expression computes from the record's other
// fields. It is evaluated once per record, when first read, and kept until the dataset moves
// (the dataset's record number changes); reading it again allocates nothing.
#include <cstdint>
#include <memory>
#include <string>

#include "data/DataSet.h"
#include "expression/Compiled.h"

namespace oxqr::expr {

class TCalcField final : public TField {
 public:
  // `expression` null: a field whose expression failed to compile (always null, typed as
  // text). `record` is the dataset's record number, read to know when to evaluate again.
  TCalcField(std::string name, std::shared_ptr<const TExpression> expression, const std::uint64_t& record,
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
  const std::uint64_t& record_;
  mutable TEvalContext context_;
  mutable TValue value_;
  mutable std::uint64_t evaluatedFor_ = ~std::uint64_t{0};
};

}  // namespace oxqr::expr
