// Burst runs over the PostgreSQL test server: four shards started by GNU parallel write the
// files of one run, each process restricting the master on the server.
#include <gtest/gtest.h>
#include <unistd.h>

#include "BurstTestSupport.h"
#include "tests/data/PgTestServer.h"

namespace {

TEST(BurstPostgresTest, FourShardsWriteTheFilesOfOneRun) {
  OXQR_REQUIRE_POSTGRES();
  if (!oxqr::testing::HaveProgram("parallel")) GTEST_SKIP() << "GNU parallel is not installed";
  const std::string uri = oxqr::test::PgDemoDatabase();
  const auto dir = std::filesystem::temp_directory_path() / ("oxqr-burst-pg-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  oxqr::burst_test::CheckFourShardsWriteTheFilesOfOneRun(dir, uri);
  std::filesystem::remove_all(dir);
}

}  // namespace
