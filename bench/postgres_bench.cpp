// Preview run of the customers report from PostgreSQL (over the Unix socket of the server
// that OXQR_BENCH_POSTGRES_URI or OXQR_TEST_POSTGRES_URI names) and from SQLite, at scales
// 10, 100 and 1000: pages per second and the process's peak memory. Peak RSS only grows
// within a process, so for one case's own figure run that case alone, e.g.
//   postgres_bench --benchmark_filter='source:1/scale:1000/'
// Without a server URI the PostgreSQL cases are skipped.
#include <libpq-fe.h>

#include <cstdlib>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "PgBenchSupport.h"
#include "Showcase/samples/SampleReports.h"
#include "data/Postgres.h"
#include "engine/Printer.h"

using namespace oxqr;
using oxqr::bench::ServerDatabaseAtScale;
using oxqr::bench::ServerUri;

namespace {

void BM_CustomersFrom(benchmark::State& state) {
  const bool server = state.range(0) == 1;
  const int scale = static_cast<int>(state.range(1));
  if (server && ServerUri().empty()) {
    state.SkipWithError("no server: set OXQR_BENCH_POSTGRES_URI");
    return;
  }
  TSampleContext ctx;
  ctx.DatabasePath = server ? ServerDatabaseAtScale(scale) : bench::DatabaseAtScale(scale);
  auto sample = MakeCustomersReport(ctx);
  int pages = 0;
  for (auto _ : state) {
    sample->Report().Prepare();
    pages = sample->Report().QRPrinter().PageCount();
  }
  state.counters["pages"] = pages;
  state.counters["pages_per_s"] =
      benchmark::Counter(static_cast<double>(pages) * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

}  // namespace

// source 0: the SQLite file; source 1: the PostgreSQL server.
BENCHMARK(BM_CustomersFrom)
    ->ArgNames({"source", "scale"})
    ->ArgsProduct({{0, 1}, {10, 100, 1000}})
    ->UseRealTime()  // waiting for the server counts
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

BENCHMARK_MAIN();
