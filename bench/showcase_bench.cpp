// The showcase as a user feels it (offscreen): start-up to the shown main window, Preview
// to the first page shown for each sample, and painting one page of the preview at 100 %
// and 400 % - the exposed part of the window (what the preview does) against the whole
// page (what a full-page render costs). Arguments: database scale; sample index; zoom.
#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "Showcase/app/MainWindow.h"
#include "Showcase/app/ShowcaseStart.h"
#include "Showcase/samples/SampleContext.h"
#include "engine/gui/PageView.h"
#include "engine/gui/PreviewWindow.h"
#include "platform/Metafile.h"

using namespace oxqr;

namespace {

const char* const kSamples[] = {"customers", "events", "richtext", "chart", "sales"};

TSampleContext ContextAtScale(int scale) {
  TSampleContext ctx = DefaultSampleContext();
  ctx.DatabasePath = bench::DatabaseAtScale(scale);
  return ctx;
}

void BM_StartUp(benchmark::State& state) {
  const std::string db = bench::DatabaseAtScale(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto showcase = CreateShowcase(db);
    if (!showcase) {
      state.SkipWithError("the showcase did not start");
      return;
    }
    showcase->frmMain->showMaximized();
    QApplication::processEvents();
    state.PauseTiming();
    showcase.reset();
    state.ResumeTiming();
  }
  state.SetLabel("start-up to shown main window");
}

void BM_PreviewFirstPage(benchmark::State& state) {
  const auto sample = MakeSampleReport(kSamples[state.range(1)], ContextAtScale(static_cast<int>(state.range(0))));
  int pages = 0;
  for (auto _ : state) {
    sample->Report().Prepare();
    TQRPreviewWindow window(sample->Report());
    window.show();
    QApplication::processEvents();
    pages = window.PageCount();
  }
  state.counters["pages"] = pages;
  state.SetLabel(std::string("Preview to first page: ") + kSamples[state.range(1)]);
}

// One page change in a 900 x 1000 preview window: the part of the page the window shows.
void BM_PagePaintExposed(benchmark::State& state) {
  const auto sample = MakeSampleReport("customers", ContextAtScale(1));
  sample->Report().Prepare();
  const int zoom = static_cast<int>(state.range(0));
  TQRPageView view;
  view.SetPage(&sample->Report().QRPrinter(), 1, zoom);
  const QRect exposed = QRect(QPoint(0, 0), QSize(900, 1000)).intersected(view.rect());
  QImage target(exposed.size(), QImage::Format_RGB32);
  for (auto _ : state) {
    view.render(&target, QPoint(), QRegion(exposed));
    benchmark::DoNotOptimize(target.constBits());
  }
  state.SetLabel("page paint, exposed part");
}

// The same page rendered whole, as a full-page picture per page change would be.
void BM_PagePaintWhole(benchmark::State& state) {
  const auto sample = MakeSampleReport("customers", ContextAtScale(1));
  sample->Report().Prepare();
  const double scale = state.range(0) / 100.0;
  const TMetafile& page = *sample->Report().QRPrinter().Page(1);
  for (auto _ : state) {
    QImage image(static_cast<int>(page.Width * scale), static_cast<int>(page.Height * scale), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    PlayMetafile(painter, page, 0, 0, scale);
    painter.end();
    benchmark::DoNotOptimize(image.constBits());
  }
  state.SetLabel("page paint, whole page");
}

}  // namespace

BENCHMARK(BM_StartUp)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewFirstPage)
    ->ArgsProduct({{1, 100}, {0, 1, 2, 3}})
    ->ArgNames({"scale", "sample"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PagePaintExposed)->Arg(100)->Arg(400)->ArgName("zoom")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PagePaintWhole)->Arg(100)->Arg(400)->ArgName("zoom")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  StartShowcaseLibrary();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
