// Workbooks read back by openpyxl, LibreOffice (CSV and ODS) and gnumeric: odd texts,
// field values as numbers in their formats, the cells of the worksheet format, frozen
// header rows, sheets per page, document properties and an empty report.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "OxQrConsts/OxQrConsts.h"
#include "OxQrExport/core/Settings.h"
#include "OxQrExport/excel/ExcelFilter.h"
#include "OxQrExport/xlsx/XlsxFilter.h"
#include "engine/Controls.h"
#include "engine/Printer.h"
#include "engine/Report.h"
#include "excel/OneFieldDataSet.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "support/ExportTestSupport.h"
#include "support/FilterJob.h"
#include "xlsx/WorkbookReaders.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using namespace oxqr::testing;

class XlsxReadersTest : public ExportTest {
 protected:
  void SetUp() override {
    if (!HaveProgram("soffice") || !HaveProgram("ssconvert") || !HaveOpenpyxl())
      GTEST_SKIP() << "soffice, ssconvert or python3-openpyxl missing";
    ExportTest::SetUp();
    SetDecimalSeparator('.');
    SetThousandSeparator(',');
    SetAnsiCodePage(1252);
    QRExportSettings().OnErrorMessage = [this](TOxQRExportFilter*, const std::string& m) { errors_.push_back(m); };
  }

  // The odd-text fixture (texts in code page 1252, one a line), then an amount and a date
  // as a database text control prints them, through `filter`.
  void WriteOddTexts(TOxQRExportFilter& filter) {
    TQRPrinter printer;
    TFont font;
    auto& doc = dynamic_cast<TOxQRDocumentFilter&>(filter);
    RunFilterJob(filter, printer, 1, [&](int) {
      double y = 50;
      for (const std::string& text : OddTexts()) {
        doc.WriteText(100, y, font, clWhite, TAlignment::taLeftJustify, text);
        y += 50;
      }
      WriteAmountAndDate(doc, font, y);
    });
  }
  static std::vector<std::string> OddTexts() {
    return {"& < > \" '", Utf8ToAnsi("café Müller €"), std::string(40000, 'L'), "=1+1", "a\x01" "b", "42"};
  }

  std::vector<std::string> errors_;
};

TEST_F(XlsxReadersTest, OddTextsAndFieldValuesReadTheSameEverywhere) {
  const fs::path xlsx = Dir() + "odd.xlsx";
  {
    TOxQRXLSXFilter f(xlsx.string());
    WriteOddTexts(f);
  }
  // One message counts the cut text and the replaced control character.
  EXPECT_EQ(errors_, std::vector<std::string>{WorkbookTextsCut(1) + " " + WorkbookCharactersReplaced(1)});

  // Lines on rows 2, 4, 6 ... as in the worksheet format.
  const std::map<TCellPos, std::string> expected = {
      {{2, 0}, "& < > \" '"}, {{4, 0}, "café Müller €"}, {{6, 0}, std::string(32767, 'L')}, {{8, 0}, "=1+1"},
      {{10, 0}, "a?b"},       {{12, 0}, "42"},           {{14, 0}, "1234.5"},                {{16, 0}, "46000"}};
  const auto view = ReadWithOpenpyxl(xlsx);
  ASSERT_TRUE(view.Grid.Ok) << view.Grid.Error;
  EXPECT_EQ(view.Grid.Cells, expected);
  EXPECT_EQ(view.Formulas, 0);
  EXPECT_EQ(view.Grid.Types.at({12, 0}), 1) << "a number in a text stays text";
  EXPECT_EQ(view.Grid.Types.at({14, 0}), 2);
  EXPECT_EQ(view.Grid.Types.at({16, 0}), 3);
  EXPECT_EQ(view.Formats.at({14, 0}), "$#,##0.00");
  EXPECT_EQ(view.Formats.at({16, 0}), "m/d/yyyy");

  // LibreOffice and gnumeric show the same cells; LibreOffice shows the numbers as printed.
  auto shown = expected;
  shown[{14, 0}] = "$1,234.50";
  shown[{16, 0}] = "12/9/2025";
  const auto office = ReadWithSoffice(xlsx, Dir() + "office", true);
  ASSERT_TRUE(office.Ok) << office.Error;
  EXPECT_EQ(office.Cells, shown);
  const auto gnumeric = ReadWithSsconvert(xlsx, Dir() + "gnumeric");
  ASSERT_TRUE(gnumeric.Ok) << gnumeric.Error;
  // gnumeric's CSV starts at the first used row; its own date style aside, the same cells.
  std::map<TCellPos, std::string> fromGnumeric;
  for (const auto& [pos, text] : gnumeric.Cells) fromGnumeric[{pos.first + 2, pos.second}] = text;
  fromGnumeric.erase({16, 0});
  auto withoutDate = expected;
  withoutDate.erase({16, 0});
  EXPECT_EQ(fromGnumeric, withoutDate);
  const auto ods = ConvertToOds(xlsx, Dir() + "ods");
  ASSERT_TRUE(ods.Ok) << ods.Error;
  EXPECT_EQ(ods.Numbers, 1);
  EXPECT_EQ(ods.Dates, 1);
  EXPECT_EQ(ods.Texts, 6);
}

