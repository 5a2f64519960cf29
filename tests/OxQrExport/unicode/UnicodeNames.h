#pragma once
// A small report of names in many scripts (Greek, Cyrillic, Hebrew, Arabic, Chinese,
// Japanese, emoji, letters with combining accents), each followed by a code column, over
// an in-memory table: the fixture of the Unicode mode's tests.
#include <memory>
#include <string>
#include <vector>

#include "../../engine/FakeDataSet.h"
#include "platform/CodePage.h"
#include "support/ExportTestSupport.h"
#include "engine/Band.h"
#include "engine/Controls.h"
#include "engine/Report.h"

namespace oxqr::testing {

// UTF-8 names; the last one has its accents as combining marks (e + U+0301, u + U+0308).
inline const std::vector<std::string>& UnicodeNames() {
  static const std::vector<std::string> names = {
      "Ελληνικά Αθήνα",  "Москва Жуковский", "שלום ירושלים", "مرحبا القاهرة",
      "北京市东城区",    "東京都 ひらがな カタカナ", "Party 🎉 Cake 🎂", "Jose\xCC\x81 Mu\xCC\x88ller"};
  return names;
}

// Names in scripts that are shaped: vowel signs drawn before their consonant, conjuncts,
// stacked marks, Arabic's lam-alef ligature, a name in Thaana (a script whose faces Qt's
// layout rejects), and an Arabic name followed by a Latin e-mail address.
inline const std::vector<std::string>& ShapedNames() {
  static const std::vector<std::string> names = {
      "हिन्दी प्रिया शर्मा", "বাংলা রবীন্দ্রনাথ", "สมชาย ใจดี", "សុខ សំណាង", "မြန်မာ အောင်ဆန်း",
      "علاء سلامة",          "דוד לוי",           "ދިވެހި ރާއްޖެ", "سلامة (salama@example.com)"};
  return names;
}
// The one name of ShapedNames() that no face on the machine can draw.
inline const std::string& UndrawableShapedName() { return ShapedNames()[7]; }

// The fixture report: `repeat` rounds of the names (codes N01, N02, ...), Arial 12.
class TUnicodeNamesReport {
 public:
  explicit TUnicodeNamesReport(int repeat = 1, const std::vector<std::string>& names = UnicodeNames()) {
    std::vector<oxqr::test::FakeDataSet::Row> rows;
    for (int r = 0; r < repeat; ++r)
      for (const std::string& name : names) {
        const int n = static_cast<int>(rows.size()) + 1;
        rows.push_back({{"Name", name}, {"Code", (n < 10 ? "N0" : "N") + std::to_string(n)}});
      }
    data_ = std::make_unique<oxqr::test::FakeDataSet>("Names", std::vector<std::string>{"Name", "Code"}, rows);
    report_.DataSet = data_.get();
    report_.Page.SetMarginsMM(15, 15, 20, 20);
    auto& title = report_.AddBand(TQRBandType::rbTitle);
    title.SetHeightMM(12);
    auto& heading = title.Add<TQRLabel>();
    heading.Caption = "Names of the world";
    heading.Font.Name = "Arial";
    heading.Font.Size = 14;
    heading.SetBoundsMM(0, 2, 120, 8);
    auto& detail = report_.AddBand(TQRBandType::rbDetail);
    detail.SetHeightMM(9);
    const char* fields[] = {"Name", "Code"};
    for (int i = 0; i < 2; ++i) {
      auto& text = detail.Add<TQRDBText>();
      text.DataSet = data_.get();
      text.DataField = fields[i];
      text.Font.Name = "Arial";
      text.Font.Size = 12;
      text.SetBoundsMM(i == 0 ? 0 : 110, 1, i == 0 ? 105 : 30, 7);
    }
  }
  TQRReport& Report() { return report_; }

 private:
  std::unique_ptr<oxqr::test::FakeDataSet> data_;
  TQRReport report_;
};

// A test in the Unicode mode, with fresh settings and a scratch folder; the code page is
// restored afterwards.
class UnicodeModeTest : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    saved_ = AnsiCodePage();
    SetAnsiCodePage(CP_UTF8);
  }
  void TearDown() override {
    SetAnsiCodePage(saved_);
    ExportTest::TearDown();
  }

 private:
  int saved_ = 1252;
};

}  // namespace oxqr::testing
