// Report definitions: how long loading each sample definition takes (parse, open the
// datasets, check every name, read the pictures), and a PDF export of each sample with the
// definition loaded inside the measured time against one loaded beforehand (the report
// objects are the same as a program would build: the definitions save the same bytes as
// the C++ builders did).
#include <benchmark/benchmark.h>

#include <filesystem>

#include "BenchSupport.h"
#include "OxQrExport/core/Settings.h"
#include "Showcase/samples/SampleReports.h"
#include "charting/ChartApplication.h"
#include "definition/ReportDefinition.h"
#include "engine/FilterLibrary.h"
#include "engine/SaveCommand.h"

using namespace oxqr;

namespace {

const std::vector<std::string>& Keys() {
  static const std::vector<std::string> keys = SampleReportKeys();
  return keys;
}

TSampleContext Context() {
  TSampleContext ctx;
  ctx.DatabasePath = bench::DatabaseAtScale(1);
  return ctx;
}

int PdfType() {
  const auto& filters = FilterLibrary().Filters();
  for (std::size_t i = 0; i < filters.size(); ++i)
    if (filters[i].Extension == "pdf") return static_cast<int>(i) + 2;
  return 0;
}

void Export(TQRCustomReport& report, const std::string& key) {
  report.Prepare();
  SaveReport(report, (std::filesystem::temp_directory_path() / "oxqr-bench" / (key + ".pdf")).string(), PdfType());
}

}  // namespace

static void BM_LoadDefinition(benchmark::State& state) {
  TryEnsureChartApplication();
  const std::string key = Keys()[static_cast<std::size_t>(state.range(0))];
  const TSampleContext ctx = Context();
  for (auto _ : state) benchmark::DoNotOptimize(MakeSampleReport(key, ctx));
  state.SetLabel(key);
}
BENCHMARK(BM_LoadDefinition)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

static void BM_ExportPreloaded(benchmark::State& state) {
  TryEnsureChartApplication();
  InitializeExportLibrary();
  const std::string key = Keys()[static_cast<std::size_t>(state.range(0))];
  const auto sample = MakeSampleReport(key, Context());
  for (auto _ : state) Export(sample->Report(), key);
  state.SetLabel(key);
}
BENCHMARK(BM_ExportPreloaded)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

static void BM_ExportThroughDefinition(benchmark::State& state) {
  TryEnsureChartApplication();
  InitializeExportLibrary();
  const std::string key = Keys()[static_cast<std::size_t>(state.range(0))];
  const TSampleContext ctx = Context();
  for (auto _ : state) Export(MakeSampleReport(key, ctx)->Report(), key);
  state.SetLabel(key);
}
BENCHMARK(BM_ExportThroughDefinition)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
