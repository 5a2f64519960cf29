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
#include "Showcase/samples/SampleReports.h"
#include "data/Postgres.h"
#include "engine/Printer.h"

using namespace oxqr;

namespace {

std::string ServerUri() {
  for (const char* name : {"OXQR_BENCH_POSTGRES_URI", "OXQR_TEST_POSTGRES_URI"})
    if (const char* v = std::getenv(name); v && *v) return v;
  return {};
}

// `uri` naming database `name` instead of its own.
std::string WithDatabase(const std::string& uri, const std::string& name) {
  const auto authority = uri.find("://") + 3;
  const auto end = std::min(uri.find('/', authority), uri.find('?', authority));
  const auto query = uri.find('?', authority);
  return uri.substr(0, end) + "/" + name + (query == std::string::npos ? "" : uri.substr(query));
}

// DEMODATA at `scale` in database oxqr_bench_x<scale> of the server, loaded (when not
// there from an earlier run) by a child process (so that loading does not count in the peak RSS).
std::string ServerDatabaseAtScale(int scale) {
  static std::map<int, std::string> loaded;
  if (auto it = loaded.find(scale); it != loaded.end()) return it->second;
  const std::string name = "oxqr_bench_x" + std::to_string(scale);
  {
    TPgConn conn(PQconnectdb(ServerUri().c_str()));
    TPgResult exists(PQexec(conn.get(), ("SELECT 1 FROM pg_database WHERE datname = '" + name + "'").c_str()));
    if (PQntuples(exists.get()) == 0) TPgResult(PQexec(conn.get(), ("CREATE DATABASE " + name).c_str()));
  }
  const std::string uri = WithDatabase(ServerUri(), name);
  {
    // Loaded by an earlier run: 50 customers per scale.
    TPgConn conn(PQconnectdb(uri.c_str()));
    TPgResult count(PQexec(conn.get(), "SELECT count(*) FROM customer"));
    if (PQresultStatus(count.get()) == PGRES_TUPLES_OK && std::atoi(PQgetvalue(count.get(), 0, 0)) == 50 * scale)
      return loaded[scale] = uri;
  }
  const pid_t child = fork();
  if (child == 0) {
    int rc = 0;
    try {
      BuildDemoServerDatabase(uri, {scale}, true);
    } catch (...) {
      rc = 1;
    }
    _exit(rc);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("could not load the sample data into " + name);
  return loaded[scale] = uri;
}

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
