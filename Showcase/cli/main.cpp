// oxqr-export: previews a sample report and saves it through the engine's save command,
// as the preview's Save button would, to the format chosen by the output's extension.
// --help describes the command line; the manual page is made from it.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "BurstOptions.h"
#include "CliOptions.h"
#include "SourceDate.h"
#include "ReportSource.h"
#include "OxQrExport/core/SettingProperties.h"
#include "OxQrExport/core/Settings.h"
#include "Showcase/samples/SampleContext.h"
#include "Showcase/samples/SampleReports.h"
#include "engine/FilterLibrary.h"
#include "charting/ChartApplication.h"
#include "data/JsonData.h"
#include "data/Postgres.h"
#include "engine/SaveCommand.h"
#include "platform/CodePage.h"

namespace fs = std::filesystem;
using namespace oxqr;
using namespace oxqr::cli;

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// The reports (key and title) and the formats (extension and name) in registry order.
std::vector<std::pair<std::string, std::string>> Reports(const TSampleContext& ctx) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& key : SampleReportKeys()) out.emplace_back(key, MakeSampleReport(key, ctx)->Title());
  return out;
}

std::vector<std::pair<std::string, std::string>> Formats() {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& e : FilterLibrary().Filters()) out.emplace_back(e.Extension, e.FilterName);
  return out;
}

// --list: one tab-separated line per report (with its definition file) and format, for scripts.
void List(const TSampleContext& ctx) {
  std::cout << "Reports:\n";
  for (const auto& [key, title] : Reports(ctx)) std::cout << key << '\t' << title << '\t' << SampleReportFile(key, ctx) << '\n';
  std::cout << "Formats:\n";
  for (const auto& [ext, name] : Formats()) std::cout << ext << '\t' << name << '\n';
  std::cout << "Database: " << WithoutPassword(ctx.DatabasePath, ctx.DatabasePath) << '\n';
}

// The same lists for --help, indented in columns as the options are.
std::string ReportsAndFormats(const TSampleContext& ctx) {
  std::ostringstream out;
  auto section = [&out](const char* title, const std::vector<std::pair<std::string, std::string>>& rows) {
    out << title << '\n';
    for (const auto& [name, text] : rows) out << "  " << name << std::string(name.size() < 12 ? 12 - name.size() : 1, ' ') << text << '\n';
  };
  section("Reports (REPORT):", Reports(ctx));
  out << '\n';
  section("Formats (extension of OUTPUT or --format):", Formats());
  return out.str();
}

