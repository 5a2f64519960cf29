// PDF export of the sample reports against Qt's own PDF writer. On the same prepared pages
// (customers at database scale 1 and 10, events, chart) it times our filter (default
// settings, cmFastest, uncompressed, picture reuse) and QPdfWriter at 96 dpi playing each
// stored page through PlayMetafile. Counters: pages, pages per second and file size in KiB
// (export_bench has the export time over the preview time of every format). Qt embeds font subsets and
// our default does not, so the sizes are not like for like; the embedded run shows ours
// with subsets. The unicode run exports in the Unicode mode (code page 65001: the export
// run reads the data again as UTF-8 and writes Type 0 fonts with embedded subsets).
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "OxQrExport/core/Settings.h"
#include "OxQrExport/pdf/PdfFilter.h"
#include "Showcase/samples/SampleReports.h"
#include "charting/ChartApplication.h"
#include "engine/FilterLibrary.h"
#include "engine/Printer.h"
#include "engine/SaveCommand.h"
#include "platform/CodePage.h"
#include "platform/Metafile.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;

struct TPrepared {
  std::unique_ptr<TSampleReport> Sample;
  int Pages = 0;
};

// The sample `key` at database scale `scale`, prepared once per process.
TPrepared& Prepared(const std::string& key, int scale) {
  static std::map<std::string, TPrepared> prepared;
  const std::string id = key + "@" + std::to_string(scale);
  auto it = prepared.find(id);
  if (it != prepared.end()) return it->second;
  TPrepared p;
  TSampleContext ctx;
  ctx.DatabasePath = bench::DatabaseAtScale(scale);
  p.Sample = MakeSampleReport(key, ctx);
  p.Sample->Report().Prepare();
  p.Pages = p.Sample->Report().QRPrinter().PageCount();
  return prepared.emplace(id, std::move(p)).first->second;
}

fs::path OutFile(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / "oxqr-bench";
  fs::create_directories(dir);
  return dir / name;
}

void Report(benchmark::State& state, const TPrepared& p, const fs::path& file, double seconds) {
  const double perRun = seconds / static_cast<double>(state.iterations());
  state.counters["pages"] = p.Pages;
  state.counters["pages_per_s"] = p.Pages / perRun;
  state.counters["file_KiB"] = static_cast<double>(fs::file_size(file)) / 1024.0;
}

enum class TVariant { Default, Fastest, Uncompressed, Embedded, ReuseImages, Unicode };

void BM_OurPdf(benchmark::State& state, const std::string& key, int scale, TVariant variant) {
  TPrepared& p = Prepared(key, scale);
  TOxQRPDFSettings& s = QRExportSettings().PDF;
  const TOxQRPDFSettings saved = s;
  s.CompressionMethod = variant == TVariant::Fastest ? TPDFCompressionMethod::cmFastest : saved.CompressionMethod;
  s.Compressed = variant != TVariant::Uncompressed;
  s.EmbedFonts = variant == TVariant::Embedded;
  s.ReuseIdenticalImages = variant == TVariant::ReuseImages;
  const int codePage = AnsiCodePage();
  if (variant == TVariant::Unicode) SetAnsiCodePage(CP_UTF8);
  const fs::path file = OutFile(key + ".pdf");
  const double seconds = bench::TimedIterations(state, [&] { ExportReport(p.Sample->Report(), *ClassOf<TOxQRPDFFilter>(), file.string()); });
  SetAnsiCodePage(codePage);
  s = saved;
  Report(state, p, file, seconds);
}

void BM_QtPdfWriter(benchmark::State& state, const std::string& key, int scale) {
  TPrepared& p = Prepared(key, scale);
  const TQRPrinter& printer = p.Sample->Report().QRPrinter();
  const fs::path file = OutFile(key + "-qt.pdf");
  const double seconds = bench::TimedIterations(state, [&] {
    QPdfWriter writer(QString::fromStdString(file.string()));
    writer.setResolution(96);
    writer.setPageSize(QPageSize(QSizeF(printer.PaperWidth / 10.0, printer.PaperLength / 10.0), QPageSize::Millimeter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    for (int i = 1; i <= printer.PageCount(); ++i) {
      if (i > 1) writer.newPage();
      if (const TMetafile* page = printer.Page(i)) PlayMetafile(painter, *page);
    }
    painter.end();
  });
  Report(state, p, file, seconds);
}

void Register() {
  struct TCase {
    std::string Name, Key;
    int Scale;
  };
  const TCase cases[] = {{"customers_x1", "customers", 1},
                         {"customers_x10", "customers", 10},
                         {"events", "events", 1},
                         {"chart", "chart", 1},
                         {"sales", "sales", 1}};
  for (const auto& c : cases) {
    auto reg = [](const std::string& name, auto fn) {
      benchmark::RegisterBenchmark(name.c_str(), fn)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(0.5);
    };
    reg("OurPdf/default/" + c.Name, [=](benchmark::State& s) { BM_OurPdf(s, c.Key, c.Scale, TVariant::Default); });
    reg("OurPdf/cmFastest/" + c.Name, [=](benchmark::State& s) { BM_OurPdf(s, c.Key, c.Scale, TVariant::Fastest); });
    reg("OurPdf/uncompressed/" + c.Name,
        [=](benchmark::State& s) { BM_OurPdf(s, c.Key, c.Scale, TVariant::Uncompressed); });
    reg("OurPdf/embedded_fonts/" + c.Name,
        [=](benchmark::State& s) { BM_OurPdf(s, c.Key, c.Scale, TVariant::Embedded); });
    reg("OurPdf/reuse_images/" + c.Name,
        [=](benchmark::State& s) { BM_OurPdf(s, c.Key, c.Scale, TVariant::ReuseImages); });
    reg("OurPdf/unicode/" + c.Name, [=](benchmark::State& s) { BM_OurPdf(s, c.Key, c.Scale, TVariant::Unicode); });
    reg("QPdfWriter/" + c.Name, [=](benchmark::State& s) { BM_QtPdfWriter(s, c.Key, c.Scale); });
  }
}

}  // namespace
}  // namespace oxqr

int main(int argc, char** argv) {
  // The chart report draws with Qt Charts, which needs a widget application.
  oxqr::EnsureChartApplication();
  oxqr::InitializeExportLibrary();
  oxqr::Register();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
