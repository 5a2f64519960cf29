#pragma once
// Fixtures of the chart tests: an in-memory dataset of labelled numbers and helpers that
// look at rendered pixels.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QImage>

#include "data/DataSet.h"

namespace oxqr::test {

class TFakeField final : public TField {
 public:
  std::optional<std::string> Text;  // nullopt: NULL
  bool IsNull() const override { return !Text; }
  std::string AsString() const override { return Text.value_or(""); }
  double AsFloat() const override { return Text ? std::stod(*Text) : 0.0; }
  std::int64_t AsInteger() const override { return Text ? std::stoll(*Text) : 0; }
  bool AsBoolean() const override { return Text == "1"; }
  std::string AsBytes() const override { return AsString(); }
  std::string DisplayText() const override { return AsString(); }
};

// Records of two fields, NAME and WEIGHT; a WEIGHT of nullopt is NULL.
class TFakeAnimals final : public TDataSet {
 public:
  using Row = std::pair<std::string, std::optional<std::string>>;
  explicit TFakeAnimals(std::vector<Row> rows);

  void Open() override { active_ = true; }
  void Close() override { active_ = false; }
  bool Active() const override { return active_; }
  void First() override;
  void Next() override;
  bool Eof() const override { return pos_ >= rows_.size(); }
  bool IsEmpty() const override { return rows_.empty(); }
  int RecordCount() const override { return static_cast<int>(rows_.size()); }
  TField* FindField(const std::string& name) override;
  std::vector<TField*> Fields() override { return {&name_, &weight_}; }
  std::string Name() const override { return "animals"; }

 private:
  void Load();
  std::vector<Row> rows_;
  std::size_t pos_ = 0;
  bool active_ = false;
  TFakeField name_, weight_;
};

// Number of pixels of `image` for which `match` holds.
int CountPixels(const QImage& image, const std::function<bool(QRgb)>& match);
// Bounding box of the pixels for which `match` holds (null rectangle: none).
QRect PixelBounds(const QImage& image, const std::function<bool(QRgb)>& match);
// Whether every channel of `p` is within `tolerance` of (r, g, b).
bool Near(QRgb p, int r, int g, int b, int tolerance);
// Strong blue of a title text (anti-aliased edges left out).
bool IsTitleBlue(QRgb p);

}  // namespace oxqr::test
