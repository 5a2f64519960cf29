// Burst outputs as a PDF reader sees them: the customers report burst by customer gives one
// document per customer whose text is that customer's part of the whole report's text.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/OxQrExport/support/ReaderSupport.h"

namespace fs = std::filesystem;
using oxqr::testing::HaveProgram;
using oxqr::testing::RunShell;
using oxqr::testing::ShellQuote;

namespace {

const std::string kExporter = "SOURCE_DATE_EPOCH=1700000000 " + ShellQuote(OXQR_EXPORTER) + " --quiet";

std::vector<std::string> CustomerNumbers() {
  std::vector<std::string> out;
  sqlite3* h = nullptr;
  if (sqlite3_open_v2(OXQR_DEMODATA, &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h, "SELECT CustNo FROM customer ORDER BY rowid", -1, &st, nullptr) == SQLITE_OK) {
      while (sqlite3_step(st) == SQLITE_ROW) out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(h);
  return out;
}

// The text lines of `pdf` in drawing order, without the title and page header lines that
// every document has (the whole report once, each burst once) and without page breaks.
std::vector<std::string> BodyLines(const fs::path& pdf) {
  const auto r = RunShell("pdftotext -raw " + ShellQuote(pdf.string()) + " -");
  std::vector<std::string> lines;
  std::istringstream in(r.Output);
  for (std::string line; std::getline(in, line);) {
    std::erase(line, '\f');
    if (line.empty() || line == "OxQRFilters" || line == "OxQRFilters Master-Detail Demo") continue;
    lines.push_back(line);
  }
  return lines;
}

TEST(BurstReadersTest, EachCustomersDocumentIsItsPartOfTheWholeReport) {
  if (!HaveProgram("pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
  const fs::path dir = fs::temp_directory_path() / ("oxqr-burst-readers-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  ASSERT_EQ(RunShell(kExporter + " customers " + ShellQuote((dir / "whole.pdf").string())).Status, 0);
  ASSERT_EQ(RunShell(kExporter + " --burst CustNo customers " + ShellQuote((dir / "out/{CustNo}.pdf").string())).Status, 0);

  const std::vector<std::string> whole = BodyLines(dir / "whole.pdf");
  const std::vector<std::string> customers = CustomerNumbers();
  ASSERT_GT(customers.size(), 10u);
  const bool qpdf = HaveProgram("qpdf");
  std::size_t at = 0;  // where the next customer's part starts in the whole report's lines
  for (const auto& no : customers) {
    const fs::path pdf = dir / "out" / (no + ".pdf");
    if (qpdf) {
      EXPECT_EQ(RunShell("qpdf --check " + ShellQuote(pdf.string()) + " >/dev/null 2>&1").Status, 0) << pdf;
    }
    const std::vector<std::string> part = BodyLines(pdf);
    ASSERT_FALSE(part.empty()) << no;
    ASSERT_LE(at + part.size(), whole.size()) << no;
    const std::vector<std::string> slice(whole.begin() + static_cast<std::ptrdiff_t>(at),
                                         whole.begin() + static_cast<std::ptrdiff_t>(at + part.size()));
    EXPECT_EQ(part, slice) << "customer " << no;
    at += part.size();
  }
  EXPECT_EQ(at, whole.size()) << "the bursts leave lines of the whole report out";
  fs::remove_all(dir);
}

}  // namespace
