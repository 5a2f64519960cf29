// The sample reports read from a PostgreSQL copy of DEMODATA (label postgres): the same
// bytes as from the SQLite file in every format, and a server that stops while a long
// report is laid out ends the run with the server named.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../data/PgTestServer.h"
#include "OxQrExport/core/Settings.h"
#include "Showcase/samples/SampleContext.h"
#include "Showcase/samples/SampleReports.h"
#include "charting/ChartApplication.h"
#include "data/DataSet.h"
#include "data/tools/DemoDataBuilder.h"
#include "engine/FilterLibrary.h"
#include "engine/SaveCommand.h"
#include "platform/Locale.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class ServerSamples : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("oxqr_server_samples_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    TryEnsureChartApplication();
    InitializeExportLibrary();
    TLocalTime t;
    t.Tm.tm_year = 126;
    t.Tm.tm_mon = 2;
    t.Tm.tm_mday = 5;
    t.Tm.tm_hour = 14;
    t.Tm.tm_min = 5;
    SetFixedNow(t);
    SetTimeZoneBias(-60);
  }
  void TearDown() override {
    SetFixedNow(std::nullopt);
    SetTimeZoneBias(std::nullopt);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Exports sample `key` from `database` as file type `fileType` into folder `out`.
  void Export(const std::string& key, const std::string& database, int fileType, const fs::path& out,
              const std::string& ext) {
    fs::remove_all(out);
    fs::create_directories(out);
    auto sample = MakeSampleReport(key, DefaultSampleContext(database));
    sample->Report().Prepare();
    SaveReport(sample->Report(), (out / (key + "." + ext)).string(), fileType);
  }

  fs::path dir_;
};

TEST_P(ServerSamples, SameBytesAsFromTheSqliteFileInEveryFormat) {
  OXQR_REQUIRE_POSTGRES();
  const int scale = GetParam();
  const std::string file = (dir_ / "demo.sqlite").string();
  BuildDemoDatabase(file, {scale});
  const std::string server = test::PgDemoDatabase(scale);
  const auto& filters = FilterLibrary().Filters();
  for (const std::string& key : SampleReportKeys()) {
    for (int fileType = 1; fileType < static_cast<int>(filters.size()) + 2; ++fileType) {
      const std::string ext = fileType == 1 ? "qrp" : filters[static_cast<std::size_t>(fileType - 2)].Extension;
      SCOPED_TRACE(key + "." + ext);
      Export(key, file, fileType, dir_ / "file", ext);
      Export(key, server, fileType, dir_ / "server", ext);
      int files = 0;
      for (const auto& entry : fs::directory_iterator(dir_ / "file")) {
        const fs::path other = dir_ / "server" / entry.path().filename();
        ASSERT_TRUE(fs::exists(other)) << other;
        EXPECT_TRUE(ReadFile(entry.path()) == ReadFile(other)) << entry.path().filename() << " differs";
        ++files;
      }
      EXPECT_GT(files, 0);
      EXPECT_EQ(files, std::distance(fs::directory_iterator(dir_ / "server"), fs::directory_iterator()));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Scales, ServerSamples, ::testing::Values(1, 10),
                         [](const auto& info) { return "Scale" + std::to_string(info.param); });

// The spare server of the test run is stopped (all its processes at once) while the
// third page of a long report is laid out: the run ends with the server named and the
// earlier output file untouched.
TEST_F(ServerSamples, ServerStoppedWhilePageThreeIsLaidOut) {
  OXQR_REQUIRE_POSTGRES();
  const std::string spare = test::Env("OXQR_TEST_POSTGRES_SPARE_URI");
  const std::string data = test::Env("OXQR_TEST_POSTGRES_SPARE_DATA");
  const std::string bin = test::Env("OXQR_TEST_POSTGRES_BIN");
  ASSERT_FALSE(spare.empty() || data.empty() || bin.empty());
  BuildDemoServerDatabase(spare, {20}, true);

  const fs::path output = dir_ / "customers.pdf";
  std::ofstream(output) << "the previous export";
  auto sample = MakeSampleReport("customers", DefaultSampleContext(spare));
  bool stopped = false;
  sample->Report().OnProgress = [&](int page) {
    if (page != 3 || stopped) return;
    stopped = true;
    const std::string stop = "runuser -u postgres -- '" + bin + "/pg_ctl' -D '" + data + "' -m immediate -w stop >/dev/null";
    ASSERT_EQ(std::system(stop.c_str()), 0);
  };
  std::string error = "(no EDatabaseError)";
  try {
    sample->Report().Prepare();
    SaveReport(sample->Report(), output.string(), 2);
  } catch (const EDatabaseError& e) {
    error = e.what();
  }
  EXPECT_TRUE(stopped);
  EXPECT_NE(error.find("server closed the connection"), std::string::npos) << error;
  EXPECT_NE(error.find("database \"postgres\""), std::string::npos) << error;
  EXPECT_NE(error.find(spare.substr(spare.find("host=") + 5, spare.find('&') - spare.find("host=") - 5)), std::string::npos)
      << error;
  EXPECT_EQ(ReadFile(output), "the previous export");
  // Started again (with the options it had) for a later run of this program.
  const std::string start = "runuser -u postgres -- '" + bin + "/pg_ctl' -D '" + data + "' -w -l '" + data +
                            "/../server.log' restart >/dev/null 2>&1";
  (void)std::system(start.c_str());
}

}  // namespace
}  // namespace oxqr
