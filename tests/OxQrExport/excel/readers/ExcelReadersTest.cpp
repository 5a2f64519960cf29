// Worksheets read back by LibreOffice, gnumeric and xlrd: numbers, 8-bit text in two code
// pages, native numbers shown in their formats, and a report longer than the sheet.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "OxQrConsts/OxQrConsts.h"
#include "OxQrExport/core/Settings.h"
#include "OxQrExport/excel/ExcelFilter.h"
#include "data/CountingDataSet.h"
#include "engine/Controls.h"
#include "engine/FilterLibrary.h"
#include "engine/Printer.h"
#include "engine/Report.h"
#include "engine/SaveCommand.h"
#include "excel/OneFieldDataSet.h"
#include "excel/SheetReaders.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "support/ExportTestSupport.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using namespace oxqr::testing;

bool HaveAllReaders() {
  return HaveProgram("soffice") && HaveProgram("ssconvert") &&
         RunShell("/usr/bin/python3 -c 'import xlrd' 2>/dev/null").Status == 0;
}

class ExcelReadersTest : public ExportTest {
 protected:
  void SetUp() override {
    if (!HaveAllReaders()) GTEST_SKIP() << "soffice, ssconvert or python3-xlrd missing";
    ExportTest::SetUp();
    SetDecimalSeparator('.');
    SetThousandSeparator(',');
    SetAnsiCodePage(1252);
    QRExportSettings().OnErrorMessage = [this](TOxQRExportFilter*, const std::string& m) { errors_.push_back(m); };
  }
  void TearDown() override {
    SetAnsiCodePage(1252);
    ExportTest::TearDown();
  }

  // One page of UTF-8 texts, one a line, through a real printer.
  std::string Write(const std::string& name, const std::vector<std::string>& lines) {
    const std::string path = Dir() + name;
    TQRPrinter printer;
    TFont font;
    TOxQRExcelFilter f(path);
    f.SourcePrinter = &printer;
    f.StartJob(2100, 2970, font);
    f.ClosePage();
    f.OpenPage();
    for (std::size_t i = 0; i < lines.size(); ++i)
      f.WriteText(100, 50.0 * static_cast<double>(i + 1), font, clWhite, TAlignment::taLeftJustify,
                  Utf8ToAnsi(lines[i]));
    f.ClosePage();
    f.FinishJob();
    return path;
  }

  // Every reader shows exactly the file's cells.
  void ExpectAllReadersAgree(const std::string& path) {
    const std::string bytes = ReadFileBytes(path);
    const auto xlrd = ReadWithXlrd(path);
    ASSERT_TRUE(xlrd.Ok) << xlrd.Error;
    EXPECT_EQ(CompareWithFile(bytes, xlrd), std::vector<std::string>()) << "xlrd";
    const auto gnumeric = ReadWithSsconvert(path, Dir() + "gnumeric");
    ASSERT_TRUE(gnumeric.Ok) << gnumeric.Error;
    EXPECT_EQ(CompareWithFile(bytes, gnumeric), std::vector<std::string>()) << "gnumeric";
    const auto office = ReadWithSoffice(path, Dir() + "office");
    ASSERT_TRUE(office.Ok) << office.Error;
    EXPECT_EQ(CompareWithFile(bytes, office), std::vector<std::string>()) << "LibreOffice";
  }

  std::vector<std::string> errors_;
};

TEST_F(ExcelReadersTest, NumbersAndAccentedTextReadTheSameEverywhere) {
  const std::string path =
      Write("cells.xls", {"café Müller €", "123456", "-7", "42", "65535", "65536", "1,234.50", "12abc", "0x1A",
                          "nan", std::string(255, 'L') + "cut"});
  ExpectAllReadersAgree(path);
  const auto xlrd = ReadWithXlrd(path);
  // lsOneBlank: the lines sit on rows 2, 4, 6 ...
  EXPECT_EQ(xlrd.Cells.at({2, 0}), "café Müller €");
  EXPECT_EQ(xlrd.Cells.at({4, 0}), "123456");
  EXPECT_EQ(xlrd.Cells.at({6, 0}), "-7");
  EXPECT_EQ(xlrd.Cells.at({8, 0}), "42");
  EXPECT_EQ(xlrd.Cells.at({14, 0}), "1234.5");
  EXPECT_EQ(xlrd.Types.at({14, 0}), 2);
  EXPECT_EQ(xlrd.Cells.at({16, 0}), "12abc");
  EXPECT_EQ(xlrd.Types.at({16, 0}), 1);
  EXPECT_EQ(xlrd.Cells.at({22, 0}).size(), 255u);
}

TEST_F(ExcelReadersTest, CentralEuropeanCodePage) {
  SetAnsiCodePage(1250);
  const std::string path = Write("ce.xls", {"řšž"});
  const auto xlrd = ReadWithXlrd(path);
  ASSERT_TRUE(xlrd.Ok) << xlrd.Error;
  EXPECT_EQ(xlrd.Cells.at({2, 0}), "řšž");
  const auto office = ReadWithSoffice(path, Dir() + "office");
  ASSERT_TRUE(office.Ok) << office.Error;
  EXPECT_EQ(office.Cells.at({2, 0}), "řšž");
  // gnumeric reads the file but takes its 8-bit text as code page 1252 whatever the
  // CODEPAGE record says; only that it opens the file is checked.
  EXPECT_TRUE(ReadWithSsconvert(path, Dir() + "gnumeric").Ok);
}

