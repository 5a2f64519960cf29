#pragma once
// In-memory datasets with typed fields for the token text tests: a table of rows of text
// values (an empty value is null) shown as the data layer shows its fields: numbers with
// the display format, currency as currency, dates (written yyyy-mm-dd) in the default
// date display. A detail (LinkTo) shows the rows whose key equals the master's.
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "data/DataSet.h"
#include "data/DisplayFormat.h"
#include "data/FieldTypes.h"

namespace oxqr::test {

class MemoryField final : public TField {
 public:
  std::string Value;
  bool IsNull() const override { return Value.empty(); }
  std::string AsString() const override { return Value; }
  double AsFloat() const override {
    if (IsDateType(DataType))
      if (auto dt = ParseIsoDateTime(Value)) return DateTimeToSerial(*dt);
    return std::strtod(Value.c_str(), nullptr);
  }
  std::int64_t AsInteger() const override { return std::strtoll(Value.c_str(), nullptr, 10); }
  bool AsBoolean() const override { return Value == "1"; }
  std::string AsBytes() const override { return Value; }
  std::string DisplayText() const override {
    if (IsNull()) return {};
    if (IsDateType(DataType))
      if (auto dt = ParseIsoDateTime(Value))
        return FormatDateTime(DisplayFormat.empty() ? kDefaultDateFormat : DisplayFormat, *dt);
    if (IsNumericType(DataType) && !DisplayFormat.empty()) return FormatFloat(DisplayFormat, AsFloat());
    if (DataType == TFieldType::ftCurrency) return FormatCurrency(AsFloat());
    return Value;
  }
};

class MemoryDataSet final : public TDataSet {
 public:
  using Row = std::vector<std::string>;
  MemoryDataSet(std::string name, std::vector<std::pair<std::string, TFieldType>> fields, std::vector<Row> rows)
      : name_(std::move(name)), rows_(std::move(rows)) {
    for (auto& [fieldName, type] : fields) {
      auto f = std::make_unique<MemoryField>();
      f->FieldName = fieldName;
      f->DataType = type;
      fields_.push_back(std::move(f));
    }
  }
  // Rows whose field `key` equals the master's field `key`.
  void LinkTo(MemoryDataSet& master, std::string key) {
    master_ = &master;
    key_ = std::move(key);
  }
  MemoryField& Field(const std::string& name) { return static_cast<MemoryField&>(FieldByName(name)); }

  void Open() override { active_ = true; }
  void Close() override { active_ = false; }
  bool Active() const override { return active_; }
  void First() override {
    visible_.clear();
    const std::size_t k = master_ != nullptr ? Index(key_) : 0;
    for (const Row& r : rows_)
      if (master_ == nullptr || r[k] == master_->FieldByName(key_).AsString()) visible_.push_back(&r);
    pos_ = 0;
    Load();
  }
  void Next() override {
    if (pos_ < visible_.size()) ++pos_;
    Load();
  }
  bool Eof() const override { return pos_ >= visible_.size(); }
  bool IsEmpty() const override { return visible_.empty(); }
  int RecordCount() const override { return static_cast<int>(visible_.size()); }
  TField* FindField(const std::string& name) override {
    for (auto& f : fields_)
      if (f->FieldName == name) return f.get();
    return nullptr;
  }
  std::vector<TField*> Fields() override {
    std::vector<TField*> out;
    for (auto& f : fields_) out.push_back(f.get());
    return out;
  }
  std::string Name() const override { return name_; }

 private:
  std::size_t Index(const std::string& field) const {
    for (std::size_t i = 0; i < fields_.size(); ++i)
      if (fields_[i]->FieldName == field) return i;
    return 0;
  }
  void Load() {
    for (std::size_t i = 0; i < fields_.size(); ++i) fields_[i]->Value = Eof() ? std::string() : (*visible_[pos_])[i];
  }
  std::string name_;
  std::vector<Row> rows_;
  std::vector<std::unique_ptr<MemoryField>> fields_;
  std::vector<const Row*> visible_;
  std::size_t pos_ = 0;
  bool active_ = false;
  MemoryDataSet* master_ = nullptr;
  std::string key_;
};

}  // namespace oxqr::test
