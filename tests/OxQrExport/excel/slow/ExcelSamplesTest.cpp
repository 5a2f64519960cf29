// The four sample reports exported by the command-line program and read by LibreOffice,
// gnumeric and xlrd: each reader shows exactly the cells of the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <string>

#include "excel/SheetReaders.h"
#include "platform/Files.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using namespace oxqr::testing;

struct SampleCase {
  const char* Name;
  const char* Report;
  const char* MustShow;  // UTF-8 text (part of) some cell shows; empty when none is fixed
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
void Summarise(const std::string& who, const std::string& report, const std::string& bytes, const TReaderGrid& g) {
  int numbers = 0;
  for (const auto& c : SheetCells(bytes)) numbers += c.IsNumber();
  std::cout << "[excel] " << report << " " << who << ": " << g.Cells.size() << " cells shown, file has "
            << SheetCells(bytes).size() << " (" << numbers << " numeric), differences "
            << CompareWithFile(bytes, g).size() << "\n";
}

TEST_P(ExcelSamples, EveryReaderShowsTheFilesCells) {
  const auto& c = GetParam();
  const fs::path xls = dir_ / (std::string(c.Report) + ".xls");
  const auto run = RunShell(std::string(OXQR_EXPORTER) + " --quiet --db " + ShellQuote(OXQR_DEMODATA) + " " +
                            c.Report + " " + ShellQuote(xls.string()) + " 2>&1");
  ASSERT_EQ(run.Status, 0) << run.Output;
  const std::string bytes = ReadFileBytes(xls.string());
  ASSERT_FALSE(SheetCells(bytes).empty());

  const auto xlrd = ReadWithXlrd(xls);
  ASSERT_TRUE(xlrd.Ok) << xlrd.Error;
  const auto gnumeric = ReadWithSsconvert(xls, dir_ / "gnumeric");
  ASSERT_TRUE(gnumeric.Ok) << gnumeric.Error;
  const auto office = ReadWithSoffice(xls, dir_ / "office");
  ASSERT_TRUE(office.Ok) << office.Error;
  for (const auto& [who, grid] : {std::pair{"xlrd", &xlrd}, std::pair{"gnumeric", &gnumeric},
                                  std::pair{"LibreOffice", &office}}) {
    EXPECT_EQ(CompareWithFile(bytes, *grid), std::vector<std::string>()) << who;
    Summarise(who, c.Report, bytes, *grid);
    if (*c.MustShow != '\0') {
      bool shown = false;
      for (const auto& [pos, text] : grid->Cells) shown = shown || text.find(c.MustShow) != std::string::npos;
      EXPECT_TRUE(shown) << who << " shows no cell with \"" << c.MustShow << "\"";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Reports, ExcelSamples,
                         ::testing::Values(SampleCase{"Customers", "customers", ""},
                                           SampleCase{"Events", "events", ""},
                                           SampleCase{"RichText", "richtext", ""},
                                           SampleCase{"Chart", "chart", ""}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace oxqr