// A generated report of `records` detail lines: "Line" and the record number.
struct TLongReport {
  explicit TLongReport(int records) : Data(records) {
    Report.DataSet = &Data;
    Report.Page.SetPaper(TQRPaperSize::A4);
    auto& band = Report.AddBand(TQRBandType::rbDetail);
    band.SetHeightMM(5);
    auto& label = band.Add<TQRLabel>();
    label.Caption = "Line";
    label.SetBoundsMM(10, 0, 20, 5);
    auto& number = band.Add<TQRSysData>();
    number.Data = TQRSysDataType::qrsDetailNo;
    number.SetBoundsMM(40, 0, 20, 5);
  }
  TCountingDataSet Data;
  TQRReport Report;
};

TEST_F(ExcelReadersTest, ReportLongerThanTheSheetStaysReadable) {
  TLongReport report(8500);  // two rows a line: 17000 rows
  report.Report.Prepare();
  const std::string path = Dir() + "long.xls";
  ExportReport(report.Report, *ClassOf<TOxQRExcelFilter>(), path);
  // Record k lands on row 2k: records 8192 .. 8500 (two cells each) lie past row 16383.
  EXPECT_EQ(errors_, std::vector<std::string>{ExcelCellsLeftOut(2 * (8500 - 8191))});
  const std::string bytes = ReadFileBytes(path);
  int expected = 1;
  for (const auto& c : SheetCells(bytes)) {
    if (!c.IsNumber()) continue;
    EXPECT_EQ(c.Row, 2 * expected);
    EXPECT_EQ(c.Value, expected++);
  }
  EXPECT_EQ(expected, 8192);  // every record number up to the last row, once, in order
  ExpectAllReadersAgree(path);
}

TEST_F(ExcelReadersTest, NativeNumbersSumAndKeepTheirLook) {
  QRExportSettings().Excel.NativeNumbers = true;
  const std::string path = Dir() + "native.xls";
  {
    // Two amounts and a date as a database text control would print them.
    testing::TOneFieldDataSet data;
    data.Field.FieldName = "F";
    TQRDBText control;
    control.DataSet = &data;
    control.DataField = "F";
    TQRPrinter printer;
    TFont font;
    TOxQRExcelFilter f(path);
    f.SourcePrinter = &printer;
    f.StartJob(2100, 2970, font);
    f.ClosePage();
    f.OpenPage();
    const struct {
      TFieldType Type;
      double Value;
      const char* Display;
    } values[] = {{TFieldType::ftCurrency, 1234.5, "$1,234.50"},
                  {TFieldType::ftCurrency, 100.25, "$100.25"},
                  {TFieldType::ftDate, 46000, "12/9/2025"}};
    double y = 50;
    for (const auto& v : values) {
      data.Field.DataType = v.Type;
      data.Field.Value = v.Value;
      data.Field.Display = v.Display;
      f.BeginTextBlock(control, 0, 0);
      f.WriteText(100, y, font, clWhite, TAlignment::taLeftJustify, v.Display);
      f.EndTextBlock(control, 0, 0, false);
      y += 50;
    }
    f.ClosePage();
    f.FinishJob();
  }
  const auto xlrd = ReadWithXlrd(path);
  ASSERT_TRUE(xlrd.Ok) << xlrd.Error;
  EXPECT_EQ(xlrd.Types.at({2, 0}), 2);  // XL_CELL_NUMBER
  EXPECT_EQ(xlrd.Cells.at({2, 0}), "1234.5");
  EXPECT_EQ(xlrd.Types.at({4, 0}), 2);
  EXPECT_EQ(xlrd.Types.at({6, 0}), 3);  // XL_CELL_DATE
  EXPECT_EQ(xlrd.Cells.at({6, 0}), "46000");
  // gnumeric shows the amounts and the date in their formats.
  const std::string shown = Dir() + "shown.csv";
  const auto run = RunShell("ssconvert --export-type=Gnumeric_stf:stf_assistant -O 'format=preserve' " +
                            ShellQuote(path) + " " + ShellQuote(shown) + " 2>&1");
  ASSERT_EQ(run.Status, 0) << run.Output;
  const auto gnumeric = ParseCsv(ReadFileBytes(shown));
  EXPECT_EQ(gnumeric.at({0, 0}), "$1,234.50");  // the used range starts at row 2
  EXPECT_EQ(gnumeric.at({2, 0}), "$100.25");
  EXPECT_EQ(gnumeric.at({4, 0}), "12/9/2025");
  // LibreOffice shows them in their formats too (the CSV written "as shown") ...
  const auto csv = SofficeConvert(path, "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true", Dir() + "csv");
  ASSERT_TRUE(fs::exists(csv));
  const auto office = ParseCsv(ReadFileBytes(csv.string()));
  EXPECT_EQ(office.at({2, 0}), "$1,234.50");
  EXPECT_EQ(office.at({4, 0}), "$100.25");
  EXPECT_EQ(office.at({6, 0}), "12/9/2025");
  // ... and keeps them numbers that sum: currency amounts and a date.
  const auto ods = SofficeConvert(path, "ods", Dir() + "ods");
  ASSERT_TRUE(fs::exists(ods));
  const auto cells = RunShell("unzip -p " + ShellQuote(ods.string()) +
                              " content.xml | grep -o 'office:value-type=\"[a-z]*\" office:[a-z-]*=\"[0-9.-]*\"'");
  EXPECT_EQ(cells.Output,
            "office:value-type=\"currency\" office:value=\"1234.5\"\n"
            "office:value-type=\"currency\" office:value=\"100.25\"\n"
            "office:value-type=\"date\" office:date-value=\"2025-12-09\"\n");
}

}  // namespace
}  // namespace oxqr
