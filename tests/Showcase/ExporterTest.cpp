// The command-line exporter end to end: the program as a user runs it, over the
// sample database of the build.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/Printer.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace fs = std::filesystem;
using namespace oxqr;

namespace {

struct TRun {
  int Status = -1;
  std::string Out;
};

TRun RunExporter(const std::string& args) {
  const std::string cmd = std::string(OXQR_EXPORTER) + " --quiet " + args + " 2>/dev/null";
  TRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf{};
  std::size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.Out.append(buf.data(), n);
  const int st = pclose(p);
  r.Status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::vector<std::string> Lines(const std::string& s, const std::string& sep = "\n") {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t pos; (pos = s.find(sep, start)) != std::string::npos; start = pos + sep.size())
    out.push_back(s.substr(start, pos - start));
  if (start < s.size()) out.push_back(s.substr(start));
  return out;
}

std::vector<std::string> Column(const std::string& sql) {
  sqlite3* db = nullptr;
  std::vector<std::string> out;
  if (sqlite3_open_v2(OXQR_DEMODATA, &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
      while (sqlite3_step(st) == SQLITE_ROW)
        out.push_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return out;
}

class ExporterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("oxqr-exporter-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(ExporterTest, ListsReportsFormatsInRegistryOrderAndTheDatabase) {
  const TRun r = RunExporter("--list");
  ASSERT_EQ(r.Status, 0);
  const auto lines = Lines(r.Out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Reports:");
  EXPECT_NE(r.Out.find("customers\tCustomer Orders, Master-Detail\n"), std::string::npos);
  EXPECT_NE(r.Out.find("events\t"), std::string::npos);
  const std::string formats =
      "Formats:\nhtm\tHTML Document\npdf\tAdobe Acrobat Document\nrtf\tRich Text Format\n"
      "xls\tMicrosoft Excel Worksheet\ntxt\tText Document\ngif\tGIF Image File\njpg\tJPEG Image File\n"
      "bmp\tBitmap File\nemf\tEnhanced Metafile\nwmf\tWindows Metafile\nDatabase: /";
  EXPECT_NE(r.Out.find(formats), std::string::npos) << r.Out;
}

TEST_F(ExporterTest, ListShowsTheFormatsLeftVisibleBySettings) {
  const TRun r = RunExporter("--set VisibleFilters=fkText,fkPDF --list");
  ASSERT_EQ(r.Status, 0);
  EXPECT_NE(r.Out.find("Formats:\npdf\tAdobe Acrobat Document\ntxt\tText Document\nDatabase: "), std::string::npos) << r.Out;
}

TEST_F(ExporterTest, UsageErrorsExitTwo) {
  for (const char* args : {"", "customers", "--set NoSuch.Path=1 customers x.txt", "--set Text.XScaleFactor=abc customers x.txt",
                           "nosuchreport x.txt", "customers x.unknownext", "--bogus customers x.txt"}) {
    EXPECT_EQ(RunExporter(args).Status, 2) << args;
  }
}

TEST_F(ExporterTest, MissingDatabaseIsAnErrorNamingTheFile) {
  const std::string cmd = std::string(OXQR_EXPORTER) + " --quiet --db /nonexistent/db.sqlite customers " +
                          (dir_ / "c.txt").string() + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string out;
  std::array<char, 4096> buf{};
  std::size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  const int st = pclose(p);
  EXPECT_EQ(WEXITSTATUS(st), 1);
  EXPECT_NE(out.find("/nonexistent/db.sqlite"), std::string::npos) << out;
}

TEST_F(ExporterTest, CustomersAsTextHoldsEveryCustomerAndOrderOnFullWidthPages) {
  const fs::path out = dir_ / "customers.txt";
  const TRun r = RunExporter("customers " + out.string());
  ASSERT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out, out.string() + "\n");
  const std::string text = ReadFileBytes(out.string());
  const auto rows = Lines(text, "\r\n");
  ASSERT_GT(rows.size(), 10u);
  // Every row but the form feeds is as wide as the first (the page in columns).
  const std::size_t width = rows.front().size();
  int pages = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i] == "\f") {
      ++pages;
      ASSERT_GT(i, 0u);
      EXPECT_EQ(rows[i - 1], std::string(width, '-')) << "page " << pages << " does not end with the dash row";
      continue;
    }
    EXPECT_EQ(rows[i].size(), width) << "row " << i;
  }
  EXPECT_GT(pages, 1);
  EXPECT_EQ(rows.back(), "\f");
  for (const auto& company : Column("SELECT Company FROM customer"))
    EXPECT_NE(text.find(Utf8ToAnsi(company)), std::string::npos) << company;
  for (const auto& order : Column("SELECT OrderNo FROM orders"))
    EXPECT_NE(text.find("#" + order), std::string::npos) << order;
}

TEST_F(ExporterTest, TextPerPageFilesAndPreparedReportAgreeOnPageCount) {
  const TRun qrp = RunExporter("customers " + (dir_ / "c.qrp").string());
  ASSERT_EQ(qrp.Status, 0);
  TQRPrinter printer;
  printer.LoadFromFile((dir_ / "c.qrp").string());
  ASSERT_GT(printer.PageCount(), 1);

  const TRun txt = RunExporter("--set Text.SingleFile=false customers " + (dir_ / "c.txt").string());
  ASSERT_EQ(txt.Status, 0);
  const auto files = Lines(txt.Out);
  ASSERT_EQ(static_cast<int>(files.size()), printer.PageCount());
  for (std::size_t i = 0; i < files.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "c%04zu.txt", i + 1);
    EXPECT_EQ(files[i], (dir_ / name).string());
    EXPECT_TRUE(fs::exists(files[i]));
  }
}

TEST_F(ExporterTest, PageImagesOnePerPreviewPageInPageOrder) {
  const TRun qrp = RunExporter("events " + (dir_ / "e.qrp").string());
  ASSERT_EQ(qrp.Status, 0);
  TQRPrinter printer;
  printer.LoadFromFile((dir_ / "e.qrp").string());
  for (const char* ext : {"jpg", "gif", "bmp", "emf", "wmf"}) {
    const TRun r = RunExporter("events " + (dir_ / (std::string("e.") + ext)).string());
    ASSERT_EQ(r.Status, 0) << ext;
    const auto files = Lines(r.Out);
    ASSERT_EQ(static_cast<int>(files.size()), printer.PageCount()) << ext;
    for (std::size_t i = 0; i < files.size(); ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "e%04zu.%s", i + 1, ext);
      EXPECT_EQ(files[i], (dir_ / name).string());
      EXPECT_GT(fs::file_size(files[i]), 0u);
    }
  }
}

TEST_F(ExporterTest, FormatsNotInThisBuildFailWithoutWritingAFile) {
  const fs::path out = dir_ / "c.pdf";
  EXPECT_EQ(RunExporter("customers " + out.string()).Status, 1);
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
