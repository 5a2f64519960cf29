#include "server/RenderWorker.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "OxQrExport/core/SettingProperties.h"
#include "OxQrExport/core/Settings.h"
#include "charting/ChartApplication.h"
#include "data/Connection.h"
#include "data/JsonData.h"
#include "data/Postgres.h"
#include "definition/ReportDefinition.h"
#include "engine/FilterLibrary.h"
#include "engine/SaveCommand.h"
#include "platform/Files.h"
#include "server/Formats.h"
#include "server/WorkerProtocol.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace oxqr::serve {

namespace {

// The per-format settings as the library starts; every render begins from them, so one
// request's settings never reach the next.
struct TSettingsSnapshot {
  TOxQRHTMLSettings HTML;
  TOxQRPDFSettings PDF;
  TOxQRRTFSettings RTF;
  TOxQRExcelSettings Excel;
  TOxQRTextSettings Text;
  TOxQRXLSXSettings XLSX;
  TOxQRCSVSettings CSV;

  static TSettingsSnapshot Take() {
    const auto& s = QRExportSettings();
    return {s.HTML, s.PDF, s.RTF, s.Excel, s.Text, s.XLSX, s.CSV};
  }
  void Restore() const {
    auto& s = QRExportSettings();
    s.HTML = HTML;
    s.PDF = PDF;
    s.RTF = RTF;
    s.Excel = Excel;
    s.Text = Text;
    s.XLSX = XLSX;
    s.CSV = CSV;
  }
};

// The worker's scratch folder is emptied after each render, whatever happened.
struct TEmptiedOnExit {
  explicit TEmptiedOnExit(fs::path dir) : Dir(std::move(dir)) {}
  ~TEmptiedOnExit() {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(Dir, ec)) fs::remove_all(entry.path(), ec);
  }
  TEmptiedOnExit(const TEmptiedOnExit&) = delete;
  TEmptiedOnExit& operator=(const TEmptiedOnExit&) = delete;
  fs::path Dir;
};

class TRenderer {
 public:
  explicit TRenderer(const TWorkerConfig& config) : config_(config), snapshot_(TSettingsSnapshot::Take()) {}

  TMessage Render(const TMessage& request) {
    try {
      return Run(request);
    } catch (const EJsonDataError& e) {
      json p{{"title", "The data does not fit the report"}, {"detail", Scrub(e.what())}};
      if (!e.Pointer().empty() || e.Line() == 0) p["pointer"] = e.Pointer();
      if (e.Line() > 0) p["line"] = e.Line(), p["column"] = e.Column();
      return Problem(400, p);
    } catch (const EDefinitionError& e) {
      if (e.DataSourceFault())
        return Problem(503, {{"title", "The database is not available"}, {"detail", Scrub(e.what())}});
      return Problem(400, {{"title", "The request does not fit the report"}, {"detail", Scrub(e.what())}});
    } catch (const std::exception& e) {
      return Problem(500, {{"title", "The report could not be rendered"}, {"detail", Scrub(e.what())}});
    }
  }

 private:
  TMessage Run(const TMessage& request) {
    const json& head = request.Head;
    snapshot_.Restore();
    auto& settings = QRExportSettings();
    for (const auto& [path, value] : head.at("settings").items()) {
      std::string error;
      if (!SetSettingByPath(path, value.get<std::string>(), error))
        return Problem(400, {{"title", "A setting was refused"}, {"detail", error}, {"pointer", "/settings/" + path}});
    }
    // An answer is one file.
    settings.HTML.SingleFile = true;
    settings.Text.SingleFile = true;

    TDefinitionOptions options;
    options.DatabasePath = config_.Database;
    for (const auto& [name, value] : head.at("parameters").items()) options.Parameters.emplace_back(name, value.get<std::string>());
    if (!request.Body.empty()) {
      const auto data = TJsonDocument::Parse(request.Body, "request");
      for (const auto& [name, value] : data->Root().items())
        options.JsonData[name] = TJsonDocument::FromValue(value, "request", "/data/" + name);
    }
    const std::string ext = head.at("format").get<std::string>();
    const auto definition = LoadReportDefinition(head.at("file").get<std::string>(), options);

    const fs::path output = fs::path(head.at("dir").get<std::string>()) / ("render." + ext);
    const TEmptiedOnExit scratch(output.parent_path());
    std::vector<std::string> errors;
    settings.OnErrorMessage = [&errors](TOxQRExportFilter*, const std::string& msg) { errors.push_back(msg); };
    settings.CreatedReportFiles.Clear();
    settings.CreatedImageFiles.Clear();
    const int fileType = FileTypeOf(ext);
    if (SaveReadsPreview(fileType)) definition->Report().Prepare();
    SaveReport(definition->Report(), output.string(), fileType);
    TMessage answer;
    answer.Body = ReadFileBytes(output.string());
    if (!errors.empty()) return Problem(500, {{"title", "The report could not be rendered"}, {"detail", Scrub(errors.front())}});
    answer.Head = {{"status", 200}, {"mediaType", FindFormat(ext)->MediaType}};
    return answer;
  }

  static int FileTypeOf(const std::string& ext) {
    const auto& filters = FilterLibrary().Filters();
    for (std::size_t i = 0; i < filters.size(); ++i)
      if (filters[i].Extension == ext) return static_cast<int>(i) + 2;
    throw EOxQRError("no registered format writes \"" + ext + "\" files");
  }

  // Messages name files relative to the reports folder, a database file by its name and a
  // database server without the password.
  std::string Scrub(std::string text) const {
    auto replace = [&text](const std::string& from, const std::string& to) {
      for (std::size_t at = 0; !from.empty() && (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    };
    const std::string& db = config_.Database;
    if (!db.empty() && !IsServerUri(db)) replace(db, fs::path(db).filename().string());
    if (!db.empty() && IsServerUri(db)) text = WithoutPassword(text, db);
    replace((fs::path(config_.ReportsDir) / "").string(), "");
    return text;
  }

  static TMessage Problem(int status, json problem) {
    TMessage m;
    m.Head = {{"status", status}, {"problem", std::move(problem)}};
    return m;
  }

  const TWorkerConfig& config_;
  TSettingsSnapshot snapshot_;
};

// A worker's first layout loads the font database; that happens before it says it is ready,
// not in the time of the first request.
void WarmUp() {
  try {
    const auto d = LoadReportDefinitionText(
        R"(<report><band type="title" height="10"><label left="0" top="0" width="50" height="5" text="Ready"/></band></report>)",
        "warm-up.oxr");
    d->Report().Prepare();
  } catch (const std::exception&) {
    // The first request meets the same fault and reports it.
  }
}

}  // namespace

int RunWorker(const TWorkerConfig& config) {
  // A worker never outlives the service, even when the service is killed.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() == 1) return 1;
  std::signal(SIGTERM, SIG_IGN);  // the service decides when its workers end
  std::signal(SIGINT, SIG_IGN);
  TryEnsureChartApplication();
  InitializeExportLibrary();
  WarmUp();
  TRenderer renderer(config);
  if (!WriteMessage(config.Fd, {{{"ready", true}}, {}})) return 1;
  for (;;) {
    TMessage request;
    if (ReadMessage(config.Fd, request) != TReadEnd::Message) return 0;
    if (!WriteMessage(config.Fd, renderer.Render(request))) return 0;
  }
}

}  // namespace oxqr::serve
