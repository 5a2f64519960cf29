#pragma once
// A dataset that shows another dataset's records side by side, `perRow` to a record: the
// source's field F of the k-th record of a row is field "F<k>" (k from 1), and so is each
// computed column. It reads the source's display texts when opened; the last row's
// missing records are empty texts.
// Label sheets print several labels across a page with one detail band this way.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/DataSet.h"

namespace oxqr {

class TRecordRows final : public TDataSet {
 public:
  // A column made from the source's current record.
  struct TComputed {
    std::string Name;
    std::function<std::string(TDataSet& source)> Text;
  };
  TRecordRows(TDataSet& source, int perRow, std::vector<TComputed> computed = {});
  ~TRecordRows() override;

  void Open() override;
  void Close() override;
  bool Active() const override { return active_; }
  void First() override { row_ = 0; }
  void Next() override;
  bool Eof() const override { return row_ >= rows_.size(); }
  bool IsEmpty() const override { return rows_.empty(); }
  int RecordCount() const override { return static_cast<int>(rows_.size()); }
  TField* FindField(const std::string& name) override;
  std::vector<TField*> Fields() override;
  std::string Name() const override { return source_.Name(); }

 private:
  class TRowField;
  TDataSet& source_;
  int perRow_;
  std::vector<TComputed> computed_;
  bool active_ = false;
  std::size_t row_ = 0;
  std::vector<std::vector<std::string>> rows_;  // per row: the texts in field order
  std::vector<std::unique_ptr<TRowField>> fields_;
};

}  // namespace oxqr
