// oxqr-demodata: writes the DEMODATA sample database.
//   oxqr-demodata [--scale N] OUTPUT.sqlite
//   oxqr-demodata --postgres URI [--scale N] [--replace]
#include <cstdio>
#include <exception>
#include <string>

#include "data/Connection.h"
#include "data/Postgres.h"
#include "data/tools/DemoDataBuilder.h"

#ifndef OXQR_VERSION
#define OXQR_VERSION "0"
#endif

namespace {

const char* const kUsage =
    "Usage: oxqr-demodata [--scale N] OUTPUT.sqlite\n"
    "  or:  oxqr-demodata --postgres URI [--scale N] [--replace]\n";

const char* const kHelp =
    "Writes the DEMODATA sample database that the sample reports of OxQRFilters read: the\n"
    "customer, orders, events and animals tables, as an SQLite file OUTPUT.\n"
    "An existing file OUTPUT is replaced.\n"
    "With --postgres, creates the tables in the PostgreSQL database URI names instead\n"
    "(postgresql://[user@]host[:port]/dbname), in one transaction; the password comes\n"
    "from PGPASSWORD or ~/.pgpass.\n"
    "\n"
    "Options:\n"
    "      --scale N    N times as many customers (50) and orders (200), N >= 1\n"
    "      --postgres URI  load the tables into a server database\n"
    "      --replace    drop tables of the same names in that database first\n"
    "  -h, --help       show this help and exit\n"
    "      --version    show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0 the database was written, 1 it could not be written, 2 the command line was wrong.\n";

int UsageError(const std::string& why) {
  std::fprintf(stderr, "oxqr-demodata: %s\n%sTry 'oxqr-demodata --help' for more.\n", why.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string output, server;
  bool replace = false;
  oxqr::TDemoDataOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::puts("oxqr-demodata " OXQR_VERSION);
      return 0;
    }
    if (arg == "--scale") {
      if (i + 1 >= argc) return UsageError("--scale needs a number");
      try {
        std::size_t used = 0;
        const std::string value = argv[++i];
        options.Scale = std::stoi(value, &used);
        if (used != value.size()) options.Scale = 0;
      } catch (const std::exception&) {
        options.Scale = 0;
      }
      if (options.Scale < 1) return UsageError("--scale expects a whole number N >= 1");
    } else if (arg == "--postgres") {
      if (i + 1 >= argc) return UsageError("--postgres needs a URI");
      server = argv[++i];
      if (!oxqr::IsServerUri(server)) return UsageError("--postgres expects a postgresql:// URI");
      if (auto error = oxqr::ServerUriError(server)) return UsageError("malformed URI: " + *error);
    } else if (arg == "--replace") {
      replace = true;
    } else if (arg.starts_with("-")) {
      return UsageError("unknown option " + arg);
    } else if (!output.empty()) {
      return UsageError("only one OUTPUT");
    } else {
      output = arg;
    }
  }
  if (!server.empty() && !output.empty()) return UsageError("OUTPUT and --postgres exclude each other");
  if (server.empty() && output.empty()) return UsageError("expected OUTPUT");
  if (replace && server.empty()) return UsageError("--replace goes with --postgres");
  try {
    if (!server.empty())
      oxqr::BuildDemoServerDatabase(server, options, replace);
    else
      oxqr::BuildDemoDatabase(output, options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "oxqr-demodata: %s\n", e.what());
    return 1;
  }
  return 0;
}
