#include "ChartTestSupport.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "charting/ChartApplication.h"

namespace oxqr::test {

namespace {

// Charts need a QApplication, and it must come before the platform layer creates its
// QGuiApplication for the first text measured; this runs before every test.
class TChartApplicationEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override { EnsureChartApplication(); }
};

// Registered once per test program; GoogleTest owns the environment.
::testing::Environment* const chartEnvironment =
    ::testing::AddGlobalTestEnvironment(new TChartApplicationEnvironment);  // NOLINT(cppcoreguidelines-owning-memory)

}  // namespace

TFakeAnimals::TFakeAnimals(std::vector<Row> rows) : rows_(std::move(rows)) {
  name_.FieldName = "NAME";
  name_.DataType = TFieldType::ftString;
  weight_.FieldName = "WEIGHT";
  weight_.DataType = TFieldType::ftFloat;
}

void TFakeAnimals::First() {
  pos_ = 0;
  Load();
}

void TFakeAnimals::Next() {
  if (pos_ < rows_.size()) ++pos_;
  Load();
}

TField* TFakeAnimals::FindField(const std::string& name) {
  if (name == "NAME") return &name_;
  if (name == "WEIGHT") return &weight_;
  return nullptr;
}

void TFakeAnimals::Load() {
  if (Eof()) {
    name_.Text.reset();
    weight_.Text.reset();
    return;
  }
  name_.Text = rows_[pos_].first;
  weight_.Text = rows_[pos_].second;
}

int CountPixels(const QImage& image, const std::function<bool(QRgb)>& match) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += match(image.pixel(x, y)) ? 1 : 0;
  return n;
}

QRect PixelBounds(const QImage& image, const std::function<bool(QRgb)>& match) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (match(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
  return box;
}

bool Near(QRgb p, int r, int g, int b, int tolerance) {
  return std::abs(qRed(p) - r) <= tolerance && std::abs(qGreen(p) - g) <= tolerance &&
         std::abs(qBlue(p) - b) <= tolerance;
}

bool IsTitleBlue(QRgb p) { return qBlue(p) >= 200 && qRed(p) <= 60 && qGreen(p) <= 60; }

}  // namespace oxqr::test
