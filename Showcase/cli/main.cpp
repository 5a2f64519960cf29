// oxqr-export: previews a sample report and saves it through the engine's save command,
// as the preview's Save button would, to the format chosen by the output's extension.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "OxQrExport/core/SettingProperties.h"
#include "OxQrExport/core/Settings.h"
#include "Showcase/samples/SampleContext.h"
#include "Showcase/samples/SampleReports.h"
#include "engine/FilterLibrary.h"
#include "charting/ChartApplication.h"
#include "engine/SaveCommand.h"

namespace fs = std::filesystem;
using namespace oxqr;
using namespace oxqr::cli;

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

void List(const TSampleContext& ctx) {
  std::cout << "Reports:\n";
  for (const auto& key : SampleReportKeys()) std::cout << key << '\t' << MakeSampleReport(key, ctx)->Title() << '\n';
  std::cout << "Formats:\n";
  for (const auto& e : FilterLibrary().Filters()) std::cout << e.Extension << '\t' << e.FilterName << '\n';
  std::cout << "Database: " << ctx.DatabasePath << '\n';
}

// The save dialog's file type for `ext`: 1 for the engine's own file, k >= 2 for the
// registry entry k - 2; 0 when no registered filter writes that extension.
int FileTypeOf(const std::string& ext) {
  if (Lower(ext) == "qrp") return 1;
  const auto& filters = FilterLibrary().Filters();
  for (std::size_t i = 0; i < filters.size(); ++i)
    if (Lower(filters[i].Extension) == Lower(ext)) return static_cast<int>(i) + 2;
  return 0;
}

// Shows which page is being laid out or exported while standard error is a terminal.
class TProgressLine {
 public:
  explicit TProgressLine(bool enabled) : enabled_(enabled && isatty(STDERR_FILENO)) {}
  ~TProgressLine() { Done(); }
  void Phase(const char* phase) { phase_ = phase; }
  void Page(int n) {
    if (!enabled_) return;
    std::fprintf(stderr, "\r%s page %d ", phase_, n);
    shown_ = true;
  }
  void Done() {
    if (shown_) std::fputs("\r\033[K", stderr);
    shown_ = false;
  }

 private:
  bool enabled_;
  bool shown_ = false;
  const char* phase_ = "";
};

// Applies every --set in order; a wrong path or value is a usage error naming it.
void ApplySettings(const TCliOptions& o) {
  for (const auto& [path, value] : o.Settings) {
    std::string error;
    if (!SetSettingByPath(path, value, error)) throw EUsage(error);
  }
}

int Export(const TCliOptions& o, const TSampleContext& ctx) {
  std::unique_ptr<TSampleReport> sample;
  try {
    sample = MakeSampleReport(o.Report, ctx);
  } catch (const std::invalid_argument& e) {
    throw EUsage(e.what());
  }
  const std::string ext = o.Format.empty() ? fs::path(o.Output).extension().string() : o.Format;
  const int fileType = FileTypeOf(ext.empty() || ext.front() != '.' ? ext : ext.substr(1));
  if (fileType == 0) throw EUsage("no registered format writes \"" + ext + "\" files");

  auto& settings = QRExportSettings();
  std::vector<std::string> errors;
  settings.OnErrorMessage = [&errors](TOxQRExportFilter*, const std::string& msg) { errors.push_back(msg); };
  settings.CreatedReportFiles.Clear();
  settings.CreatedImageFiles.Clear();

  TQRCustomReport& report = sample->Report();
  TProgressLine progress(!o.Quiet);
  report.OnProgress = [&progress](int page) { progress.Page(page); };
  progress.Phase("Laying out");
  report.Prepare();
  progress.Phase("Exporting");
  SaveReport(report, o.Output, fileType);
  progress.Done();

  if (!errors.empty()) {
    for (const auto& e : errors) std::cerr << "oxqr-export: " << e << '\n';
    return 1;
  }
  const fs::path folder = fs::absolute(o.Output).parent_path();
  if (settings.CreatedReportFiles.Count() == 0 && settings.CreatedImageFiles.Count() == 0) {
    std::cout << fs::absolute(o.Output).lexically_normal().string() << '\n';
  }
  for (const auto& f : settings.CreatedReportFiles.Items) std::cout << (folder / f.Text).lexically_normal().string() << '\n';
  for (const auto& f : settings.CreatedImageFiles.Items) std::cout << fs::absolute(f.Text).lexically_normal().string() << '\n';
  return 0;
}

// Qt wants a private runtime folder; give it one instead of a warning on every run.
void EnsureRuntimeDir() {
  if (std::getenv("XDG_RUNTIME_DIR")) return;
  const fs::path dir = fs::temp_directory_path() / ("oxqr-runtime-" + std::to_string(getuid()));
  std::error_code ec;
  fs::create_directories(dir, ec);
  fs::permissions(dir, fs::perms::owner_all, ec);
  if (!ec) setenv("XDG_RUNTIME_DIR", dir.c_str(), 0);
}

}  // namespace

int main(int argc, char** argv) {
  EnsureRuntimeDir();
  TCliOptions options;
  try {
    options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const EUsage& e) {
    std::cerr << "oxqr-export: " << e.what() << '\n' << UsageText;
    return 2;
  }
  // Charts need the widget application; it must exist before anything else creates
  // the plain GUI application that fonts and drawing use.
  TryEnsureChartApplication();
  try {
    InitializeExportLibrary();
    const TSampleContext ctx = DefaultSampleContext(options.Database);
    ApplySettings(options);
    if (options.List) {
      List(ctx);
      return 0;
    }
    return Export(options, ctx);
  } catch (const EUsage& e) {
    std::cerr << "oxqr-export: " << e.what() << '\n' << UsageText;
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "oxqr-export: " << e.what() << '\n';
    return 1;
  }
}
