// Preview run of the customers report at several database scales: pages per second of
// the layout and the size of the page store it keeps (the prepared-report file bytes).
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "Showcase/samples/SampleReports.h"
#include "platform/Streams.h"

using namespace oxqr;

static void BM_PreviewCustomers(benchmark::State& state) {
  const int scale = static_cast<int>(state.range(0));
  TSampleContext ctx;
  ctx.DatabasePath = bench::DatabaseAtScale(scale);
  auto sample = MakeCustomersReport(ctx);
  int pages = 0;
  for (auto _ : state) {
    sample->Report().Prepare();
    pages = sample->Report().QRPrinter().PageCount();
  }
  TMemoryStream store;
  sample->Report().QRPrinter().SaveToStream(store);
  state.counters["pages"] = pages;
  state.counters["pages_per_s"] = benchmark::Counter(static_cast<double>(pages) * state.iterations(),
                                                     benchmark::Counter::kIsRate);
  state.counters["page_store_MiB"] = static_cast<double>(store.Size()) / (1024.0 * 1024.0);
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}
BENCHMARK(BM_PreviewCustomers)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
