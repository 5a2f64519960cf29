#pragma once
// Any dataset with calculated fields added: it passes every call to the dataset it wraps,
// counts the moves of its cursor (so that a calculated field knows when to evaluate again),
// and offers its calculated fields after the dataset's own, by name and in Fields().
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/DataSet.h"
#include "expression/CalcField.h"

namespace oxqr::expr {

class TCalcDataSet final : public TDataSet {
 public:
  explicit TCalcDataSet(std::unique_ptr<TDataSet> inner);

  TDataSet& Inner() { return *inner_; }
  const TDataSet& Inner() const { return *inner_; }
  // Adds a calculated field after the others; its expression may read those before it.
  TCalcField& AddCalc(std::string name, std::shared_ptr<const TExpression> expression, TEvalContext context);
  const std::vector<std::unique_ptr<TCalcField>>& Calcs() const { return calcs_; }
  // The wrapped dataset follows a master's records: its record can change without a move here.
  void FollowsMaster() { clock_.FollowsMaster = true; }

  void Open() override;
  void Close() override;
  bool Active() const override { return inner_->Active(); }
  void First() override;
  void Next() override;
  bool Eof() const override { return inner_->Eof(); }
  bool IsEmpty() const override { return inner_->IsEmpty(); }
  int RecordCount() const override { return inner_->RecordCount(); }
  TField* FindField(const std::string& name) override;
  std::vector<TField*> Fields() override;
  std::string Name() const override { return inner_->Name(); }
  std::string Source() const override { return inner_->Source(); }
  TDataSet* Records() override { return inner_->Records(); }

 private:
  std::unique_ptr<TDataSet> inner_;
  std::vector<std::unique_ptr<TCalcField>> calcs_;
  TRecordClock clock_;  // counts moves; a calculated field evaluates again after one
};

}  // namespace oxqr::expr
