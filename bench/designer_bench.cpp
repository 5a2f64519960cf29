// The designer opening a large definition: a file with 500 controls read into the tree, the
// same file opened through File > Open into a designer window (tree, undo stack, panels), and
// the tree written back in canonical form; with the process's peak memory.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>

#include "BenchSupport.h"
#include "definition/OxrDocument.h"
#include "designer/DesignDocument.h"
#include "designer/DesignerWindow.h"
#include "designer/FileActions.h"
#include "platform/SafeFile.h"

using namespace oxqr;

namespace {

constexpr int kControls = 500;

// A definition with kControls controls in ten detail-like bands: labels, texts and shapes in
// equal parts, each with a typical set of attributes.
std::string LargeDefinition() {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<report name=\"Large\" paper=\"A4\" "
                     "topMargin=\"10\" bottomMargin=\"10\" leftMargin=\"10\" rightMargin=\"10\" dataset=\"Customer\">\n"
                     "  <table name=\"Customer\" table=\"customer\"/>\n";
  const int perBand = kControls / 10;
  for (int b = 0; b < 10; ++b) {
    text += "  <band type=\"" + std::string(b == 0 ? "title" : b == 9 ? "summary" : "detail") + "\" name=\"Band" +
            std::to_string(b) + "\" height=\"60\">\n";
    for (int i = 0; i < perBand; ++i) {
      const std::string n = std::to_string(b * perBand + i), left = std::to_string(i % 10 * 19),
                        top = std::to_string(i / 10 * 6);
      const std::string place = " left=\"" + left + "\" top=\"" + top + "\" width=\"18\" height=\"5\"";
      switch (i % 3) {
        case 0:
          text += "    <label name=\"L" + n + "\"" + place + " text=\"Label " + n +
                  "\" font=\"Arial\" fontSize=\"9\" fontStyle=\"bold\" align=\"left\"/>\n";
          break;
        case 1:
          text += "    <text name=\"T" + n + "\"" + place + " field=\"Customer.Company\" frame=\"all\" color=\"white\"/>\n";
          break;
        default:
          text += "    <shape name=\"S" + n + "\"" + place + " shape=\"rectangle\" brushColor=\"teal\"/>\n";
      }
    }
    text += "  </band>\n";
  }
  return text + "</report>\n";
}

std::string LargeFile() {
  static const std::string path = [] {
    const auto dir = std::filesystem::temp_directory_path() / "oxqr-bench";
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "designer-500.oxr").string();
    WriteFileSafely(file, LargeDefinition());
    return file;
  }();
  return path;
}

void Memory(benchmark::State& state) { state.counters["peak_rss_MiB"] = bench::PeakRssMiB(); }

}  // namespace

static void BM_ReadTree500(benchmark::State& state) {
  const std::string text = LargeDefinition();
  for (auto _ : state) benchmark::DoNotOptimize(ReadOxrDocument(text, "large.oxr"));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  Memory(state);
}
BENCHMARK(BM_ReadTree500)->Unit(benchmark::kMillisecond);

static void BM_OpenInDesigner500(benchmark::State& state) {
  const std::string file = LargeFile();
  TDesignerWindow window;
  window.Document().SetDefaultDatabase(QString::fromStdString(bench::DatabaseAtScale(1)));
  window.show();
  auto* files = window.findChild<TFileActions*>();
  for (auto _ : state) {
    if (!files->Open(QString::fromStdString(file))) state.SkipWithError("the file did not open");
    QApplication::processEvents();  // what the open queued (layout, repaints) belongs to it
  }
  Memory(state);
}
BENCHMARK(BM_OpenInDesigner500)->Unit(benchmark::kMillisecond);

static void BM_WriteCanonical500(benchmark::State& state) {
  TOxrDocument doc = ReadOxrDocument(LargeDefinition(), "large.oxr");
  for (auto _ : state) benchmark::DoNotOptimize(OxrDocumentText(doc));
  Memory(state);
}
BENCHMARK(BM_WriteCanonical500)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  QApplication::setApplicationName("oxqr-designer-bench");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
