// Worksheet export of the customers report at database scales 1 and 100: pages per second
// of the export run (the preview is prepared once beforehand), the file size and the peak
// memory.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "BenchSupport.h"
#include "OxQrExport/core/Settings.h"
#include "OxQrExport/excel/ExcelFilter.h"
#include "Showcase/samples/SampleReports.h"
#include "engine/FilterLibrary.h"
#include "engine/SaveCommand.h"

using namespace oxqr;

static void BM_ExcelExportCustomers(benchmark::State& state) {
  const int scale = static_cast<int>(state.range(0));
  TSampleContext ctx;
  ctx.DatabasePath = bench::DatabaseAtScale(scale);
  auto sample = MakeCustomersReport(ctx);
  sample->Report().Prepare();
  const int pages = sample->Report().QRPrinter().PageCount();
  // Cells past the sheet's last row are reported, not shown in a message box.
  int reports = 0;
  QRExportSettings().OnErrorMessage = [&reports](TOxQRExportFilter*, const std::string&) { ++reports; };
  const auto out = std::filesystem::temp_directory_path() / "oxqr-bench" / "customers.xls";
  for (auto _ : state) ExportReport(sample->Report(), *ClassOf<TOxQRExcelFilter>(), out.string());
  QRExportSettings().OnErrorMessage = nullptr;
  state.counters["pages"] = pages;
  state.counters["pages_per_s"] = benchmark::Counter(static_cast<double>(pages) * state.iterations(),
                                                     benchmark::Counter::kIsRate);
  state.counters["file_MiB"] = static_cast<double>(std::filesystem::file_size(out)) / (1024.0 * 1024.0);
  state.counters["error_reports"] = reports;
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}
BENCHMARK(BM_ExcelExportCustomers)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
