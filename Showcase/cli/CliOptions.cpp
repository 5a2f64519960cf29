#include "CliOptions.h"

namespace oxqr::cli {

const char* const UsageText =
    "usage: oxqr-export --list\n"
    "       oxqr-export [--db PATH] [--format EXT] [--set PATH=VALUE]... [--quiet] REPORT OUTPUT\n";

namespace {

std::string TakeValue(const std::vector<std::string>& args, std::size_t& i) {
  if (i + 1 >= args.size()) throw EUsage("option " + args[i] + " needs a value");
  return args[++i];
}

}  // namespace

TCliOptions ParseCommandLine(const std::vector<std::string>& args) {
  TCliOptions o;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--list") {
      o.List = true;
    } else if (a == "--quiet" || a == "-q") {
      o.Quiet = true;
    } else if (a == "--db") {
      o.Database = TakeValue(args, i);
    } else if (a == "--format") {
      o.Format = TakeValue(args, i);
      if (!o.Format.empty() && o.Format.front() == '.') o.Format.erase(0, 1);
    } else if (a == "--set") {
      const std::string kv = TakeValue(args, i);
      const auto eq = kv.find('=');
      if (eq == std::string::npos || eq == 0) throw EUsage("--set expects PATH=VALUE, got \"" + kv + "\"");
      o.Settings.emplace_back(kv.substr(0, eq), kv.substr(eq + 1));
    } else if (a.size() > 1 && a.front() == '-') {
      throw EUsage("unknown option " + a);
    } else {
      positional.push_back(a);
    }
  }
  if (o.List) {
    if (!positional.empty()) throw EUsage("--list takes no REPORT or OUTPUT");  // --set still applies
    return o;
  }
  if (positional.size() != 2) throw EUsage("expected REPORT and OUTPUT");
  o.Report = positional[0];
  o.Output = positional[1];
  return o;
}

}  // namespace oxqr::cli
