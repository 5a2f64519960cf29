// Burst runs over the PostgreSQL test server: four shards started by GNU parallel write the
// files of one run, each process restricting the master on the server, and a shard costs
// the server few round trips per document, counted in libpq's own trace.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

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

// What the trace shows of one run: the server's answers (one ReadyForQuery each), the
// executions of the per-master detail statement, and the statements prepared by name.
struct TTraceCounts {
  int Answers = 0;
  int DetailReads = 0;
  int Prepared = 0;
};

TTraceCounts CountTrace(const std::string& path) {
  TTraceCounts c;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    const bool named = line.find("\"oxqr_s") != std::string::npos;
    if (line.starts_with("B\t") && line.find("\tReadyForQuery\t") != std::string::npos) ++c.Answers;
    if (line.starts_with("F\t") && line.find("\tBind\t") != std::string::npos && named) ++c.DetailReads;
    if (line.starts_with("F\t") && line.find("\tParse\t") != std::string::npos && named) ++c.Prepared;
  }
  return c;
}

struct TTracedShard {
  int Documents = 0;
  TTraceCounts Counts;
};

// Shard `shard` of a burst of the customers report (customers with their orders), traced.
TTracedShard RunTracedShard(const std::string& uri, const std::string& shard) {
  using oxqr::testing::ShellQuote;
  const auto dir = std::filesystem::temp_directory_path() / ("oxqr-burst-pg-trips-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string trace = (dir / "libpq.trace").string();
  const auto r = oxqr::testing::RunShell("OXQR_PG_TRACE=" + ShellQuote(trace) + " " + oxqr::burst_test::kExporter +
                                         " --db " + ShellQuote(uri) + " --shard " + shard +
                                         " --burst CustNo customers " + ShellQuote((dir / "out/{CustNo}.pdf").string()) +
                                         " 2>&1");
  EXPECT_EQ(r.Status, 0) << r.Output;
  TTracedShard t{static_cast<int>(oxqr::burst_test::Files(dir / "out").size()), CountTrace(trace)};
  std::filesystem::remove_all(dir);
  return t;
}

// What a document adds to a shard's run: a round trip or two besides its detail read (the
// master restricted, opened and closed once), no statement prepared again, and no orders
// read for customers of other shards (one read for the first customer when the definition
// opens its datasets).
TEST(BurstPostgresTest, ADocumentCostsARoundTripBesidesItsDetailReadAndOtherShardsCostNothing) {
  OXQR_REQUIRE_POSTGRES();
  const std::string uri = oxqr::test::PgDemoDatabase();
  const TTracedShard small = RunTracedShard(uri, "1/5");
  const TTracedShard large = RunTracedShard(uri, "1/2");
  ASSERT_GE(large.Documents - small.Documents, 10);
  for (const auto& t : {small, large}) {
    EXPECT_EQ(t.Counts.DetailReads, t.Documents + 1) << t.Documents << " documents";
    EXPECT_LE(t.Counts.Prepared, 4) << t.Documents << " documents";
  }
  EXPECT_EQ(large.Counts.Prepared, small.Counts.Prepared) << "statements prepared again for documents";
  const double perDocument = static_cast<double>((large.Counts.Answers - large.Counts.DetailReads) -
                                                 (small.Counts.Answers - small.Counts.DetailReads)) /
                             (large.Documents - small.Documents);
  EXPECT_LE(perDocument, 2.0) << small.Counts.Answers << " answers for " << small.Documents << " documents, "
                              << large.Counts.Answers << " for " << large.Documents;
}

}  // namespace
