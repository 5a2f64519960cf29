// The four sample reports exported by the command-line program and read by LibreOffice,
// gnumeric and xlrd: each reader shows exactly the cells of the file, and with native numbers
// LibreOffice shows each number cell as the report prints it.
#include <gtest/gtest.h>

#include <ostream>

#include <filesystem>
#include <iostream>
#include <map>
#include <string>

#include "excel/SheetReaders.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using namespace oxqr::testing;

struct SampleCase {
  const char* Name;
  const char* Report;
  const char* MustShow;  // UTF-8 text (part of) some cell shows; empty when none is fixed
  bool Native = false;   // Excel.NativeNumbers on
  friend void PrintTo(const SampleCase& c, std::ostream* os) { *os << c.Name; }
};

class ExcelSamples : public ::testing::TestWithParam<SampleCase> {
 protected:
  void SetUp() override {
    if (!HaveProgram("soffice") || !HaveProgram("ssconvert") ||
        RunShell("/usr/bin/python3 -c 'import xlrd' 2>/dev/null").Status != 0)
      GTEST_SKIP() << "soffice, ssconvert or python3-xlrd missing";
    dir_ = fs::temp_directory_path() / ("oxqr-excel-samples-" + std::string(GetParam().Name));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir_.empty() && std::getenv("OXQR_KEEP_SCRATCH") == nullptr) fs::remove_all(dir_, ec);
  }
  fs::path dir_;
};

// Counts shown for the closing note: cells, numeric cells, cells outside the file.
void Summarise(const std::string& who, const SampleCase& sample, const std::string& bytes, const TReaderGrid& g,
               std::size_t differences) {
  int numbers = 0;
  for (const auto& c : SheetCells(bytes)) numbers += c.IsNumber();
  std::cout << "[excel] " << sample.Name << " " << who << ": " << g.Cells.size() << " cells shown, file has "
            << SheetCells(bytes).size() << " (" << numbers << " numeric), differences "
            << differences << "\n";
}

TEST_P(ExcelSamples, EveryReaderShowsTheFilesCells) {
  const auto& c = GetParam();
  const fs::path xls = dir_ / (std::string(c.Report) + ".xls");
  const auto run = RunShell(std::string(OXQR_EXPORTER) + " --quiet --db " + ShellQuote(OXQR_DEMODATA) +
                            (c.Native ? " --set Excel.NativeNumbers=true " : " ") + c.Report + " " +
                            ShellQuote(xls.string()) + " 2>&1");
  ASSERT_EQ(run.Status, 0) << run.Output;
  const std::string bytes = ReadFileBytes(xls.string());
  ASSERT_FALSE(SheetCells(bytes).empty());
  if (c.Native) {
    // Order numbers, amounts and dates of the fields become number cells.
    int numbers = 0;
    for (const auto& cell : SheetCells(bytes)) numbers += cell.IsNumber();
    EXPECT_GT(numbers, 0);
    // LibreOffice shows every number cell as the report prints it: the text the default
    // export writes into the same cell.
    const fs::path plain = dir_ / "plain.xls";
    const auto plainRun = RunShell(std::string(OXQR_EXPORTER) + " --quiet --db " + ShellQuote(OXQR_DEMODATA) + " " +
                                   c.Report + " " + ShellQuote(plain.string()) + " 2>&1");
    ASSERT_EQ(plainRun.Status, 0) << plainRun.Output;
    std::map<TCellPos, std::string> printed;
    for (const auto& cell : SheetCells(ReadFileBytes(plain.string())))
      printed[{cell.Row, cell.Column}] = AnsiToUtf8(cell.Text);
    const auto csv =
        SofficeConvert(xls, "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true", dir_ / "shown");
    ASSERT_TRUE(fs::exists(csv));
    const auto shown = ParseCsv(ReadFileBytes(csv.string()));
    for (const auto& cell : SheetCells(bytes)) {
      if (!cell.IsNumber()) continue;
      const TCellPos pos{cell.Row, cell.Column};
      const auto s = shown.find(pos);
      EXPECT_EQ(s == shown.end() ? "(none)" : s->second, printed[pos])
          << "row " << cell.Row << " column " << cell.Column;
    }
  }

  const auto xlrd = ReadWithXlrd(xls);
  ASSERT_TRUE(xlrd.Ok) << xlrd.Error;
  const auto gnumeric = ReadWithSsconvert(xls, dir_ / "gnumeric");
  ASSERT_TRUE(gnumeric.Ok) << gnumeric.Error;
  const auto office = ReadWithSoffice(xls, dir_ / "office");
  ASSERT_TRUE(office.Ok) << office.Error;
  for (const auto& [who, grid] : {std::pair{"xlrd", &xlrd}, std::pair{"gnumeric", &gnumeric},
                                  std::pair{"LibreOffice", &office}}) {
    auto diffs = CompareWithFile(bytes, *grid);
    if (c.Native && grid == &gnumeric) {
      // gnumeric's plain CSV writes dates in its own style: only the cells' places must agree.
      std::erase_if(diffs, [](const std::string& d) { return d.find(" shown as ") != std::string::npos; });
    }
    EXPECT_EQ(diffs, std::vector<std::string>()) << who;
    Summarise(who, c, bytes, *grid, diffs.size());
    if (*c.MustShow != '\0') {
      bool shown = false;
      for (const auto& [pos, text] : grid->Cells) shown = shown || text.find(c.MustShow) != std::string::npos;
      EXPECT_TRUE(shown) << who << " shows no cell with \"" << c.MustShow << "\"";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Reports, ExcelSamples,
                         ::testing::Values(SampleCase{"Customers", "customers", "Zürich"},
                                           SampleCase{"Events", "events", "Café Müller"},
                                           SampleCase{"RichText", "richtext", "•"},
                                           SampleCase{"Chart", "chart", ""},
                                           SampleCase{"Sales", "sales", "orders of all customers"},
                                           SampleCase{"CustomersNativeNumbers", "customers", "Montréal", true}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace oxqr
