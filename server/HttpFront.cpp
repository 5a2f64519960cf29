#include "server/HttpFront.h"

#include <httplib.h>

#include <QFile>
#include <atomic>
#include <ctime>
#include <iostream>

#include "data/Connection.h"
#include "data/JsonData.h"
#include "data/Postgres.h"
#include "server/Formats.h"
#include "server/Problem.h"
#include "server/SettingsAllowList.h"

using nlohmann::json;

namespace oxqr::serve {

namespace {

using TClock = std::chrono::steady_clock;

// What the log line of the request being served on this thread says besides the basics.
struct TRequestNote {
  std::string Id;
  std::string Report;
  std::string Format;
  json Parameters;
  TClock::time_point Start;
};
thread_local TRequestNote note;

std::string Resource(const char* name) {
  QFile f(QString::fromLatin1(name));
  return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

std::string UtcNow() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

void SendProblem(httplib::Response& res, int status, const std::string& title, const std::string& detail = {},
                 json extra = json::object()) {
  json p = Problem(status, title, detail);
  for (auto& [k, v] : extra.items()) p[k] = v;
  res.status = status;
  res.set_content(p.dump(-1, ' ', false, json::error_handler_t::replace), kProblemType);
}

// A request's parameter value as the loader reads it: text.
std::optional<std::string> ParameterText(const json& v) {
  if (v.is_string()) return v.get<std::string>();
  if (v.is_boolean()) return v.get<bool>() ? "true" : "false";
  if (v.is_number()) return v.dump();
  return std::nullopt;
}

// The parts of a render request, from a POST body or a GET link.
struct TRenderRequest {
  std::string Format;
  json Parameters = json::object();
  json Settings = json::object();
  std::string Data;  // the "data" object as JSON text; empty when none
};

// A fault of the request: status, title, detail and where.
struct TRequestFault {
  int Status;
  std::string Title, Detail, Pointer;
};

TRenderRequest ParseBody(const std::string& body, const TCatalogueEntry& entry) {
  std::shared_ptr<const TJsonDocument> doc;
  try {
    doc = TJsonDocument::Parse(body, "request");
  } catch (const EJsonDataError& e) {
    throw TRequestFault{400, "The request body is not JSON", e.what(), ""};
  }
  const json& b = doc->Root();
  if (!b.is_object()) throw TRequestFault{400, "The request body is not an object", "expected a JSON object", ""};
  TRenderRequest r;
  for (const auto& [key, value] : b.items()) {
    const std::string at = JsonPointer("", key);
    if (key == "format") {
      if (!value.is_string()) throw TRequestFault{400, "Bad format", "expected a string", at};
      r.Format = value.get<std::string>();
    } else if (key == "parameters" || key == "settings") {
      if (!value.is_object()) throw TRequestFault{400, "Bad " + key, "expected an object", at};
      for (const auto& [name, v] : value.items()) {
        const auto text = ParameterText(v);
        if (!text) throw TRequestFault{400, "Bad " + key, "expected a string, a number or a boolean", JsonPointer(at, name)};
        if (key == "settings" && !IsAllowedSetting(name))
          throw TRequestFault{400, "A setting was refused",
                              "'" + name + "' is not a setting a request may give (" + AllowedSettingsText() + ")",
                              JsonPointer(at, name)};
        (key == "parameters" ? r.Parameters : r.Settings)[name] = *text;
      }
    } else if (key == "data") {
      if (!value.is_object()) throw TRequestFault{400, "Bad data", "expected an object of datasets", at};
      for (const auto& [name, v] : value.items()) {
        if (std::find(entry.JsonDataSets.begin(), entry.JsonDataSets.end(), name) == entry.JsonDataSets.end())
          throw TRequestFault{400, "Unknown dataset",
                              "report " + entry.Name + " has no JSON dataset '" + name + "' that takes data",
                              JsonPointer(at, name)};
      }
      r.Data = value.dump();
    } else {
      throw TRequestFault{400, "Unknown member", "the body has format, parameters, data and settings", at};
    }
  }
  if (r.Format.empty()) throw TRequestFault{400, "Bad format", "the body needs a format", "/format"};
  return r;
}

}  // namespace

class THttpFront::TRoutes {
 public:
  TRoutes(const TServeOptions& options, const TCatalogue& catalogue, TWorkerPool& pool, std::optional<TTokens> tokens)
      : options_(options), catalogue_(catalogue), pool_(pool), tokens_(std::move(tokens)),
        page_(Resource(":/web/index.html")), script_(Resource(":/web/app.js")), style_(Resource(":/web/style.css")),
        openapi_(Resource(":/web/openapi.yaml")) {}

