// One benchmark for every registered format. For each format (and the settings that change
// its work: PDF compression and embedded fonts, picture reuse, RTF pictures) on the customers
// report at database scales 10 and 100 and on the events and sales reports, it times the preview run
// (Prepare) and the save's second run (ExportReport, the filter included, as a user pays it)
// in a worker process of its own, so that the peak memory is that of one case. It prints a
// table; --json FILE writes one JSON object per case and line. When the ReportLab peer script
// is present, the whole exporter process is timed against it on the same PDF work.
//
//   export_bench [--json FILE] [--reps N] [--scales 10,100] [--formats pdf,htm] [--no-events] [--no-sales]
//                [--no-peer] [--peer-only] [--page-budget MiB]
// --page-budget sets the preview's page store memory budget (the default is the library's).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "OxQrExport/core/SettingProperties.h"
#include "OxQrExport/core/Settings.h"
#include "Showcase/samples/SampleReports.h"
#include "charting/ChartApplication.h"
#include "engine/FilterLibrary.h"
#include "engine/Printer.h"
#include "engine/Report.h"
#include "engine/SaveCommand.h"

using namespace oxqr;
namespace fs = std::filesystem;

namespace {

using TClock = std::chrono::steady_clock;

// Debian's interpreter, which has python3-reportlab (a python3 earlier in PATH may not).
constexpr const char* kPython = "/usr/bin/python3";

// The peer script in the shared bench folder beside the checkout (a checkout may sit one
// folder deeper), or the one OXQR_PEER_SCRIPT names; empty when there is none.
std::string PeerScript() {
  if (const char* env = std::getenv("OXQR_PEER_SCRIPT")) return env;
  for (const char* up : {"/../shared/bench/", "/../../shared/bench/"}) {
    const fs::path p = fs::path(std::string(OXQR_SOURCE_DIR) + up + "reportlab_customers.py").lexically_normal();
    if (fs::exists(p)) return p.string();
  }
  return {};
}

// A variant: a short name and the settings (--set syntax) that make it.
struct TVariant {
  std::string Format;
  std::string Name;
  std::vector<std::pair<std::string, std::string>> Settings;
};

const std::vector<TVariant>& Variants() {
  static const std::vector<TVariant> variants = {
      {"pdf", "cmFastest", {{"PDF.CompressionMethod", "cmFastest"}}},
      {"pdf", "uncompressed", {{"PDF.Compressed", "False"}}},
      {"pdf", "embedded_fonts", {{"PDF.EmbedFonts", "True"}}},
      {"pdf", "reuse_images", {{"PDF.ReuseIdenticalImages", "True"}}},
      {"pdf", "pdfA2b", {{"PDF.Conformance", "pdfA2b"}}},
      {"pdf", "pdfUA1", {{"PDF.Conformance", "pdfUA1"}}},
      {"pdf", "pdfA2bUA1", {{"PDF.Conformance", "pdfA2bUA1"}}},
      {"htm", "reuse_images", {{"HTML.ReuseIdenticalImages", "True"}}},
      {"rtf", "bmp_pictures", {{"RTF.ExportImageFormat", "ifBMP"}}},
      {"rtf", "no_pictures", {{"RTF.ExportImages", "False"}}},
  };
  return variants;
}

struct TCase {
  std::string Format, Variant, Report;
  int Scale = 1;
};

struct TResult {
  TCase Case;
  int Pages = 0;
  double PreviewS = 0, ExportS = 0, Ratio = 0, PeakRssMiB = 0;
  double CpuRatio = 0;  // the same ratio of CPU times: steadier on a machine others share
  std::uintmax_t Bytes = 0;
  int Files = 0;
  bool Ok = false;
};

double ProcessCpuSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> out;
  std::stringstream in(s);
  for (std::string item; std::getline(in, item, ',');)
    if (!item.empty()) out.push_back(item);
  return out;
}

// ---- The worker: one case, `reps` times, in this process.

