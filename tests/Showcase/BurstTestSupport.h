#pragma once
// What the burst tests share: the exporter with its clock pinned, the sample customers, the
// files of a folder, and the check that four shards write the files of one run.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Showcase/burst/BurstManifest.h"
#include "platform/Files.h"
#include "tests/OxQrExport/support/ReaderSupport.h"

namespace oxqr::burst_test {

namespace fs = std::filesystem;

// Every run pins the clock, so that two runs of one burst write the same bytes.
inline const std::string kExporter =
    "SOURCE_DATE_EPOCH=1700000000 " + oxqr::testing::ShellQuote(OXQR_EXPORTER) + " --quiet";

// The customers (number and company) in the master's order.
inline std::vector<std::pair<std::string, std::string>> Customers(const std::string& db = OXQR_DEMODATA) {
  std::vector<std::pair<std::string, std::string>> out;
  sqlite3* h = nullptr;
  if (sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h, "SELECT CustNo, Company FROM customer ORDER BY rowid", -1, &st, nullptr) == SQLITE_OK) {
      while (sqlite3_step(st) == SQLITE_ROW) {
        out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                         reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
      }
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(h);
  return out;
}

// The regular files under `dir` (names relative to it) with their bytes.
inline std::map<std::string, std::string> Files(const fs::path& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.is_regular_file()) out[fs::relative(e.path(), dir).string()] = ReadFileBytes(e.path().string());
  }
  return out;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    out.push_back(text.substr(start, nl - start));
  return out;
}

// One unsharded run and four shards started by GNU parallel (through the shipped script)
// write the same documents into `dir`, byte for byte, and the shards' manifests add up to the
// whole run. `database` is the database (empty: the build's sample file).
inline void CheckFourShardsWriteTheFilesOfOneRun(const fs::path& dir, const std::string& database) {
  using oxqr::testing::RunShell;
  using oxqr::testing::ShellQuote;
  const std::string db = database.empty() ? std::string() : "--db " + ShellQuote(database);
  const auto whole = RunShell(kExporter + " " + db + " --burst CustNo customers " +
                              ShellQuote((dir / "whole/{CustNo}.pdf").string()) + " 2>&1");
  ASSERT_EQ(whole.Status, 0) << whole.Output;
  const fs::path shards = dir / "shards";
  const auto r = RunShell("SOURCE_DATE_EPOCH=1700000000 PATH=" + ShellQuote(fs::path(OXQR_EXPORTER).parent_path().string()) +
                          ":\"$PATH\" OXQR_DATABASE=" + ShellQuote(database) + " " +
                          ShellQuote(OXQR_TEST_SOURCE_DIR "/deploy/burst-parallel.sh") + " 4 " +
                          ShellQuote(shards.string()) + " 2>&1");
  ASSERT_EQ(r.Status, 0) << r.Output;
  const auto files = Files(dir / "whole");
  ASSERT_GT(files.size(), 10u);
  auto written = Files(shards);
  std::erase_if(written, [](const auto& f) { return !f.first.ends_with(".pdf"); });
  EXPECT_EQ(written, files);

  std::size_t lines = 0;
  std::set<std::string> recorded;
  for (int s = 0; s < 4; ++s) {
    const std::string manifest = (shards / ("manifest-" + std::to_string(s) + ".jsonl")).string();
    lines += Lines(ReadFileBytes(manifest)).size();
    for (const auto& [file, status] : LastStatusByFile(manifest)) {
      EXPECT_EQ(status, "ok") << file;
      EXPECT_TRUE(recorded.insert(fs::path(file).filename().string()).second) << file << " in two shards";
    }
  }
  EXPECT_EQ(lines, files.size());
  EXPECT_EQ(recorded.size(), files.size());
}

// A test with a folder of its own under the temporary folder, removed afterwards.
class TFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("oxqr-burst-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

}  // namespace oxqr::burst_test