// One line per setting of the property table, tab-separated: the path as --set takes it, the
// type, the default in --set syntax and what is allowed. PREFIX (letter case ignored) filters.
void ListSettings(const std::string& prefix) {
  const std::string wanted = Lower(prefix);
  for (const auto& p : SettingProperties()) {
    if (!Lower(p.Path).starts_with(wanted)) continue;
    std::cout << p.Path << '\t' << SettingTypeName(p) << '\t' << FormatCommandValue(p, p.Default) << '\t'
              << AllowedValues(p) << '\n';
  }
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

// Shows which page is being laid out or exported while standard error is a terminal:
// "Laying out page N", then "Exporting page N of M (P %)", with the time since the start in
// front once the run has taken two seconds. The last line stays on the terminal.
class TProgressLine {
 public:
  using TClock = std::chrono::steady_clock;

  explicit TProgressLine(bool enabled) : enabled_(enabled && isatty(STDERR_FILENO)), start_(TClock::now()) {}
  ~TProgressLine() { Done(); }
  TProgressLine(const TProgressLine&) = delete;
  TProgressLine& operator=(const TProgressLine&) = delete;

  void LayingOut() { total_ = 0; }
  // totalPages 0: the export run is the only run, so the total is not known yet.
  void Exporting(int totalPages) {
    total_ = totalPages;
    exporting_ = true;
  }
  void Page(int n) {
    if (!enabled_) return;
    std::string line = Elapsed();
    if (total_ > 0) {
      const int percent = static_cast<int>(100LL * std::min(n, total_) / total_);
      line += "Exporting page " + std::to_string(n) + " of " + std::to_string(total_) + " (" +
              std::to_string(percent) + " %)";
    } else {
      line += (exporting_ ? "Exporting page " : "Laying out page ") + std::to_string(n);
    }
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    shown_ = true;
  }
  void Done() {
    if (shown_) std::fputs("\n", stderr);
    shown_ = false;
  }

 private:
  std::string Elapsed() const {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(TClock::now() - start_).count();
    if (seconds < 2) return {};
    char buf[32];
    std::snprintf(buf, sizeof buf, "[%lld:%02lld] ", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return buf;
  }

  bool enabled_;
  TClock::time_point start_;
  bool shown_ = false;
  int total_ = 0;
  bool exporting_ = false;
};

// Applies every --set in order; a wrong path or value is a usage error naming it.
void ApplySettings(const TCliOptions& o) {
  for (const auto& [path, value] : o.Settings) {
    std::string error;
    if (!SetSettingByPath(path, value, error)) throw EUsage(error);
  }
}

bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

// Whether `input` is one of the page files a per-page format names after `output`: in the
// same folder, the output's name cut by the extension's length plus one, at least four
// digits, a dot and the extension.
bool IsPageFileOf(const fs::path& input, const fs::path& output, const std::string& ext) {
  std::error_code ec;
  if (!fs::exists(input, ec) || !SameFile(fs::absolute(input).parent_path(), fs::absolute(output).parent_path()))
    return false;
  const std::string outName = output.filename().string();
  const std::size_t cut = ext.size() + 1;
  const std::string base = outName.size() > cut ? outName.substr(0, outName.size() - cut) : std::string();
  const std::string name = input.filename().string();
  const std::string tail = "." + ext;
  if (name.size() < base.size() + 4 + tail.size() || !name.starts_with(base) || !Lower(name).ends_with(Lower(tail)))
    return false;
  const std::string digits = name.substr(base.size(), name.size() - base.size() - tail.size());
  return std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// Whether the format of extension `ext` writes one file per page with the current settings.
bool WritesPageFiles(const std::string& ext) {
  const std::string e = Lower(ext);
  const auto& s = QRExportSettings();
  if (e == "txt") return !s.Text.SingleFile;
  if (e == "htm") return !s.HTML.SingleFile;
  return e == "gif" || e == "jpg" || e == "bmp" || e == "emf" || e == "wmf";
}

// The export must not write over what it reads: the database, the definition and its files.
void RefuseOverwritingInputs(const TCliOptions& o, const TReportDefinition& definition, const std::string& ext) {
  const fs::path output(o.Output);
  std::vector<fs::path> inputs;
  for (const auto& f : InputFiles(definition)) inputs.emplace_back(f);
  const bool pages = WritesPageFiles(ext);
  for (const auto& input : inputs) {
    if (SameFile(output, input) || (pages && IsPageFileOf(input, output, ext))) {
      throw EUsage("the output \"" + o.Output + "\" would overwrite the input file \"" + input.string() +
                   "\"; choose another output name");
    }
  }
}

// One line per kind of value an expression could not compute (printed empty instead).
void WarnOfExpressionFaults(const std::string& report, const expr::TEvalCounters& c) {
  const std::pair<std::int64_t, const char*> kinds[] = {
      {c.DivisionsByZero, "division by zero"},
      {c.OutOfRange, "number or date out of range"},
      {c.NotANumber, "text that is not a number"}};
  for (const auto& [n, what] : kinds)
    if (n > 0)
      std::cerr << "oxqr-export: report " << report << ": " << n << " expression value" << (n == 1 ? "" : "s")
                << " left empty: " << what << '\n';
}

int Export(const TCliOptions& o, const TSampleContext& ctx) {
  const std::unique_ptr<TReportDefinition> sample = OpenReport(o.Report, ctx, o.Database, o.Parameters, o.DataFiles);
  const std::string output = o.Burst.Active() ? BurstNameTemplate(o.Output, *sample) : o.Output;
  std::string ext = o.Format.empty() ? fs::path(output).extension().string() : o.Format;
  if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
  const int fileType = FileTypeOf(ext);
  if (fileType == 0) throw EUsage("no registered format writes \"" + ext + "\" files");
  const std::string filterExt = fileType >= 2 ? FilterLibrary().Filters()[static_cast<std::size_t>(fileType - 2)].Extension : ext;
  if (o.Burst.Active()) return ExportBursts(o.Burst, output, *sample, fileType, WritesPageFiles(filterExt));
  RefuseOverwritingInputs(o, *sample, filterExt);

  auto& settings = QRExportSettings();
  std::vector<std::string> errors;
  settings.OnErrorMessage = [&errors](TOxQRExportFilter*, const std::string& msg) { errors.push_back(msg); };
  settings.CreatedReportFiles.Clear();
  settings.CreatedImageFiles.Clear();

  TQRCustomReport& report = sample->Report();
  TProgressLine progress(!o.Quiet);
  report.OnProgress = [&progress](int page) { progress.Page(page); };
  // A format that reads no preview pages is written by the export run alone: the report is
  // laid out once instead of twice, unless it prints values only a preview run knows.
  const bool preview = SaveNeedsPreview(report, fileType);
  std::uint64_t lostBefore = LostCharacterCount();
  if (preview) {
    progress.LayingOut();
    report.Prepare();
  }
  std::uint64_t lost = LostCharacterCount() - lostBefore;
  if (fileType != 1) {
    // The export run reads the data again; its count is the one the file shows.
    progress.Exporting(report.QRPrinter().PageCount());
    lostBefore = LostCharacterCount();
  }
  SaveReport(report, o.Output, fileType);
  if (fileType != 1) lost = LostCharacterCount() - lostBefore;
  progress.Done();

  if (lost > 0) {
    std::cerr << "oxqr-export: report " << o.Report << ": " << lost << (lost == 1 ? " character" : " characters")
              << " of the data could not be written in code page " << EightBitCodePage() << " and became \"?\"";
    // In the Unicode mode only the formats that hold 8-bit text lose characters.
    if (UnicodeMode())
      std::cerr << " (." << filterExt << " files hold 8-bit text only"
                << (filterExt == "xls" ? "; the .xlsx format keeps every character)" : ")");
    std::cerr << '\n';
  }
  WarnOfExpressionFaults(o.Report, sample->Environment().ExpressionCounters());
  for (const auto& w : settings.ConformanceWarnings) std::cerr << "oxqr-export: warning: " << w << '\n';
  if (!errors.empty()) {
    for (const auto& e : errors) std::cerr << "oxqr-export: " << e << '\n';
    return 1;
  }
  const fs::path folder = fs::absolute(o.Output).parent_path();
  if (settings.CreatedReportFiles.Count() == 0 && settings.CreatedImageFiles.Count() == 0) {
    std::cout << fs::absolute(o.Output).lexically_normal().string() << '\n';
  }
  for (const auto& f : settings.CreatedReportFiles.Items) std::cout << (folder / f.Text).lexically_normal().string() << '\n';
  // Picture files are named as the document refers to them: relative to its folder.
  for (const auto& f : settings.CreatedImageFiles.Items) {
    const fs::path picture(f.Text);
    std::cout << (picture.is_absolute() ? picture : folder / picture).lexically_normal().string() << '\n';
  }
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
    std::cerr << "oxqr-export: " << e.what() << '\n' << UsageText << "Try 'oxqr-export --help' for more.\n";
    return 2;
  }
  if (options.Version) {
    std::cout << VersionText();
    return 0;
  }
  // Charts need the widget application; it must exist before anything else creates
  // the plain GUI application that fonts and drawing use.
  TryEnsureChartApplication();
  // The code page is set before any data is read: the data layer converts as it reads.
  if (options.CodePage != 0) SetAnsiCodePage(options.CodePage);
  try {
    InitializeExportLibrary();
    PinClockFromEnvironment();
    const TSampleContext ctx = DefaultSampleContext(options.Database);
    ApplySettings(options);
    if (options.Help) {
      std::cout << HelpText(ReportsAndFormats(ctx));
      return 0;
    }
    if (options.ListSettings) {
      ListSettings(options.SettingsPrefix);
      return 0;
    }
    if (options.List) {
      List(ctx);
      return 0;
    }
    if (!options.Definition.empty()) {
      if (options.DefinitionFolder.empty()) {
        std::cout << SampleDefinitionText(options.Definition, ctx);
      } else {
        for (const auto& f : WriteSampleDefinition(options.Definition, ctx, options.DefinitionFolder))
          std::cout << fs::absolute(f).lexically_normal().string() << '\n';
      }
      return 0;
    }
    return Export(options, ctx);
  } catch (const EDefinitionError& e) {
    // A database that fails a sound definition is a run-time fault, as it is for a sample.
    std::cerr << "oxqr-export: " << e.Listing() << '\n';
    return e.DataSourceFault() ? 1 : 2;
  } catch (const EUsage& e) {
    std::cerr << "oxqr-export: " << e.what() << '\n' << UsageText << "Try 'oxqr-export --help' for more.\n";
    return 2;
  } catch (const EJsonDataError& e) {
    // Data that does not match its declarations is the caller's fault, as a definition's is.
    std::cerr << "oxqr-export: " << e.what() << '\n';
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "oxqr-export: " << e.what() << '\n';
    return 1;
  }
}
