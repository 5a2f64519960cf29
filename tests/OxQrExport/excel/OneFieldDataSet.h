#pragma once
// A dataset of one record with one field of a fixed value and type, for text controls bound
// to a database field, and field values written through one.
#include <cstdint>
#include <string>
#include <vector>

#include "OxQrExport/core/DocumentFilter.h"
#include "data/DataSet.h"
#include "engine/Controls.h"

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

// Writes an amount ("$1,234.50", 1234.5) and a date ("12/9/2025", serial 46000) as a database
// text control prints them, a line each from `y` on, moving `y` down 50 per line.
inline void WriteAmountAndDate(TOxQRDocumentFilter& filter, const TFont& font, double& y) {
  TOneFieldDataSet data;
  data.Field.FieldName = "F";
  TQRDBText control;
  control.DataSet = &data;
  control.DataField = "F";
  const struct {
    TFieldType Type;
    double Value;
    const char* Display;
  } values[] = {{TFieldType::ftCurrency, 1234.5, "$1,234.50"}, {TFieldType::ftDate, 46000, "12/9/2025"}};
  for (const auto& v : values) {
    data.Field.DataType = v.Type;
    data.Field.Value = v.Value;
    data.Field.Display = v.Display;
    filter.BeginTextBlock(control, 0, 0);
    filter.WriteText(100, y, font, clWhite, TAlignment::taLeftJustify, v.Display);
    filter.EndTextBlock(control, 0, 0, false);
    y += 50;
  }
}

}  // namespace oxqr::testing
