#pragma once
// A dataset of one record with one field of a fixed value and type, for text controls bound
// to a database field.
#include <cstdint>
#include <string>
#include <vector>

#include "data/DataSet.h"

namespace oxqr::testing {

class TValueField final : public TField {
 public:
  double Value = 0;
  std::string Display;
  bool IsNull() const override { return false; }
  std::string AsString() const override { return Display; }
  double AsFloat() const override { return Value; }
  std::int64_t AsInteger() const override { return static_cast<std::int64_t>(Value); }
  bool AsBoolean() const override { return Value != 0; }
  std::string AsBytes() const override { return Display; }
  std::string DisplayText() const override { return Display; }
};

class TOneFieldDataSet final : public TDataSet {
 public:
  TValueField Field;
  void Open() override {}
  void Close() override {}
  bool Active() const override { return true; }
  void First() override {}
  void Next() override {}
  bool Eof() const override { return false; }
  bool IsEmpty() const override { return false; }
  int RecordCount() const override { return 1; }
  TField* FindField(const std::string& name) override { return name == Field.FieldName ? &Field : nullptr; }
  std::vector<TField*> Fields() override { return {&Field}; }
  std::string Name() const override { return "Values"; }
};

}  // namespace oxqr::testing
