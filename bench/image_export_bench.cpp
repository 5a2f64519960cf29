// Milliseconds per page of the page image filters (JPEG, GIF, BMP, EMF, WMF) on a
// prepared report, and each export run's CPU time over the preview run's (the preview
// benchmark runs first; export_bench has the wall-clock ratios of every format). By default the customers report on the sample database at
// scale 100; `--report=<sample key>` picks another sample, `--db=<DEMODATA file>`
// another database, and `--report=generated` a 50-page report built in code.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "OxQrExport/images/ImageFilters.h"
#include "Showcase/samples/SampleReports.h"
#include "data/CountingDataSet.h"
#include "engine/Controls.h"
#include "engine/FilterLibrary.h"
#include "engine/SaveCommand.h"

namespace oxqr {
namespace {

// Three 90 mm detail bands per A4 page, each with text, shapes and a picture.
class TGeneratedReport final : public TSampleReport {
 public:
  explicit TGeneratedReport(int pages) : data_(pages * 3) {
    report_.DataSet = &data_;
    report_.Page.SetPaper(TQRPaperSize::A4);
    report_.Page.SetMarginsMM(10, 10, 10, 10);
    auto& band = report_.AddBand(TQRBandType::rbDetail);
    band.SetHeightMM(90);
    const char* lines[] = {"Customer number and name", "Street address, city, state and zip",
                           "Phone, fax and contact person", "Last invoice date and amount due"};
    for (int i = 0; i < 4; ++i) {
      auto& label = band.Add<TQRLabel>();
      label.Caption = lines[i];
      label.Font.Size = 11 + i;
      label.SetBoundsMM(10, 5 + 12 * i, 110, 8);
    }
    auto& number = band.Add<TQRSysData>();
    number.Data = TQRSysDataType::qrsDetailNo;
    number.Text_ = "Record ";
    number.SetBoundsMM(130, 5, 40, 8);
    auto& box = band.Add<TQRShape>();
    box.Brush = TBrush{clSilver, TBrushStyle::bsSolid};
    box.SetBoundsMM(130, 20, 50, 20);
    auto& circle = band.Add<TQRShape>();
    circle.Shape = TQRShapeType::qrsCircle;
    circle.Brush = TBrush{clTeal, TBrushStyle::bsDiagCross};
    circle.SetBoundsMM(130, 45, 30, 30);
    auto& image = band.Add<TQRImage>();
    QImage picture(200, 120, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setBrush(Qt::darkBlue);
    p.drawEllipse(20, 10, 160, 100);
    p.end();
    image.Picture.SetImage(picture);
    image.Stretch = true;
    image.SetBoundsMM(10, 55, 60, 30);
  }
  std::string Key() const override { return "generated"; }
  std::string Title() const override { return "Generated report"; }
  TQRCustomReport& Report() override { return report_; }

 private:
  TCountingDataSet data_;
  TQRReport report_;
};

using TReportFactory = std::function<std::unique_ptr<TSampleReport>()>;

std::unique_ptr<TSampleReport> CustomersAtScale100() {
  TSampleContext ctx;
  ctx.DatabasePath = bench::DatabaseAtScale(100);
  return MakeSampleReport("customers", ctx);
}

struct TBenchSetup {
  TReportFactory Factory = CustomersAtScale100;
  std::unique_ptr<TSampleReport> Sample;
  std::filesystem::path Dir;
  double PreviewMsPerPage = 0;  // set by the preview benchmark
  double PreviewCpuMsPerPage = 0;
};

TBenchSetup& Setup() {
  static TBenchSetup setup;
  return setup;
}

// Prepares the report once; every benchmark exports the same preview pages.
TQRCustomReport& PreparedReport() {
  auto& s = Setup();
  if (!s.Sample) {
    s.Sample = s.Factory();
    s.Sample->Report().Prepare();
    s.Dir = std::filesystem::temp_directory_path() / "oxqr-image-bench";
    std::filesystem::create_directories(s.Dir);
  }
  return s.Sample->Report();
}

double MsPerPage(const benchmark::State& state, double seconds, int pages) {
  return seconds * 1000.0 / (static_cast<double>(state.iterations()) * std::max(pages, 1));
}

// Wall-clock and whole-process CPU seconds (all threads) since the object was made:
// on a shared machine the CPU figure is the steadier one.
class TStopwatch {
 public:
  double Wall() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count(); }
  double Cpu() const { return ProcessCpu() - cpu_; }

