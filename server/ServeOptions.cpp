#include "server/ServeOptions.h"

#include <charconv>

namespace oxqr::serve {

const char* const ServeHelpText =
    "Usage: oxqr-serve --reports DIR [OPTION]...\n"
    "Renders the report definitions (*.oxr) of DIR over HTTP: GET /api/reports lists them,\n"
    "POST /api/reports/NAME/render and GET /api/reports/NAME.EXT answer the file, / is a page\n"
    "for people, /healthz, /readyz and /metrics are for operators.\n"
    "\n"
    "Options:\n"
    "      --reports DIR          the folder of the report definitions (required)\n"
    "      --db URI               the database every report reads (an SQLite file or\n"
    "                             postgresql://...); default: what each definition names\n"
    "      --listen HOST:PORT     the address to listen on (default 127.0.0.1:8080; port 0\n"
    "                             picks a free port, printed on standard output)\n"
    "      --workers N            render processes (default: the number of cores)\n"
    "      --tokens FILE          bearer tokens, one a line, each optionally followed by\n"
    "                             the reports it may render (name,name); without a token\n"
    "                             file the service listens on loopback addresses only\n"
    "      --insecure-public      listen on other addresses without tokens\n"
    "      --timeout SECONDS      the longest render (default 60); its worker is ended\n"
    "      --header-timeout S     the longest time for a request header (default 10)\n"
    "      --idle-timeout S       how long an idle connection is kept (default 5)\n"
    "      --grace SECONDS        after SIGTERM, the wait for renders taken (default 30)\n"
    "      --max-body BYTES       the largest request body (default 10485760; 413 beyond)\n"
    "      --max-output BYTES     the largest answer (default 268435456)\n"
    "      --queue N              requests that may wait for a worker (default 64; 503 beyond)\n"
    "      --connections N        connections served at once (default 1024)\n"
    "      --log-parameters       log the parameter values of each render\n"
    "  -h, --help                 show this help\n";

namespace {

long long Number(const std::string& option, const std::string& text, long long min, long long max) {
  long long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < min || v > max)
    throw EServeUsage(option + " expects a number from " + std::to_string(min) + " to " + std::to_string(max) +
                      ", got \"" + text + "\"");
  return v;
}

}  // namespace

TServeOptions ParseServeOptions(const std::vector<std::string>& args) {
  TServeOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw EServeUsage(a + " needs a value");
      return args[++i];
    };
    auto seconds = [&] { return std::chrono::seconds(Number(a, value(), 1, 86400)); };
    if (a == "-h" || a == "--help") o.Help = true;
    else if (a == "--reports") o.Reports = value();
    else if (a == "--db") o.Database = value();
    else if (a == "--listen") {
      const std::string& v = value();
      const auto colon = v.rfind(':');
      if (colon == std::string::npos || colon == 0) throw EServeUsage("--listen expects HOST:PORT, got \"" + v + "\"");
      o.Host = v.substr(0, colon);
      if (o.Host.size() > 2 && o.Host.front() == '[' && o.Host.back() == ']') o.Host = o.Host.substr(1, o.Host.size() - 2);
      o.Port = static_cast<int>(Number(a, v.substr(colon + 1), 0, 65535));
    } else if (a == "--workers") o.Workers = static_cast<int>(Number(a, value(), 1, 256));
    else if (a == "--tokens") o.Tokens = value();
    else if (a == "--insecure-public") o.InsecurePublic = true;
    else if (a == "--timeout") o.Timeout = seconds();
    else if (a == "--header-timeout") o.HeaderTime = seconds();
    else if (a == "--idle-timeout") o.IdleTime = seconds();
    else if (a == "--grace") o.Grace = seconds();
    else if (a == "--max-body") o.MaxBody = static_cast<std::size_t>(Number(a, value(), 1024, 1LL << 32));
    else if (a == "--max-output") o.MaxOutput = static_cast<std::size_t>(Number(a, value(), 1024, 1LL << 34));
    else if (a == "--queue") o.QueueLimit = static_cast<int>(Number(a, value(), 0, 100000));
    else if (a == "--connections") o.Connections = static_cast<int>(Number(a, value(), 4, 4096));
    else if (a == "--log-parameters") o.LogParameters = true;
    else if (a == "--worker-fd") o.WorkerFd = static_cast<int>(Number(a, value(), 3, 1 << 20));
    else if (a == "--scratch") o.Scratch = value();
    else throw EServeUsage("unknown option " + a);
  }
  if (!o.Help && o.Reports.empty()) throw EServeUsage("--reports DIR is required");
  return o;
}

bool IsLoopback(const std::string& host) {
  return host == "localhost" || host == "::1" || host.starts_with("127.");
}

}  // namespace oxqr::serve
