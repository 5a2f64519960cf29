// A report over data held in memory, saved as plain text and as JPEG pictures of its pages.
//   minimal OUTPUT_FOLDER  ->  OUTPUT_FOLDER/planets.txt, OUTPUT_FOLDER/planets0001.jpg
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "OxQrCtrls/ExportControls.h"
#include "OxQrExport/images/ImageFilters.h"
#include "OxQrExport/text/TextFilter.h"
#include "data/DataSet.h"
#include "engine/Report.h"

using namespace oxqr;

// A table of text fields kept in memory.
class TMemoryTable final : public TDataSet {
  class TTextField final : public TField {
   public:
    const TMemoryTable* Table = nullptr;
    std::size_t Column = 0;
    std::string AsString() const override { return Table->Eof() ? "" : Table->rows_[Table->pos_][Column]; }
    bool IsNull() const override { return AsString().empty(); }
    double AsFloat() const override { return std::stod(AsString()); }
    std::int64_t AsInteger() const override { return std::stoll(AsString()); }
    bool AsBoolean() const override { return AsString() == "1"; }
    std::string AsBytes() const override { return AsString(); }
    std::string DisplayText() const override { return AsString(); }
  };

 public:
  TMemoryTable(const std::vector<std::string>& names, std::vector<std::vector<std::string>> rows)
      : rows_(std::move(rows)) {
    for (const std::string& name : names) {
      auto& field = *fields_.emplace_back(std::make_unique<TTextField>());
      field.FieldName = name;
      field.DataType = TFieldType::ftString;
      field.Table = this;
      field.Column = fields_.size() - 1;
    }
  }
  void Open() override { active_ = true; }
  void Close() override { active_ = false; }
  bool Active() const override { return active_; }
  void First() override { pos_ = 0; }
  void Next() override { ++pos_; }
  bool Eof() const override { return pos_ >= rows_.size(); }
  bool IsEmpty() const override { return rows_.empty(); }
  int RecordCount() const override { return static_cast<int>(rows_.size()); }
  TField* FindField(const std::string& name) override {
    for (auto& field : fields_)
      if (field->FieldName == name) return field.get();
    return nullptr;
  }
  std::vector<TField*> Fields() override {
    std::vector<TField*> all;
    for (auto& field : fields_) all.push_back(field.get());
    return all;
  }
  std::string Name() const override { return "Planets"; }

 private:
  std::vector<std::vector<std::string>> rows_;
  std::vector<std::unique_ptr<TTextField>> fields_;
  std::size_t pos_ = 0;
  bool active_ = false;
};

int main(int argc, char** argv) try {
  const std::string folder = argc > 1 ? std::string(argv[1]) + "/" : "";
  TMemoryTable planets({"Name", "Moons"}, {{"Mercury", "0"}, {"Venus", "0"}, {"Earth", "1"}, {"Mars", "2"}});

  TQRReport report;
  report.DataSet = &planets;
  report.Page.SetMarginsMM(15, 15, 20, 20);

  auto& title = report.AddBand(TQRBandType::rbTitle);  // printed once, on the first page
  title.SetHeightMM(15);
  auto& heading = title.Add<TOxQRLabel>();
  heading.Caption = "Planets and their moons";
  heading.Font.Size = 16;
  heading.Font.Style = {TFontStyle::fsBold};
  heading.SetBoundsMM(0, 2, 120, 10);

  auto& detail = report.AddBand(TQRBandType::rbDetail);  // printed once per record
  detail.SetHeightMM(8);
  const char* columns[] = {"Name", "Moons"};
  for (int i = 0; i < 2; ++i) {
    auto& text = detail.Add<TOxQRDBText>();
    text.DataSet = &planets;
    text.DataField = columns[i];
    text.SetBoundsMM(60.0 * i, 1, 50, 6);
  }

  // A filter that could not write its file has reported why and ends Aborted.
  TOxQRTextFilter text(folder + "planets.txt");
  report.ExportToFilter(text);
  TOxQRJPEGFilter jpeg(folder + "planets.jpg");  // one picture per page: planets0001.jpg, ...
  report.ExportToFilter(jpeg);
  return text.Aborted() || jpeg.Aborted() ? 1 : 0;
} catch (const std::exception& e) {
  std::fprintf(stderr, "minimal: %s\n", e.what());
  return 1;
}
