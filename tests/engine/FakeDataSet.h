#pragma once
// An in-memory dataset for engine tests: rows of named fields (text unless typed; an empty
// or missing value is null). A detail table (Master/KeyField set) shows only the rows whose
// key equals the master's current key, re-read by First() as a linked table does.
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "data/DataSet.h"
#include "data/DisplayFormat.h"
#include "data/FieldTypes.h"

namespace oxqr::test {

class FakeField final : public TField {
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
  // As the data layer shows its fields: numbers in the display format, currency as
  // currency, dates (written yyyy-mm-dd) in the display format or the default date display.
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

class FakeDataSet final : public TDataSet {
 public:
  using Row = std::map<std::string, std::string>;
  FakeDataSet(std::string name, const std::vector<std::string>& fieldNames, std::vector<Row> rows)
      : name_(std::move(name)), rows_(std::move(rows)) {
    for (const auto& f : fieldNames) AddField(f, TFieldType::ftString);
  }
  // Typed fields.
  FakeDataSet(std::string name, std::initializer_list<std::pair<std::string, TFieldType>> fields, std::vector<Row> rows)
      : name_(std::move(name)), rows_(std::move(rows)) {
    for (const auto& [f, type] : fields) AddField(f, type);
  }
  FakeField& Field(const std::string& name) { return static_cast<FakeField&>(FieldByName(name)); }
  // Makes this a detail of `master`: rows whose `key` equals the master's `key`.
  void LinkTo(FakeDataSet& master, std::string key) {
    master_ = &master;
    key_ = std::move(key);
  }

  int Opens = 0;
  void Open() override {
    active_ = true;
    ++Opens;
  }
  void Close() override { active_ = false; }
  bool Active() const override { return active_; }
  void First() override {
    visible_.clear();
    for (const Row& r : rows_)
      if (master_ == nullptr || r.at(key_) == master_->FieldByName(key_).AsString()) visible_.push_back(&r);
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
  void AddField(const std::string& name, TFieldType type) {
    auto field = std::make_unique<FakeField>();
    field->FieldName = name;
    field->DataType = type;
    fields_.push_back(std::move(field));
  }
  void Load() {
    for (auto& f : fields_)
      f->Value = Eof() ? std::string() : visible_[pos_]->count(f->FieldName) ? visible_[pos_]->at(f->FieldName) : "";
  }
  std::string name_;
  std::vector<Row> rows_;
  std::vector<std::unique_ptr<FakeField>> fields_;
  std::vector<const Row*> visible_;
  std::size_t pos_ = 0;
  bool active_ = false;
  FakeDataSet* master_ = nullptr;
  std::string key_;
};

}  // namespace oxqr::test
