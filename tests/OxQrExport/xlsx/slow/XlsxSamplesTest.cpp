// The four sample reports exported by the command-line program as .xlsx and .xls (with
// native numbers) and read by openpyxl, LibreOffice and gnumeric: every reader shows the
// worksheet format's cells, field values as numbers, and the header rows frozen.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "excel/SheetReaders.h"
#include "platform/Files.h"
#include "xlsx/WorkbookReaders.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using namespace oxqr::testing;

struct SampleCase {
  const char* Name;
  const char* Report;
  friend void PrintTo(const SampleCase& c, std::ostream* os) { *os << c.Name; }
};

class XlsxSamples : public ::testing::TestWithParam<SampleCase> {
 protected:
  void SetUp() override {
    if (!HaveProgram("soffice") || !HaveProgram("ssconvert") || !HaveOpenpyxl())
      GTEST_SKIP() << "soffice, ssconvert or python3-openpyxl missing";
    dir_ = fs::temp_directory_path() / ("oxqr-xlsx-samples-" + std::string(GetParam().Name));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir_.empty() && std::getenv("OXQR_KEEP_SCRATCH") == nullptr) fs::remove_all(dir_, ec);
  }
  void Export(const fs::path& out) {
    const auto run = RunShell(std::string(OXQR_EXPORTER) + " --quiet --db " + ShellQuote(OXQR_DEMODATA) +
                              " --set Excel.NativeNumbers=true " + GetParam().Report + " " + ShellQuote(out.string()) +
                              " 2>&1");
    ASSERT_EQ(run.Status, 0) << run.Output;
  }
  fs::path dir_;
};

// The differences the two formats are meant to have: a text the worksheet format cut at 255
// characters is whole in the workbook. The print time may move on between the two runs.
std::vector<std::string> Unexpected(std::vector<std::string> diffs) {
  std::erase_if(diffs, [](const std::string& d) {
    if (d.find("\" Printed on: ") != std::string::npos) return true;
    const auto shown = d.find("\" shown as \"");
    const auto open = d.find('"');
    return shown != std::string::npos && shown - open - 1 == 255 &&
           d.compare(shown + 12, 255, d, open + 1, 255) == 0;
  });
  return diffs;
}

TEST_P(XlsxSamples, EveryReaderShowsTheWorksheetFormatsCells) {
  const auto& c = GetParam();
  const fs::path xls = dir_ / (std::string(c.Report) + ".xls");
  const fs::path xlsx = dir_ / (std::string(c.Report) + ".xlsx");
  Export(xls);
  Export(xlsx);
  const std::string bytes = ReadFileBytes(xls.string());
  int numbers = 0;
  for (const auto& cell : SheetCells(bytes)) numbers += cell.IsNumber();

  const auto view = ReadWithOpenpyxl(xlsx);
  ASSERT_TRUE(view.Grid.Ok) << view.Grid.Error;
  EXPECT_EQ(view.Formulas, 0);
  // Every sample has a page header: its rows on the first page stay in view.
  EXPECT_FALSE(view.Freeze.empty());
  const auto gnumeric = ReadWithSsconvert(xlsx, dir_ / "gnumeric");
  ASSERT_TRUE(gnumeric.Ok) << gnumeric.Error;
  const auto office = ReadWithSoffice(xlsx, dir_ / "office");
  ASSERT_TRUE(office.Ok) << office.Error;
  for (const auto& [who, grid] : {std::pair{"openpyxl", &view.Grid}, std::pair{"gnumeric", &gnumeric},
                                  std::pair{"LibreOffice", &office}}) {
    auto diffs = Unexpected(CompareWithFile(bytes, *grid));
    // gnumeric's plain CSV writes dates in its own style: only the cells' places must agree.
    if (grid == &gnumeric)
      std::erase_if(diffs, [](const std::string& d) { return d.find(" shown as ") != std::string::npos; });
    EXPECT_EQ(diffs, std::vector<std::string>()) << who;
    std::cout << "[xlsx] " << c.Name << " " << who << ": " << grid->Cells.size() << " cells shown, .xls has "
              << SheetCells(bytes).size() << " (" << numbers << " numeric), differences " << diffs.size() << "\n";
  }
  // LibreOffice's own file of the workbook holds the same count of numbers and dates.
  const auto ods = ConvertToOds(xlsx, dir_ / "ods");
  ASSERT_TRUE(ods.Ok) << ods.Error;
  EXPECT_EQ(ods.Numbers + ods.Dates, numbers);
  std::cout << "[xlsx] " << c.Name << " ODS: " << ods.Numbers << " numbers, " << ods.Dates << " dates, " << ods.Texts
            << " texts\n";
}

INSTANTIATE_TEST_SUITE_P(Reports, XlsxSamples,
                         ::testing::Values(SampleCase{"Customers", "customers"}, SampleCase{"Events", "events"},
                                           SampleCase{"RichText", "richtext"}, SampleCase{"Chart", "chart"},
                                           SampleCase{"Sales", "sales"}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace oxqr
