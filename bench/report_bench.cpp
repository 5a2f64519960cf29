// Preview run of the customers report at several database scales: pages per second of
// the layout, the bytes of page store the printer keeps in memory per page, and the
// process's peak memory. Arguments: database scale, page memory budget in MiB (0 keeps
// every page in memory). Peak RSS only grows within a process, so for one scale's own
// figure run that case alone, e.g. --benchmark_filter='scale:1000/budget_MiB:24/'.
#include <algorithm>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "Showcase/samples/SampleReports.h"
#include "engine/Printer.h"

using namespace oxqr;

static void BM_PreviewCustomers(benchmark::State& state) {
  const int scale = static_cast<int>(state.range(0));
  const auto budget = static_cast<std::size_t>(state.range(1)) << 20;
  TSampleContext ctx;
  ctx.DatabasePath = bench::DatabaseAtScale(scale);
  auto sample = MakeCustomersReport(ctx);
  int pages = 0;
  for (auto _ : state) {
    sample->Report().QRPrinter().SetPageMemoryBudget(budget);
    sample->Report().Prepare();
    pages = sample->Report().QRPrinter().PageCount();
  }
  const TQRPrinter& printer = sample->Report().QRPrinter();
  state.counters["pages"] = pages;
  state.counters["pages_per_s"] = benchmark::Counter(static_cast<double>(pages) * state.iterations(),
                                                     benchmark::Counter::kIsRate);
  state.counters["store_bytes_per_page"] = static_cast<double>(printer.PageStoreBytes()) / std::max(pages, 1);
  state.counters["pages_on_disk"] = printer.PagesOnDisk();
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}
BENCHMARK(BM_PreviewCustomers)
    ->ArgNames({"scale", "budget_MiB"})
    ->Args({10, 24})
    ->Args({100, 24})
    ->Args({100, 8})
    ->Args({1000, 24})
    ->Args({1000, 64})
    ->Args({1000, 16})
    ->Args({1000, 8})
    ->Args({10, 0})
    ->Args({100, 0})
    ->Args({1000, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

BENCHMARK_MAIN();
