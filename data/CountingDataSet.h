#pragma once
// A dataset of `count` records without fields: drives a detail band a fixed number of
// times (generated reports, tests and benchmarks).
#include <string>
#include <vector>

#include "DataSet.h"

namespace oxqr {

class TCountingDataSet final : public TDataSet {
 public:
  explicit TCountingDataSet(int count) : count_(count) {}
  void Open() override { active_ = true; }
  void Close() override { active_ = false; }
  bool Active() const override { return active_; }
  void First() override { pos_ = 0; }
  void Next() override { ++pos_; }
  bool Eof() const override { return pos_ >= count_; }
  bool IsEmpty() const override { return count_ == 0; }
  int RecordCount() const override { return count_; }
  TField* FindField(const std::string&) override { return nullptr; }
  std::vector<TField*> Fields() override { return {}; }
  std::string Name() const override { return "Counter"; }

 private:
  int count_;
  int pos_ = 0;
  bool active_ = false;
};

}  // namespace oxqr