 private:
  static double ProcessCpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  }
  std::chrono::steady_clock::time_point wall_ = std::chrono::steady_clock::now();
  double cpu_ = ProcessCpu();
};

// The preview run alone: what every export run repeats before its filter writes.
void BM_Preview(benchmark::State& state) {
  TQRCustomReport& report = PreparedReport();
  const int pages = report.QRPrinter().PageCount();
  double wall = 0, cpu = 0;
  for (auto _ : state) {
    const TStopwatch watch;
    report.Prepare();
    wall += watch.Wall();
    cpu += watch.Cpu();
  }
  Setup().PreviewMsPerPage = MsPerPage(state, wall, pages);
  Setup().PreviewCpuMsPerPage = MsPerPage(state, cpu, pages);
  state.counters["pages"] = pages;
  state.counters["ms_per_page"] = Setup().PreviewMsPerPage;
  state.counters["cpu_ms_per_page"] = Setup().PreviewCpuMsPerPage;
}

void BM_ExportPages(benchmark::State& state, const TQRExportFilterClass* filterClass, const char* ext) {
  TQRCustomReport& report = PreparedReport();
  const int pages = report.QRPrinter().PageCount();
  const std::string file = (Setup().Dir / (std::string("page.") + ext)).string();
  double wall = 0, cpu = 0;
  for (auto _ : state) {
    const TStopwatch watch;
    ExportReport(report, *filterClass, file);
    wall += watch.Wall();
    cpu += watch.Cpu();
  }
  const double ms = MsPerPage(state, wall, pages);
  const double cpuMs = MsPerPage(state, cpu, pages);
  state.counters["pages"] = pages;
  state.counters["ms_per_page"] = ms;
  state.counters["cpu_ms_per_page"] = cpuMs;
  // The wall-clock ratio of every format is export_bench's; the CPU-time one is measured here.
  if (Setup().PreviewCpuMsPerPage > 0) state.counters["cpu_export_over_preview"] = cpuMs / Setup().PreviewCpuMsPerPage;
}

BENCHMARK(BM_Preview)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ExportPages, jpeg, ClassOf<TOxQRJPEGFilter>(), "jpg")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ExportPages, gif, ClassOf<TOxQRGIFFilter>(), "gif")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ExportPages, bmp, ClassOf<TOxQRBMPFilter>(), "bmp")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ExportPages, emf, ClassOf<TOxQREMFFilter>(), "emf")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ExportPages, wmf, ClassOf<TOxQRWMFFilter>(), "wmf")->Unit(benchmark::kMillisecond)->UseRealTime();

// Takes --report=<key> and --db=<file> out of the arguments before the benchmark library
// reads them.
void ParseOwnArguments(int& argc, char** argv) {
  std::string key;
  TSampleContext ctx;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--report=", 0) == 0)
      key = arg.substr(9);
    else if (arg.rfind("--db=", 0) == 0)
      ctx.DatabasePath = arg.substr(5);
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  if (key == "generated") {
    Setup().Factory = [] { return std::make_unique<TGeneratedReport>(50); };
  } else if (!key.empty() || !ctx.DatabasePath.empty()) {
    if (key.empty()) key = "customers";
    Setup().Factory = [key, ctx]() mutable {
      if (ctx.DatabasePath.empty()) ctx.DatabasePath = bench::DatabaseAtScale(100);
      return MakeSampleReport(key, ctx);
    };
  }
}

}  // namespace
}  // namespace oxqr

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  oxqr::ParseOwnArguments(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(oxqr::Setup().Dir, ec);
  return 0;
}
