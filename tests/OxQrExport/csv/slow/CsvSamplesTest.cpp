// The four sample reports exported as CSV by the command-line program and read by Python's
// csv module and LibreOffice: the same rows and fields, no formula.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>

#include <filesystem>
#include <iostream>
#include <map>
#include <ostream>
#include <string>

#include "excel/SheetReaders.h"
#include "platform/Files.h"
#include "support/ReaderSupport.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using namespace oxqr::testing;
using TFields = std::map<TCellPos, std::string>;

struct SampleCase {
  const char* Name;
  const char* Report;
  friend void PrintTo(const SampleCase& c, std::ostream* os) { *os << c.Name; }
};

class CsvSamples : public ::testing::TestWithParam<SampleCase> {
 protected:
  void SetUp() override {
    if (!HaveProgram("soffice")) GTEST_SKIP() << "soffice missing";
    dir_ = fs::temp_directory_path() / ("oxqr-csv-samples-" + std::string(GetParam().Name));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir_.empty() && std::getenv("OXQR_KEEP_SCRATCH") == nullptr) fs::remove_all(dir_, ec);
  }
  fs::path dir_;
};

TEST_P(CsvSamples, PythonAndLibreOfficeReadTheSameRowsAndFields) {
  const fs::path csv = dir_ / (std::string(GetParam().Report) + ".csv");
  const auto run = RunShell(std::string(OXQR_EXPORTER) + " --quiet --db " + ShellQuote(OXQR_DEMODATA) + " " +
                            GetParam().Report + " " + ShellQuote(csv.string()) + " 2>&1");
  ASSERT_EQ(run.Status, 0) << run.Output;

  static const char* script =
      "import sys, csv, json\n"
      "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
      "  rows = list(csv.reader(f, strict=True))\n"
      "sys.stdout.write(json.dumps(rows))\n";
  const auto py = RunShell("/usr/bin/python3 -c " + ShellQuote(script) + " " + ShellQuote(csv.string()) + " 2>&1");
  ASSERT_EQ(py.Status, 0) << py.Output;
  const QJsonArray rows = QJsonDocument::fromJson(QByteArray::fromStdString(py.Output)).array();
  ASSERT_GT(rows.size(), 0);
  TFields python;
  for (int r = 0; r < rows.size(); ++r) {
    const QJsonArray row = rows[r].toArray();
    EXPECT_FALSE(row.isEmpty()) << "line " << r + 1 << " is empty";
    for (int c = 0; c < row.size(); ++c)
      if (!row[c].toString().isEmpty()) python[{r, c}] = row[c].toString().toStdString();
  }

  const fs::path office = dir_ / "office";
  fs::create_directories(office);
  RunShell("timeout 300 soffice -env:UserInstallation=file://" + (office / ".lo-profile").string() +
           " --headless --infilter=CSV:44,34,76,1 --convert-to " +
           ShellQuote("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true") + " --outdir " +
           ShellQuote(office.string()) + " " + ShellQuote(csv.string()) + " >/dev/null 2>&1");
  ASSERT_TRUE(fs::exists(office / csv.filename()));
  EXPECT_EQ(ParseCsv(ReadFileBytes((office / csv.filename()).string())), python);
  std::cout << "[csv] " << GetParam().Name << ": " << rows.size() << " lines, " << python.size() << " fields\n";
}

INSTANTIATE_TEST_SUITE_P(Reports, CsvSamples,
                         ::testing::Values(SampleCase{"Customers", "customers"}, SampleCase{"Events", "events"},
                                           SampleCase{"RichText", "richtext"}, SampleCase{"Chart", "chart"},
                                           SampleCase{"Sales", "sales"}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace oxqr
