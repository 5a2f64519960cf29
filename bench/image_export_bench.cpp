// Pages per second of the page image filters (JPEG, BMP, EMF) on a prepared report.
// The report comes from a factory: by default a generated report of 50 pages built in
// code; `--report=<sample key> --db=<DEMODATA file>` benchmarks a sample report instead.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

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

struct TBenchSetup {
  TReportFactory Factory = [] { return std::make_unique<TGeneratedReport>(50); };
  std::unique_ptr<TSampleReport> Sample;
  std::filesystem::path Dir;
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

void BM_ExportPages(benchmark::State& state, const TQRExportFilterClass* filterClass, const char* ext) {
  TQRCustomReport& report = PreparedReport();
  const int pages = report.QRPrinter().PageCount();
  const std::string file = (Setup().Dir / (std::string("page.") + ext)).string();
  for (auto _ : state) ExportReport(report, *filterClass, file);
  state.counters["pages"] = pages;
  state.counters["pages_per_second"] =
      benchmark::Counter(static_cast<double>(pages) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(BM_ExportPages, jpeg, ClassOf<TOxQRJPEGFilter>(), "jpg")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ExportPages, bmp, ClassOf<TOxQRBMPFilter>(), "bmp")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ExportPages, emf, ClassOf<TOxQREMFFilter>(), "emf")->Unit(benchmark::kMillisecond)->UseRealTime();

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
  if (!key.empty() && key != "generated")
    Setup().Factory = [key, ctx] { return MakeSampleReport(key, ctx); };
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
