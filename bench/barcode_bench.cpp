// The labels sample (a page of 30 shipping labels and one of 20, each with a Code 128 and
// a QR code): its preview run (Prepare) against its PDF and HTML exports of the same
// prepared pages. Counters: pages, labels per second and the export time over the
// preview time.
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "OxQrExport/core/Settings.h"
#include "OxQrExport/html/HtmlFilter.h"
#include "OxQrExport/pdf/PdfFilter.h"
#include "Showcase/samples/SampleReports.h"
#include "engine/FilterLibrary.h"
#include "engine/Printer.h"
#include "engine/SaveCommand.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;

constexpr int kLabels = 50;  // customers of the database at scale 1

struct TPrepared {
  std::unique_ptr<TSampleReport> Sample;
  double PreviewSeconds = 0;
};

TPrepared& Prepared() {
  static TPrepared p = [] {
    TPrepared made;
    TSampleContext ctx;
    ctx.DatabasePath = bench::DatabaseAtScale(1);
    made.Sample = MakeSampleReport("labels", ctx);
    const auto start = std::chrono::steady_clock::now();
    made.Sample->Report().Prepare();
    made.PreviewSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return made;
  }();
  return p;
}

// Seconds per iteration of `run`.
template <class Run>
double Timed(benchmark::State& state, Run&& run) {
  return bench::TimedIterations(state, run) / static_cast<double>(state.iterations());
}

void Count(benchmark::State& state, double perRun) {
  state.counters["pages"] = Prepared().Sample->Report().QRPrinter().PageCount();
  state.counters["labels_per_s"] = kLabels / perRun;
  state.counters["over_preview"] = perRun / Prepared().PreviewSeconds;
}

void BM_Preview(benchmark::State& state) {
  TPrepared& p = Prepared();
  p.PreviewSeconds = Timed(state, [&] { p.Sample->Report().Prepare(); });
  Count(state, p.PreviewSeconds);
}

template <class Filter>
void BM_Export(benchmark::State& state, const std::string& name) {
  TPrepared& p = Prepared();
  const fs::path dir = fs::temp_directory_path() / "oxqr-bench";
  fs::create_directories(dir);
  const std::string file = (dir / name).string();
  Count(state, Timed(state, [&] { ExportReport(p.Sample->Report(), *ClassOf<Filter>(), file); }));
}

}  // namespace
}  // namespace oxqr

int main(int argc, char** argv) {
  using namespace oxqr;
  InitializeExportLibrary();
  auto reg = [](const char* name, auto fn) {
    benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(0.5);
  };
  reg("labels/preview", BM_Preview);
  reg("labels/pdf", [](benchmark::State& s) { BM_Export<TOxQRPDFFilter>(s, "labels.pdf"); });
  reg("labels/html", [](benchmark::State& s) { BM_Export<TOxQRHTMLFilter>(s, "labels.htm"); });
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