  void Install(httplib::Server& s, TConnectionWatch& watch) {
    watch_ = &watch;
    s.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
      note = TRequestNote{std::to_string(++requestCount_), "", "", json(), TClock::now()};
      res.set_header("X-Request-Id", note.Id);
      watch_->Began(Peer(req));
      return httplib::Server::HandlerResponse::Unhandled;
    });
    s.set_logger([this](const httplib::Request& req, const httplib::Response& res) { Log(req, res); });
    s.set_error_handler([](const httplib::Request&, httplib::Response& res) {
      if (!res.body.empty()) return;
      const char* title = res.status == 404   ? "Not found"
                          : res.status == 413 ? "The request body is too large"
                          : res.status == 405 ? "Method not allowed"
                                              : "Bad request";
      SendProblem(res, res.status, title);
    });
    s.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
      SendProblem(res, 500, "Internal error");
    });
    auto text = [](std::string body, const char* type) {
      return [body, type](const httplib::Request&, httplib::Response& res) { res.set_content(body, type); };
    };
    s.Get("/", text(page_, "text/html; charset=utf-8"));
    s.Get("/app.js", text(script_, "text/javascript; charset=utf-8"));
    s.Get("/style.css", text(style_, "text/css; charset=utf-8"));
    s.Get("/openapi.yaml", text(openapi_, "application/yaml"));
    s.Get("/healthz", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(R"({"status":"ok"})", "application/json");
    });
    s.Get("/readyz", [this](const httplib::Request&, httplib::Response& res) { Ready(res); });
    s.Get("/metrics", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(Metrics(), "text/plain; version=0.0.4; charset=utf-8");
    });
    s.Get("/api/reports", [this](const httplib::Request& req, httplib::Response& res) { List(req, res); });
    s.Post(R"(/api/reports/([^/]+)/render)", [this](const httplib::Request& req, httplib::Response& res) {
      const TCatalogueEntry* entry = Entry(req, res, req.matches[1]);
      if (entry == nullptr) return;
      if (req.get_header_value("Content-Type").find("application/json") == std::string::npos)
        return SendProblem(res, 415, "The body must be JSON", "send Content-Type: application/json");
      try {
        Render(req, res, *entry, ParseBody(req.body, *entry));
      } catch (const TRequestFault& f) {
        SendProblem(res, f.Status, f.Title, f.Detail, f.Pointer.empty() ? json::object() : json{{"pointer", f.Pointer}});
      }
    });
    s.Get(R"(/api/reports/([^/]+)\.([A-Za-z0-9]+))", [this](const httplib::Request& req, httplib::Response& res) {
      const TCatalogueEntry* entry = Entry(req, res, req.matches[1]);
      if (entry == nullptr) return;
      TRenderRequest r;
      r.Format = req.matches[2];
      for (const auto& [name, value] : req.params) r.Parameters[name] = value;
      Render(req, res, *entry, r);
    });
  }

 private:
  static std::string Peer(const httplib::Request& req) { return req.remote_addr + ":" + std::to_string(req.remote_port); }

  // The reports the request's token may render; nothing (and a 401 answer) without a right token.
  std::optional<std::set<std::string>> Authorise(const httplib::Request& req, httplib::Response& res) {
    if (!tokens_) return std::set<std::string>{};
    auto allowed = tokens_->Allowed(req.get_header_value("Authorization"));
    if (!allowed) {
      res.set_header("WWW-Authenticate", "Bearer");
      SendProblem(res, 401, "A bearer token is needed", "give a valid token in the Authorization header");
    }
    return allowed;
  }

  const TCatalogueEntry* Entry(const httplib::Request& req, httplib::Response& res, const std::string& name) {
    const auto allowed = Authorise(req, res);
    if (!allowed) return nullptr;
    note.Report = IsCatalogueName(name) ? name : "?";
    const TCatalogueEntry* entry = IsCatalogueName(name) ? catalogue_.Find(name) : nullptr;
    if (entry == nullptr) {
      SendProblem(res, 404, "No such report",
                  IsCatalogueName(name) ? "there is no report named " + name : "report names are catalogue names");
      return nullptr;
    }
    if (!allowed->empty() && !allowed->contains(name)) {
      SendProblem(res, 403, "The token may not render this report");
      return nullptr;
    }
    return entry;
  }

  void List(const httplib::Request& req, httplib::Response& res) {
    const auto allowed = Authorise(req, res);
    if (!allowed) return;
    json reports = json::array();
    json formats = json::array();
    for (const auto& f : kFormats) formats.push_back(f.Extension);
    for (const auto& [name, e] : catalogue_.Entries()) {
      if (!allowed->empty() && !allowed->contains(name)) continue;
      json params = json::array();
      for (const auto& p : e.Parameters) {
        json j{{"name", p.Name}, {"type", p.Type}};
        if (p.Default) j["default"] = *p.Default;
        params.push_back(j);
      }
      reports.push_back({{"name", name}, {"title", e.Title}, {"parameters", params}, {"datasets", e.JsonDataSets},
                         {"formats", formats}});
    }
    res.set_content(json{{"reports", reports}}.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
  }

  void Render(const httplib::Request& req, httplib::Response& res, const TCatalogueEntry& entry, TRenderRequest r) {
    note.Format = r.Format;
    if (options_.LogParameters) note.Parameters = r.Parameters;
    const TFormat* format = FindFormat(r.Format);
    if (format == nullptr) {
      std::string names;
      for (const auto& f : kFormats) names += (names.empty() ? "" : ", ") + std::string(f.Extension);
      return SendProblem(res, 400, "Unknown format", "'" + r.Format + "' is not a format (" + names + ")",
                         {{"pointer", "/format"}});
    }
    TMessage job;
    job.Head = {{"file", entry.File}, {"format", std::string(format->Extension)}, {"parameters", r.Parameters},
                {"settings", r.Settings}};
    job.Body = r.Data;
    const int fd = watch_->SocketOf(Peer(req));
    const auto gone = [fd] { return fd >= 0 && TConnectionWatch::ClientGone(fd); };
    const TRenderResult result = pool_.Render(std::move(job), gone);
    switch (result.End) {
      case TRenderEnd::Done: break;
      case TRenderEnd::QueueFull:
      case TRenderEnd::Stopping:
        res.set_header("Retry-After", "5");
        return SendProblem(res, 503, "The service is busy", "every worker is rendering and the queue is full");
      case TRenderEnd::WorkerDied:
        res.set_header("Retry-After", "1");
        return SendProblem(res, 503, "The render failed", "the worker process rendering the report ended; it was restarted");
      case TRenderEnd::TimedOut:
        return SendProblem(res, 504, "The render took too long",
                           "the report took longer than " + std::to_string(options_.Timeout.count()) + " s");
      case TRenderEnd::Cancelled:
        return SendProblem(res, 499, "The client closed the connection");
      case TRenderEnd::TooLarge:
        return SendProblem(res, 500, "The output is too large", "the file is larger than the service's limit");
    }
    const json& head = result.Reply.Head;
    const int status = head.value("status", 500);
    if (status != 200) {
      json problem = head.value("problem", json::object());
      problem["type"] = "about:blank";
      problem["status"] = status;
      if (status == 503) res.set_header("Retry-After", "5");
      res.status = status;
      res.set_content(problem.dump(-1, ' ', false, json::error_handler_t::replace), kProblemType);
      return;
    }
    res.set_header("Content-Disposition",
                   "inline; filename=\"" + entry.Name + "." + std::string(format->Extension) + "\"");
    res.set_content(result.Reply.Body, std::string(format->MediaType));
  }

  void Ready(httplib::Response& res) {
    if (pool_.Ready() < pool_.Workers())
      return SendProblem(res, 503, "Not ready",
                         std::to_string(pool_.Ready()) + " of " + std::to_string(pool_.Workers()) + " workers are up");
    if (!options_.Database.empty()) {
      try {
        Connect(options_.Database);
      } catch (const std::exception& e) {
        return SendProblem(res, 503, "The database is not available", WithoutPassword(e.what(), options_.Database));
      }
    }
    res.set_content(json{{"status", "ready"}, {"workers", pool_.Workers()}}.dump(), "application/json");
  }

  std::string Metrics() const {
    TGauges g;
    g.Queued = pool_.Queued();
    g.Busy = pool_.Busy();
    g.Workers = pool_.Workers();
    g.Restarts = pool_.Restarts();
    g.ResidentBytes = ResidentBytes();
    for (const pid_t pid : pool_.Pids()) g.WorkerResidentBytes += ResidentBytes(pid);
    return metrics_.Text(g);
  }

  void Log(const httplib::Request& req, const httplib::Response& res) {
    watch_->Ended(Peer(req));
    const double seconds = std::chrono::duration<double>(TClock::now() - note.Start).count();
    if (!note.Format.empty()) metrics_.CountRender(note.Report, note.Format, res.status, seconds);
    json line{{"time", UtcNow()}, {"id", note.Id}, {"method", req.method}, {"path", req.path}, {"status", res.status},
              {"ms", std::llround(seconds * 1000)}, {"bytes", res.body.size()}};
    if (!note.Report.empty()) line["report"] = note.Report;
    if (!note.Format.empty()) line["format"] = note.Format;
    if (options_.LogParameters && !note.Parameters.is_null()) line["parameters"] = note.Parameters;
    const std::string text = line.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
    const std::lock_guard lock(logMutex_);
    std::cerr << text << std::flush;
  }

  const TServeOptions& options_;
  const TCatalogue& catalogue_;
  TWorkerPool& pool_;
  std::optional<TTokens> tokens_;
  TConnectionWatch* watch_ = nullptr;
  std::string page_, script_, style_, openapi_;
  TMetrics metrics_;
  std::atomic<unsigned long long> requestCount_{0};
  std::mutex logMutex_;
};

