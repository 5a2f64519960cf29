// HTML export of the customers report at database scales 1 and 10, per page
// files with pictures beside them: pages per second of the export run (the
// preview is prepared once beforehand and timed too), the files and bytes
// written, the export's time as a multiple of the preview's, and the same with
// ReuseIdenticalImages.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "BenchSupport.h"
#include "OxQrExport/core/Settings.h"
#include "OxQrExport/html/HtmlFilter.h"
#include "Showcase/samples/SampleReports.h"
#include "engine/FilterLibrary.h"
#include "engine/SaveCommand.h"

using namespace oxqr;

namespace {

namespace fs = std::filesystem;

struct TFolderSize {
  int Files = 0;
  std::uintmax_t Bytes = 0;
};

TFolderSize SizeOf(const fs::path& folder) {
  TFolderSize s;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    ++s.Files;
    s.Bytes += entry.file_size();
  }
  return s;
}

void HtmlExportCustomers(benchmark::State& state, bool reuseIdenticalImages) {
  const int scale = static_cast<int>(state.range(0));
  TSampleContext ctx;
  ctx.DatabasePath = bench::DatabaseAtScale(scale);
  auto sample = MakeCustomersReport(ctx);
  const auto started = std::chrono::steady_clock::now();
  sample->Report().Prepare();
  const std::chrono::duration<double> preview = std::chrono::steady_clock::now() - started;
  const int pages = sample->Report().QRPrinter().PageCount();

  const fs::path dir = fs::temp_directory_path() / "oxqr-bench" / ("html-x" + std::to_string(scale));
  QRExportSettings().HTML.ReuseIdenticalImages = reuseIdenticalImages;
  double exportSeconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(dir);
    fs::create_directories(dir);
    state.ResumeTiming();
    const auto t0 = std::chrono::steady_clock::now();
    ExportReport(sample->Report(), *ClassOf<TOxQRHTMLFilter>(), (dir / "customers.htm").string());
    exportSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  QRExportSettings().HTML.ReuseIdenticalImages = false;

  const TFolderSize written = SizeOf(dir);
  state.counters["pages"] = pages;
  state.counters["pages_per_s"] =
      benchmark::Counter(static_cast<double>(pages) * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["files"] = written.Files;
  state.counters["picture_files"] = QRExportSettings().CreatedImageFiles.Count();
  state.counters["MiB"] = static_cast<double>(written.Bytes) / (1024.0 * 1024.0);
  state.counters["preview_s"] = preview.count();
  state.counters["export_per_preview"] = exportSeconds / static_cast<double>(state.iterations()) / preview.count();
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

void BM_HtmlExportCustomers(benchmark::State& state) { HtmlExportCustomers(state, false); }
void BM_HtmlExportCustomersReusingImages(benchmark::State& state) { HtmlExportCustomers(state, true); }

}  // namespace

BENCHMARK(BM_HtmlExportCustomers)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_HtmlExportCustomersReusingImages)
    ->Arg(1)
    ->Arg(10)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

BENCHMARK_MAIN();