TEST_F(XlsxReadersTest, SameCellsAsTheWorksheetFormat) {
  // With native numbers both formats write the field values as numbers; every other text is
  // a text in both except the cut, the replaced character and the number in a text.
  QRExportSettings().Excel.NativeNumbers = true;
  const std::string xls = Dir() + "odd.xls";
  const fs::path xlsx = Dir() + "odd.xlsx";
  {
    TOxQRExcelFilter f(xls);
    WriteOddTexts(f);
  }
  {
    TOxQRXLSXFilter f(xlsx.string());
    WriteOddTexts(f);
  }
  const auto view = ReadWithOpenpyxl(xlsx);
  ASSERT_TRUE(view.Grid.Ok) << view.Grid.Error;
  const std::vector<std::string> differences = {
      "(6,0) \"" + std::string(255, 'L') + "\" shown as \"" + std::string(32767, 'L') + "\"",
      "(10,0) \"a\x01" "b\" shown as \"a?b\"", "(12,0) number read as cell type 1"};
  EXPECT_EQ(CompareWithFile(ReadFileBytes(xls), view.Grid), differences);
}

// Three pages as export-aware controls print them: a bold title on page 1, a column header
// label on a yellow band, then five numbered lines.
struct THeaderPages {
  THeaderPages() {
    auto& titleBand = Report.AddBand(TQRBandType::rbTitle);
    Title = &titleBand.Add<TQRLabel>();
    auto& header = Report.AddBand(TQRBandType::rbColumnHeader);
    header.Color = clYellow;
    Heading = &header.Add<TQRLabel>();
    Heading->Transparent = true;
    Line = &Report.AddBand(TQRBandType::rbDetail).Add<TQRLabel>();
  }
  void Write(TOxQRXLSXFilter& f) {
    TQRPrinter printer;
    printer.Title = "Lines: [all]";
    RunFilterJob(f, printer, 3, [&](int page) {
      double y = 50;
      auto text = [&](const TQRLabel& control, const std::string& s, TFontStyles style) {
        TFont font;
        font.Style = style;
        f.BeginTextBlock(control, 0, 0);
        f.WriteText(100, y, font, control.Color, TAlignment::taLeftJustify, s);
        f.EndTextBlock(control, 0, 0, false);
        y += 50;
      };
      if (page == 1) text(*Title, "All lines", {TFontStyle::fsBold});
      text(*Heading, "Number", {});
      for (int i = 1; i <= 5; ++i) text(*Line, std::to_string((page - 1) * 5 + i), {});
    });
  }
  TQRReport Report;  // holds the bands
  TQRLabel* Title = nullptr;
  TQRLabel* Heading = nullptr;
  TQRLabel* Line = nullptr;
};

