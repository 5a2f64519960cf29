#include "Showcase/samples/RecordRows.h"

#include <cstdlib>

#include "OxQrExport/core/DocumentFunctions.h"

namespace oxqr {

// A text field reading column `Column` of the current row.
class TRecordRows::TRowField final : public TField {
 public:
  TRowField(const TRecordRows& rows, std::size_t column) : rows_(rows), column_(column) {}
  bool IsNull() const override { return AsString().empty(); }
  std::string AsString() const override {
    return rows_.Eof() ? std::string() : rows_.rows_[rows_.row_][column_];
  }
  double AsFloat() const override { return std::atof(AsString().c_str()); }
  std::int64_t AsInteger() const override { return std::atoll(AsString().c_str()); }
  bool AsBoolean() const override { return AsInteger() != 0; }
  std::string AsBytes() const override { return AsString(); }
  std::string DisplayText() const override { return AsString(); }

 private:
  const TRecordRows& rows_;
  std::size_t column_;
};

TRecordRows::TRecordRows(TDataSet& source, int perRow, std::vector<TComputed> computed)
    : source_(source), perRow_(perRow < 1 ? 1 : perRow), computed_(std::move(computed)) {}
TRecordRows::~TRecordRows() = default;

void TRecordRows::Open() {
  if (!source_.Active()) source_.Open();
  const std::vector<TField*> sourceFields = source_.Fields();
  fields_.clear();
  for (int k = 1; k <= perRow_; ++k) {
    auto add = [&](const std::string& name) {
      auto field = std::make_unique<TRowField>(*this, fields_.size());
      field->FieldName = name + std::to_string(k);
      field->DataType = TFieldType::ftString;
      fields_.push_back(std::move(field));
    };
    for (const TField* f : sourceFields) add(f->FieldName);
    for (const auto& c : computed_) add(c.Name);
  }
  rows_.clear();
  std::size_t filled = fields_.size();  // a full row starts a new one
  for (source_.First(); !source_.Eof(); source_.Next()) {
    if (filled == fields_.size()) {
      rows_.emplace_back(fields_.size());
      filled = 0;
    }
    for (const TField* f : sourceFields) rows_.back()[filled++] = f->IsNull() ? std::string() : f->DisplayText();
    for (const auto& c : computed_) rows_.back()[filled++] = c.Text(source_);
  }
  row_ = 0;
  active_ = true;
}

void TRecordRows::Close() {
  active_ = false;
  rows_.clear();
}

void TRecordRows::Next() {
  if (row_ < rows_.size()) ++row_;
}

TField* TRecordRows::FindField(const std::string& name) {
  for (const auto& f : fields_)
    if (SameText(f->FieldName, name)) return f.get();
  return nullptr;
}

std::vector<TField*> TRecordRows::Fields() {
  std::vector<TField*> out;
  for (const auto& f : fields_) out.push_back(f.get());
  return out;
}

}  // namespace oxqr