int Worker(const TCase& c, const std::string& database, int reps) {
  TryEnsureChartApplication();
  InitializeExportLibrary();
  for (const auto& v : Variants()) {
    if (v.Format != c.Format || v.Name != c.Variant) continue;
    for (const auto& [path, value] : v.Settings) {
      std::string error;
      if (!SetSettingByPath(path, value, error)) {
        std::cerr << error << '\n';
        return 2;
      }
    }
  }
  // Messages (cells beyond the sheet) are counted by the formats' own tests, not shown here.
  QRExportSettings().OnErrorMessage = [](TOxQRExportFilter*, const std::string&) {};
  const TQRExportFilterClass* cls = nullptr;
  for (const auto& e : FilterLibrary().Filters())
    if (e.Extension == c.Format) cls = e.ExportFilterClass;
  if (cls == nullptr) return 2;

  TSampleContext ctx;
  ctx.DatabasePath = database;
  const fs::path dir = fs::temp_directory_path() / "oxqr-bench" / "export" /
                       (c.Format + "-" + c.Variant + "-" + c.Report + "-" + std::to_string(c.Scale));
  std::vector<double> previews, exports, ratios, cpuRatios;
  int pages = 0;
  for (int r = 0; r < reps; ++r) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    auto sample = MakeSampleReport(c.Report, ctx);
    if (const char* budget = std::getenv("OXQR_BENCH_PAGE_BUDGET_MIB"))
      sample->Report().QRPrinter().SetPageMemoryBudget(static_cast<std::size_t>(std::stoul(budget)) << 20);
    const auto t0 = TClock::now();
    const double c0 = ProcessCpuSeconds();
    sample->Report().Prepare();
    const auto t1 = TClock::now();
    const double c1 = ProcessCpuSeconds();
    ExportReport(sample->Report(), *cls, (dir / ("out." + c.Format)).string());
    const auto t2 = TClock::now();
    const double c2 = ProcessCpuSeconds();
    cpuRatios.push_back((c2 - c1) / (c1 - c0));
    pages = sample->Report().QRPrinter().PageCount();
    const double p = std::chrono::duration<double>(t1 - t0).count();
    const double e = std::chrono::duration<double>(t2 - t1).count();
    previews.push_back(p);
    exports.push_back(e);
    ratios.push_back(e / p);
  }
  std::uintmax_t bytes = 0;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    bytes += entry.file_size();
    ++files;
  }
  fs::remove_all(dir);
  std::printf("%d %.6f %.6f %.6f %ju %d %.6f\n", pages, Median(previews), Median(exports), Median(ratios), bytes, files,
              Median(cpuRatios));
  return 0;
}

// ---- The driver: a worker process per case.

// Runs `argv` with standard output collected; the child's peak RSS in MiB goes to `peakMiB`.
int RunChild(const std::vector<std::string>& args, std::string& out, double& peakMiB, double& wallS) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  const auto start = TClock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(fds[1], STDOUT_FILENO);
    ::close(fds[0]);
    ::close(fds[1]);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  char buf[4096];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  wallS = std::chrono::duration<double>(TClock::now() - start).count();
  peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Self() { return fs::read_symlink("/proc/self/exe").string(); }

TResult Measure(const TCase& c, int reps) {
  TResult r;
  r.Case = c;
  std::string out;
  double wall = 0;
  const int rc = RunChild({Self(), "--worker", c.Format, c.Variant.empty() ? "-" : c.Variant, c.Report,
                           std::to_string(c.Scale), bench::DatabaseAtScale(c.Scale), std::to_string(reps)},
                          out, r.PeakRssMiB, wall);
  std::istringstream in(out);
  r.Ok = rc == 0 && static_cast<bool>(in >> r.Pages >> r.PreviewS >> r.ExportS >> r.Ratio >> r.Bytes >> r.Files >> r.CpuRatio);
  return r;
}

std::string Json(const TResult& r) {
  char buf[512];
  std::snprintf(buf, sizeof buf,
                "{\"format\": \"%s\", \"report\": \"%s\", \"scale\": %d, \"variant\": \"%s\", \"pages\": %d, "
                "\"preview_s\": %.4f, \"export_s\": %.4f, \"ratio\": %.3f, \"cpu_ratio\": %.3f, \"bytes\": %ju, "
                "\"files\": %d, \"peak_rss_mib\": %.1f}",
                r.Case.Format.c_str(), r.Case.Report.c_str(), r.Case.Scale, r.Case.Variant.c_str(), r.Pages,
                r.PreviewS, r.ExportS, r.Ratio, r.CpuRatio, r.Bytes, r.Files, r.PeakRssMiB);
  return buf;
}

double LoadAverage() {
  double load[1] = {0};
  return ::getloadavg(load, 1) == 1 ? load[0] : -1;
}