TEST_F(XlsxReadersTest, HeaderRowsFrozenAndFilledSheetsPerPageNamedFromTheTitle) {
  THeaderPages pages;
  const fs::path one = Dir() + "one.xlsx";
  {
    TOxQRXLSXFilter f(one.string());
    pages.Write(f);
  }
  EXPECT_TRUE(errors_.empty());
  const auto view = ReadWithOpenpyxl(one);
  ASSERT_TRUE(view.Grid.Ok) << view.Grid.Error;
  EXPECT_EQ(view.Sheets, std::vector<std::string>{"Lines all"});
  // Title on row 2, the header on row 4 (from 0): the first five rows stay in view.
  EXPECT_EQ(view.Grid.Cells.at({2, 0}), "All lines");
  EXPECT_EQ(view.Grid.Cells.at({4, 0}), "Number");
  EXPECT_EQ(view.Freeze, "A6");
  // The column header band's yellow under its transparent label, and no other fill.
  ASSERT_EQ(view.Fill.size(), 3u);
  for (const auto& [pos, fill] : view.Fill) {
    EXPECT_EQ(fill, "FFFF00");
    EXPECT_EQ(view.Grid.Cells.at(pos), "Number");
  }
  for (const auto& [pos, text] : view.Grid.Cells) EXPECT_EQ(view.Bold.at(pos), text == "All lines") << text;
  // Every line number once, in order, as text (a label is not a numeric field).
  int numbers = 0;
  for (const auto& [pos, text] : view.Grid.Cells) numbers += text == std::to_string(numbers + 1);
  EXPECT_EQ(numbers, 15);
  for (const auto& [pos, type] : view.Grid.Types) EXPECT_EQ(type, 1);

  QRExportSettings().XLSX.SheetPerPage = true;
  const fs::path perPagePath = Dir() + "pages.xlsx";
  {
    TOxQRXLSXFilter f(perPagePath.string());
    pages.Write(f);
  }
  const auto perPage = ReadWithOpenpyxl(perPagePath);
  ASSERT_TRUE(perPage.Grid.Ok) << perPage.Grid.Error;
  EXPECT_EQ(perPage.Sheets, (std::vector<std::string>{"Lines all", "Lines all 2", "Lines all 3"}));
  // The first sheet is the first page: the same rows as the one sheet, up to its end.
  EXPECT_EQ(perPage.Grid.Cells.size(), 7u);
  for (const auto& [pos, text] : perPage.Grid.Cells) EXPECT_EQ(view.Grid.Cells.at(pos), text);
  EXPECT_EQ(perPage.Freeze, "A6");

  QRExportSettings().XLSX.FreezeHeaderRows = false;
  {
    TOxQRXLSXFilter f(one.string());
    pages.Write(f);
  }
  EXPECT_EQ(ReadWithOpenpyxl(one).Freeze, "");
}

TEST_F(XlsxReadersTest, PropertiesAndAnEmptyReport) {
  auto& s = QRExportSettings().XLSX;
  s.Author = "Ann Author";
  s.Subject = "Sub";
  s.Keywords = "k1 k2";
  TLocalTime fixed;
  fixed.Tm.tm_year = 125;
  fixed.Tm.tm_mon = 11;
  fixed.Tm.tm_mday = 9;
  fixed.Tm.tm_hour = 13;
  SetFixedNow(fixed);
  const fs::path xlsx = Dir() + "empty.xlsx";
  {
    TOxQRXLSXFilter f(xlsx.string());
    TQRPrinter printer;
    printer.Title = Utf8ToAnsi("Résumé");
    RunFilterJob(f, printer, 0, nullptr);
  }
  SetFixedNow(std::nullopt);
  const auto view = ReadWithOpenpyxl(xlsx);
  ASSERT_TRUE(view.Grid.Ok) << view.Grid.Error;
  EXPECT_TRUE(view.Grid.Cells.empty());
  EXPECT_EQ(view.Sheets, std::vector<std::string>{"Résumé"});
  EXPECT_EQ(view.Properties.at("title"), "Résumé");
  EXPECT_EQ(view.Properties.at("creator"), "Ann Author");
  EXPECT_EQ(view.Properties.at("subject"), "Sub");
  EXPECT_EQ(view.Properties.at("keywords"), "k1 k2");
  EXPECT_EQ(view.Properties.at("created").substr(0, 10), "2025-12-09");
  const auto office = ReadWithSoffice(xlsx, Dir() + "office", true);
  EXPECT_TRUE(office.Ok) << office.Error;
  EXPECT_TRUE(ReadWithSsconvert(xlsx, Dir() + "gnumeric").Ok);
}

TEST_F(XlsxReadersTest, UnwritableFolderLeavesNothingAndSaysSo) {
  {
    TOxQRXLSXFilter f(Dir() + "missing/x.xlsx");
    WriteOddTexts(f);
  }
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_NE(errors_[0].find("missing/x.xlsx"), std::string::npos) << errors_[0];
  EXPECT_FALSE(fs::exists(Dir() + "missing"));
}

}  // namespace
}  // namespace oxqr
