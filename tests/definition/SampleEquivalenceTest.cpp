// Each sample definition against the sample built in C++: the same files, byte for byte,
// in every save type, with the clock pinned.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "OxQrExport/core/Settings.h"
#include "Showcase/samples/SampleDrawings.h"
#include "Showcase/samples/SampleReports.h"
#include "charting/ChartApplication.h"
#include "definition/ReportDefinition.h"
#include "engine/FilterLibrary.h"
#include "engine/SaveCommand.h"
#include "platform/Locale.h"
#include "tests/data/TestDatabases.h"

namespace fs = std::filesystem;

namespace oxqr {
namespace {

std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void SaveEveryType(TQRCustomReport& report, const fs::path& dir, const std::string& key) {
  fs::create_directories(dir);
  report.Prepare();
  SaveReport(report, (dir / (key + ".qrp")).string(), 1);
  const auto& filters = FilterLibrary().Filters();
  for (std::size_t i = 0; i < filters.size(); ++i)
    SaveReport(report, (dir / (key + "." + filters[i].Extension)).string(), static_cast<int>(i) + 2);
}

TEST(SampleEquivalence, DumpPictures) {
  if (!std::getenv("OXQR_DUMP_SAMPLE_PICTURES")) GTEST_SKIP();
  const fs::path dir = fs::path(OXQR_TEST_SOURCE_DIR) / "Showcase" / "reports";
  ASSERT_TRUE(SampleLogo().Image().save(QString::fromStdString((dir / "logo.png").string()), "PNG"));
  ASSERT_TRUE(PhoneIcon().Image().save(QString::fromStdString((dir / "phone.png").string()), "PNG"));
  ASSERT_TRUE(GlobeIcon().Image().save(QString::fromStdString((dir / "globe.png").string()), "PNG"));
}

class SampleEquivalence : public ::testing::TestWithParam<std::string> {};

TEST_P(SampleEquivalence, DefinitionSavesTheSameBytesAsTheCode) {
  TryEnsureChartApplication();
  InitializeExportLibrary();
  TLocalTime fixed;
  fixed.Tm.tm_year = 2026 - 1900;
  fixed.Tm.tm_mon = 2;
  fixed.Tm.tm_mday = 9;
  fixed.Tm.tm_hour = 14;
  fixed.Tm.tm_min = 5;
  SetFixedNow(fixed);
  const std::string key = GetParam();
  const fs::path out = fs::path(OXQR_TEST_BINARY_DIR) / "equivalence" / key;
  fs::remove_all(out);
  const std::string db = test::DemoDatabase();
  {
    auto sample = MakeSampleReport(key, {db, (fs::path(OXQR_TEST_SOURCE_DIR) / "Showcase" / "resources").string()});
    SaveEveryType(sample->Report(), out / "code", key);
  }
  {
    TDefinitionOptions options;
    options.DatabasePath = db;
    auto def = LoadReportDefinition(
        (fs::path(OXQR_TEST_BINARY_DIR) / "bin" / "reports" / (key + ".oxr")).string(), options);
    SaveEveryType(def->Report(), out / "definition", key);
  }
  SetFixedNow(std::nullopt);
  int files = 0;
  for (const auto& entry : fs::directory_iterator(out / "code")) {
    const fs::path other = out / "definition" / entry.path().filename();
    ASSERT_TRUE(fs::exists(other)) << other;
    EXPECT_TRUE(Bytes(entry.path()) == Bytes(other)) << entry.path().filename();
    ++files;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(out / "definition"), fs::directory_iterator()), files);
  std::cout << key << ": " << files << " files compared\n";
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleEquivalence, ::testing::Values("customers", "events", "richtext", "chart"));

}  // namespace
}  // namespace oxqr