// The whole exporter process against the ReportLab peer on the same database, alternating,
// `reps` times each; the medians and their ratio.
void ComparePeer(const std::string& script, int scale, int reps, std::ofstream* json) {
  const std::string db = bench::DatabaseAtScale(scale);
  const fs::path dir = fs::temp_directory_path() / "oxqr-bench" / "peer";
  fs::create_directories(dir);
  std::vector<double> ours, peer;
  for (int i = 0; i < reps; ++i) {
    std::string out;
    double peak = 0, wall = 0;
    RunChild({OXQR_EXPORTER, "-q", "--db", db, "--set", "PDF.ExportImages=False", "customers",
              (dir / "ours.pdf").string()},
             out, peak, wall);
    ours.push_back(wall);
    RunChild({kPython, script, db, (dir / "peer.pdf").string()}, out, peak, wall);
    peer.push_back(wall);
  }
  const double o = Median(ours), p = Median(peer);
  std::printf("\nWhole process, customers at scale %d, PDF without pictures: oxqr-export %.2f s, ReportLab peer %.2f s, "
              "ratio %.3f (load average %.1f)\n",
              scale, o, p, o / p, LoadAverage());
  if (json != nullptr)
    *json << "{\"format\": \"pdf\", \"report\": \"customers\", \"scale\": " << scale
          << ", \"variant\": \"peer_reportlab\", \"ours_s\": " << o << ", \"peer_s\": " << p
          << ", \"ratio\": " << o / p << "}\n";
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  // Qt wants a private runtime folder; one for all workers instead of a warning from each.
  if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
    const fs::path dir = fs::temp_directory_path() / ("oxqr-runtime-" + std::to_string(::getuid()));
    std::error_code ec;
    fs::create_directories(dir, ec);
    fs::permissions(dir, fs::perms::owner_all, ec);
    if (!ec) ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 0);
  }
  if (args.size() == 7 && args[0] == "--worker") {
    const TCase c{args[1], args[2] == "-" ? "" : args[2], args[3], std::stoi(args[4])};
    try {
      return Worker(c, args[5], std::stoi(args[6]));
    } catch (const std::exception& e) {
      std::cerr << "export_bench: " << e.what() << '\n';
      return 1;
    }
  }

  std::string jsonFile;
  int reps = 3;
  std::vector<int> scales{10, 100};
  std::vector<std::string> formats;
  bool events = true, sales = true, peer = true, peerOnly = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool more = i + 1 < args.size();
    if (a == "--json" && more) jsonFile = args[++i];
    else if (a == "--reps" && more) reps = std::max(1, std::stoi(args[++i]));
    else if (a == "--scales" && more) {
      scales.clear();
      for (const auto& s : Split(args[++i])) scales.push_back(std::stoi(s));
    } else if (a == "--formats" && more) formats = Split(args[++i]);
    else if (a == "--no-events") events = false;
    else if (a == "--no-sales") sales = false;
    else if (a == "--no-peer") peer = false;
    else if (a == "--peer-only") peerOnly = true;
    else if (a == "--page-budget" && more) ::setenv("OXQR_BENCH_PAGE_BUDGET_MIB", args[++i].c_str(), 1);
    else {
      std::cerr << "usage: export_bench [--json FILE] [--reps N] [--scales 10,100] [--formats pdf,htm] "
                   "[--no-events] [--no-sales] [--no-peer] [--peer-only] [--page-budget MiB]\n";
      return 2;
    }
  }

  // The registered formats, read in a worker-free way: the registry needs the library.
  InitializeExportLibrary();
  std::vector<std::string> registered;
  for (const auto& e : FilterLibrary().Filters()) registered.push_back(e.Extension);
  if (formats.empty()) formats = registered;

  std::vector<TCase> cases;
  auto add = [&](const std::string& report, int scale) {
    for (const auto& f : formats) {
      if (std::find(registered.begin(), registered.end(), f) == registered.end()) continue;
      cases.push_back({f, "", report, scale});
      for (const auto& v : Variants())
        if (v.Format == f) cases.push_back({f, v.Name, report, scale});
    }
  };
  if (!peerOnly) {
    for (const int s : scales) add("customers", s);
    if (events) add("events", 1);
    if (sales) add("sales", 1);
  }

  std::unique_ptr<std::ofstream> json;
  if (!jsonFile.empty()) json = std::make_unique<std::ofstream>(jsonFile);
  if (!cases.empty()) {
    std::printf("load average %.1f at the start; medians of %d runs\n", LoadAverage(), reps);
    std::printf("%-5s %-15s %-10s %6s %6s %10s %10s %7s %7s %12s %6s %9s\n", "fmt", "variant", "report", "scale",
                "pages", "preview_s", "export_s", "ratio", "cpu", "bytes", "files", "peak_MiB");
  }
  for (const auto& c : cases) {
    const TResult r = Measure(c, reps);
    if (!r.Ok) {
      std::printf("%-5s %-15s %-10s %6d  failed\n", c.Format.c_str(), c.Variant.c_str(), c.Report.c_str(), c.Scale);
      continue;
    }
    std::printf("%-5s %-15s %-10s %6d %6d %10.3f %10.3f %7.2f %7.2f %12ju %6d %9.1f\n", c.Format.c_str(),
                c.Variant.c_str(), c.Report.c_str(), c.Scale, r.Pages, r.PreviewS, r.ExportS, r.Ratio, r.CpuRatio,
                r.Bytes, r.Files, r.PeakRssMiB);
    std::fflush(stdout);
    if (json) *json << Json(r) << '\n';
  }
  const std::string script = PeerScript();
  const std::string probe = std::string(kPython) + " -c 'import reportlab' 2>/dev/null";
  if (peer && !script.empty() && std::system(probe.c_str()) == 0)
    ComparePeer(script, 100, reps, json.get());
  return 0;
}