THttpFront::THttpFront(const TServeOptions& options, const TCatalogue& catalogue, TWorkerPool& pool,
                       std::optional<TTokens> tokens)
    : options_(options), server_(std::make_unique<httplib::Server>()),
      routes_(std::make_unique<TRoutes>(options, catalogue, pool, std::move(tokens))) {
  const int threads = options.Connections;
  // The library takes ownership of the queue it is given.
  server_->new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<std::size_t>(threads)); };
  server_->set_payload_max_length(options.MaxBody);
  server_->set_read_timeout(std::min<long long>(options.HeaderTime.count(), 5), 0);
  server_->set_write_timeout(30, 0);
  server_->set_keep_alive_timeout(options.IdleTime.count());
  server_->set_keep_alive_max_count(1000);
  // An answer goes out as its head and its body: without this the body waited for the
  // client's delayed acknowledgement of the head (40 ms per request on keep-alive connections).
  server_->set_tcp_nodelay(true);
}

THttpFront::~THttpFront() = default;

int THttpFront::Bind() {
  int port = options_.Port;
  if (port == 0) port = server_->bind_to_any_port(options_.Host);
  else if (!server_->bind_to_port(options_.Host, port)) port = -1;
  if (port < 0) throw std::runtime_error("cannot listen on " + options_.Host + ":" + std::to_string(options_.Port));
  watch_ = std::make_unique<TConnectionWatch>(port, options_.HeaderTime);
  routes_->Install(*server_, *watch_);
  return port;
}

void THttpFront::Serve() { server_->listen_after_bind(); }

void THttpFront::Stop() { server_->stop(); }

}  // namespace oxqr::serve
