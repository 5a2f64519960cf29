#pragma once
// Command line of oxqr-export.
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace oxqr::cli {

// A usage error: the program prints the message and the usage text and exits 2.
class EUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TCliOptions {
  bool List = false;
  bool Quiet = false;
  std::string Database;  // empty: the database beside the program
  std::string Format;    // extension chosen with --format, empty: from OUTPUT
  std::vector<std::pair<std::string, std::string>> Settings;  // --set PATH=VALUE, in order
  std::string Report;
  std::string Output;
};

extern const char* const UsageText;

// Parses argv[1..]; throws EUsage for anything malformed.
TCliOptions ParseCommandLine(const std::vector<std::string>& args);

}  // namespace oxqr::cli
