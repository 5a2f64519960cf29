// RTF export of the customers report at database scales 1 and 100, with pictures off, as
// JPEG and as bitmaps in metafiles: pages per second of the export run (the preview is
// prepared once beforehand), the file size and the peak memory.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "BenchSupport.h"
#include "OxQrExport/core/Settings.h"
#include "OxQrExport/rtf/RtfFilter.h"
#include "Showcase/samples/SampleReports.h"
#include "engine/FilterLibrary.h"
#include "engine/SaveCommand.h"

using namespace oxqr;

namespace {

enum class TPictures { Off, Jpeg, Bmp };

void ExportCustomers(benchmark::State& state, TPictures pictures) {
  const int scale = static_cast<int>(state.range(0));
  TOxQRRTFSettings& settings = QRExportSettings().RTF;
  const TOxQRRTFSettings saved = settings;
  settings.ExportImages = pictures != TPictures::Off;
  settings.SetExportImageFormat(pictures == TPictures::Bmp ? TOxImageFormat::ifBMP : TOxImageFormat::ifJPG);

  TSampleContext ctx;
  ctx.DatabasePath = bench::DatabaseAtScale(scale);
  auto sample = MakeCustomersReport(ctx);
  sample->Report().Prepare();
  const int pages = sample->Report().QRPrinter().PageCount();
  const auto out = std::filesystem::temp_directory_path() / "oxqr-bench" / "customers.rtf";
  for (auto _ : state) ExportReport(sample->Report(), *ClassOf<TOxQRRTFFilter>(), out.string());
  state.counters["pages"] = pages;
  state.counters["pages_per_s"] =
      benchmark::Counter(static_cast<double>(pages) * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["file_MiB"] = static_cast<double>(std::filesystem::file_size(out)) / (1024.0 * 1024.0);
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
  settings = saved;
}

void BM_RtfExportCustomersNoPictures(benchmark::State& state) { ExportCustomers(state, TPictures::Off); }
void BM_RtfExportCustomersJpeg(benchmark::State& state) { ExportCustomers(state, TPictures::Jpeg); }
void BM_RtfExportCustomersBmp(benchmark::State& state) { ExportCustomers(state, TPictures::Bmp); }

}  // namespace

BENCHMARK(BM_RtfExportCustomersNoPictures)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RtfExportCustomersJpeg)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RtfExportCustomersBmp)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
