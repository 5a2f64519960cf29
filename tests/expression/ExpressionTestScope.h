#pragma once
// A scope for expression tests: one dataset "Orders" of one record held in memory, the
// parameters Region (text) and Rate (number), the variables page and pages (pages is
// deferred: 3 while running, 7 at the end) and a group band ByMonth.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/DataSet.h"
#include "expression/Checker.h"
#include "expression/Suggest.h"

namespace oxqr::expr::test {

class TMemoryField final : public TField {
 public:
  TMemoryField(std::string name, TFieldType type, std::string text, double number = 0, bool null = false)
      : text_(std::move(text)), number_(number), null_(null) {
    FieldName = std::move(name);
    DataType = type;
  }
  bool IsNull() const override { return null_; }
  std::string AsString() const override { return text_; }
  double AsFloat() const override { return number_; }
  std::int64_t AsInteger() const override { return static_cast<std::int64_t>(number_); }
  bool AsBoolean() const override { return number_ != 0; }
  std::string AsBytes() const override { return text_; }
  std::string DisplayText() const override { return text_; }
  void Set(double number) {
    number_ = number;
    null_ = false;
  }

 private:
  std::string text_;
  double number_;
  bool null_;
};

class TMemoryDataSet final : public TDataSet {
 public:
  void Open() override {}
  void Close() override {}
  bool Active() const override { return true; }
  void First() override {}
  void Next() override {}
  bool Eof() const override { return false; }
  bool IsEmpty() const override { return false; }
  int RecordCount() const override { return 1; }
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
  std::string Name() const override { return "Orders"; }
  TMemoryField& Add(std::unique_ptr<TMemoryField> f) {
    fields_.push_back(std::move(f));
    return *fields_.back();
  }

 private:
  std::vector<std::unique_ptr<TMemoryField>> fields_;
};

// A constant leaf; deferred ones give another value once the run has ended.
class TTestLeaf final : public TLeafNode {
 public:
  TTestLeaf(TValue now, bool deferred, TValue final)
      : TLeafNode(now.Type), now_(std::move(now)), final_(std::move(final)), deferred_(deferred) {}
  void Read(TValue& out, TEvalContext&) const override { out = now_; }
  bool Deferred() const override { return deferred_; }
  void ReadFinal(TValue& out, std::int64_t) const override { out = final_; }

 private:
  TValue now_, final_;
  bool deferred_;
};

inline TValue Number(std::int64_t v) {
  TValue out;
  out.SetNumber(TDecimal::FromInt(v));
  return out;
}

class TTestScope final : public TNameScope {
 public:
  TTestScope() {
    // 2024-03-09 14:30 as a serial: 45360 days after 1899-12-30.
    orders_.Add(std::make_unique<TMemoryField>("Amount", TFieldType::ftCurrency, "", 1250.10));
    orders_.Add(std::make_unique<TMemoryField>("Qty", TFieldType::ftInteger, "", 3));
    orders_.Add(std::make_unique<TMemoryField>("SaleDate", TFieldType::ftDateTime, "", 45360 + 14.5 / 24));
    orders_.Add(std::make_unique<TMemoryField>("ShipDate", TFieldType::ftDate, "", 45365));
    orders_.Add(std::make_unique<TMemoryField>("Company", TFieldType::ftString, "Kauai Dive Shoppe"));
    orders_.Add(std::make_unique<TMemoryField>("Paid", TFieldType::ftBoolean, "", 1));
    orders_.Add(std::make_unique<TMemoryField>("Note", TFieldType::ftString, "", 0, true));
    orders_.Add(std::make_unique<TMemoryField>("Discount", TFieldType::ftFloat, "", 0, true));
    orders_.Add(std::make_unique<TMemoryField>("Picture", TFieldType::ftGraphic, ""));
  }
  TMemoryDataSet& Orders() { return orders_; }

  TFieldAnswer Field(std::string_view dataSet, std::string_view field) override {
    TFieldAnswer a;
    if (dataSet != "Orders") {
      a.AtDataSet = true;
      a.Message = "unknown dataset '" + std::string(dataSet) + "'" + DidYouMean(dataSet, {"Orders"});
      return a;
    }
    a.Data = &orders_;
    a.Field = orders_.FindField(std::string(field));
    if (a.Field == nullptr) {
      std::vector<std::string> names;
      for (TField* f : orders_.Fields()) names.push_back(f->FieldName);
      a.Message = "unknown field '" + std::string(field) + "' in dataset Orders" + DidYouMean(field, names);
    }
    return a;
  }
  TNodePtr Parameter(std::string_view name, std::string& message) override {
    TValue v;
    if (name == "Region") v.SetText("West");
    else if (name == "Rate") v.SetNumber(*TDecimal::Parse("8.25"));
    else {
      message = "unknown parameter '" + std::string(name) + "'" + DidYouMean(name, {"Region", "Rate"});
      return nullptr;
    }
    return std::make_unique<TTestLeaf>(v, false, v);
  }
  TNodePtr Variable(std::string_view name, std::string& message) override {
    if (name == "page") return std::make_unique<TTestLeaf>(Number(2), false, Number(2));
    if (name == "pages") return std::make_unique<TTestLeaf>(Number(3), true, Number(7));
    message = "unknown name '" + std::string(name) + "'" + DidYouMean(name, {"page", "pages", "line", "groupline"});
    return nullptr;
  }
  TDataSet* DataSet(std::string_view name) override { return name == "Orders" ? &orders_ : nullptr; }
  TNodePtr Total(TTotalRequest request, std::string& message, bool& atGroup) override {
    if (!request.Group.empty() && request.Group != "ByMonth") {
      atGroup = true;
      message = "unknown group '" + request.Group + "'" + DidYouMean(request.Group, {"ByMonth"});
      return nullptr;
    }
    LastTotal = std::move(request);
    // A total of 40 now, deferred to 100.
    return std::make_unique<TTestLeaf>(Number(40), true, Number(100));
  }
  TTotalRequest LastTotal;

 private:
  TMemoryDataSet orders_;
};

}  // namespace oxqr::expr::test
