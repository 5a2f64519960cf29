// The CSV filter: the grid's rows as lines, quoting, plain field values, the formula guard,
// the separators and the byte-order mark, written whole or not at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "OxQrExport/core/Settings.h"
#include "OxQrExport/csv/CsvFilter.h"
#include "engine/Controls.h"
#include "engine/Printer.h"
#include "excel/OneFieldDataSet.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "support/ExportTestSupport.h"
#include "support/FilterJob.h"

namespace oxqr {
namespace {

class CsvFilterTest : public testing::ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    SetAnsiCodePage(1252);
    SetDecimalSeparator('.');
    SetThousandSeparator(',');
    QRExportSettings().OnErrorMessage = [this](TOxQRExportFilter*, const std::string& m) { errors_.push_back(m); };
  }
  std::string Out() const { return Dir() + "out.csv"; }

  // Page 1: two columns of texts, a line each pair (code page 1252); page 2: an amount and
  // a date as a database text control prints them.
  std::string Export(const std::vector<std::pair<std::string, std::string>>& lines) {
    TOxQRCSVFilter f(Out());
    testing::RunFilterJob(f, printer_, 2, [&](int page) {
      double y = 50;
      if (page == 1) {
        for (const auto& [left, right] : lines) {
          f.WriteText(100, y, font_, clWhite, TAlignment::taLeftJustify, left);
          if (!right.empty()) f.WriteText(1000, y, font_, clWhite, TAlignment::taLeftJustify, right);
          y += 50;
        }
        return;
      }
      testing::WriteAmountAndDate(f, font_, y);
    });
    return ReadFileBytes(Out());
  }

  const std::vector<std::pair<std::string, std::string>> kLines = {
      {"Name", "Note"}, {"a,b", "say \"hi\""}, {"=1+1", "-5"}, {"caf\xE9", ""}, {"two", "@cmd"}};

  TQRPrinter printer_;
  TFont font_;
  std::vector<std::string> errors_;
};

TEST_F(CsvFilterTest, DefaultsQuoteGuardAndWriteFieldValuesPlain) {
  EXPECT_EQ(Export(kLines),
            "Name,Note\r\n"
            "\"a,b\",\"say \"\"hi\"\"\"\r\n"
            "'=1+1,'-5\r\n"
            "caf\xC3\xA9\r\n"
            "two,'@cmd\r\n"
            "1234.5\r\n"
            "2025-12-09\r\n");
  EXPECT_TRUE(errors_.empty());
  TOxQRCSVFilter f("");
  EXPECT_EQ(f.Extension(), "csv");
}

TEST_F(CsvFilterTest, SettingsChangeSeparatorMarkGuardAndValues) {
  auto& s = QRExportSettings().CSV;
  s.Separator = TCSVSeparator::csSemicolon;
  s.ByteOrderMark = true;
  s.FormulaGuard = false;
  s.PlainNumbers = false;
  EXPECT_EQ(Export(kLines),
            "\xEF\xBB\xBFName;Note\r\n"
            "a,b;\"say \"\"hi\"\"\"\r\n"
            "=1+1;-5\r\n"
            "caf\xC3\xA9\r\n"
            "two;@cmd\r\n"
            "$1,234.50\r\n"
            "12/9/2025\r\n");
  s.Separator = TCSVSeparator::csTab;
  s.ByteOrderMark = false;
  EXPECT_EQ(Export({{"a\tb", "c"}}).substr(0, 9), "\"a\tb\"\tc\r\n");
}

TEST_F(CsvFilterTest, CollidingCellsMoveRightAndEmptyColumnsStay) {
  TOxQRCSVFilter f(Out());
  testing::RunFilterJob(f, printer_, 1, [&](int) {
    // Two texts at one place: the second takes the next column; a line of one far text
    // keeps the empty fields before it.
    f.WriteText(100, 50, font_, clWhite, TAlignment::taLeftJustify, "a");
    f.WriteText(100, 50, font_, clWhite, TAlignment::taLeftJustify, "b");
    f.WriteText(1000, 50, font_, clWhite, TAlignment::taLeftJustify, "c");
    f.WriteText(1000, 100, font_, clWhite, TAlignment::taLeftJustify, "d");
  });
  EXPECT_EQ(ReadFileBytes(Out()), "a,b,c\r\n,d\r\n");
}

TEST_F(CsvFilterTest, UnwritableFolderLeavesNothingAndSaysSo) {
  TOxQRCSVFilter f(Dir() + "missing/out.csv");
  testing::RunFilterJob(f, printer_, 1, [&](int) { f.WriteText(100, 50, font_, clWhite, TAlignment::taLeftJustify, "x"); });
  EXPECT_FALSE(std::filesystem::exists(Dir() + "missing"));
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_NE(errors_[0].find("missing/out.csv"), std::string::npos) << errors_[0];
}

}  // namespace
}  // namespace oxqr
