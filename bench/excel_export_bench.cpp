// Spreadsheet exports of the customers report: the worksheet (.xls) at database scales 1 and
// 100, the workbook (.xlsx) and CSV at scales 1, 10, 100 and 1000. Each prints pages per
// second of the export run, the preview run's and the export run's seconds and their ratio
// (the export run repeats the preview's layout with the filter writing; also as CPU time),
// the file size and the peak memory. Peak memory is the process's: run one case per process to compare scales,
// e.g. --benchmark_filter='BM_XlsxExportCustomers/1000$'.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "BenchSupport.h"
#include "OxQrExport/core/Settings.h"
#include "OxQrExport/csv/CsvFilter.h"
#include "OxQrExport/excel/ExcelFilter.h"
#include "OxQrExport/xlsx/XlsxFilter.h"
#include "Showcase/samples/SampleReports.h"
#include "engine/FilterLibrary.h"
#include "engine/SaveCommand.h"

using namespace oxqr;

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// CPU seconds of the process so far: on a shared machine the wall times of the two runs can
// meet different loads, their CPU times less so.
double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

template <class Filter>
void ExportCustomers(benchmark::State& state, const std::string& extension) {
  const int scale = static_cast<int>(state.range(0));
  TSampleContext ctx;
  ctx.DatabasePath = bench::DatabaseAtScale(scale);
  auto sample = MakeCustomersReport(ctx);
  const auto previewStart = std::chrono::steady_clock::now();
  const double previewCpuStart = CpuSeconds();
  sample->Report().Prepare();
  const double previewSeconds = SecondsSince(previewStart);
  const double previewCpu = CpuSeconds() - previewCpuStart;
  const int pages = sample->Report().QRPrinter().PageCount();
  // Cells past the sheet's last row are reported, not shown in a message box.
  int reports = 0;
  QRExportSettings().OnErrorMessage = [&reports](TOxQRExportFilter*, const std::string&) { ++reports; };
  const auto out = std::filesystem::temp_directory_path() / "oxqr-bench" / ("customers." + extension);
  double exportSeconds = 0;
  double exportCpu = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    ExportReport(sample->Report(), *ClassOf<Filter>(), out.string());
    exportSeconds += SecondsSince(start);
    exportCpu += CpuSeconds() - cpuStart;
  }
  QRExportSettings().OnErrorMessage = nullptr;
  const double perRun = exportSeconds / static_cast<double>(state.iterations());
  state.counters["pages"] = pages;
  state.counters["pages_per_s"] = benchmark::Counter(static_cast<double>(pages) * state.iterations(),
                                                     benchmark::Counter::kIsRate);
  state.counters["preview_s"] = previewSeconds;
  state.counters["export_s"] = perRun;
  state.counters["export_per_preview"] = perRun / previewSeconds;
  state.counters["cpu_export_per_preview"] = exportCpu / static_cast<double>(state.iterations()) / previewCpu;
  state.counters["file_MiB"] = static_cast<double>(std::filesystem::file_size(out)) / (1024.0 * 1024.0);
  state.counters["error_reports"] = reports;
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

void BM_ExcelExportCustomers(benchmark::State& state) { ExportCustomers<TOxQRExcelFilter>(state, "xls"); }
void BM_XlsxExportCustomers(benchmark::State& state) { ExportCustomers<TOxQRXLSXFilter>(state, "xlsx"); }
void BM_CsvExportCustomers(benchmark::State& state) { ExportCustomers<TOxQRCSVFilter>(state, "csv"); }

}  // namespace

BENCHMARK(BM_ExcelExportCustomers)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
// Scales 1 to 1000 (72 to some 7,000 pages), one run each.
void SpreadsheetScales(benchmark::internal::Benchmark* b) {
  for (const int scale : {1, 10, 100, 1000}) b->Arg(scale);
  b->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
}
BENCHMARK(BM_XlsxExportCustomers)->Apply(SpreadsheetScales);
BENCHMARK(BM_CsvExportCustomers)->Apply(SpreadsheetScales);

BENCHMARK_MAIN();
