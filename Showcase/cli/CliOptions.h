#pragma once
// Command line of oxqr-export: the options, their parsing and the help text.
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "BurstOptions.h"

namespace oxqr::cli {

// A usage error: the program prints the message and the usage text and exits 2.
class EUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TCliOptions {
  bool Help = false;          // --help, -h
  bool Version = false;       // --version
  bool List = false;          // --list
  bool ListSettings = false;  // --list-settings [PREFIX]
  std::string SettingsPrefix;
  bool Quiet = false;
  std::string Database;  // empty: the database beside the program
  std::string Format;    // extension chosen with --format, empty: from OUTPUT
  std::vector<std::pair<std::string, std::string>> Settings;  // --set PATH=VALUE, in order
  std::vector<std::pair<std::string, std::string>> Parameters;  // --param NAME=VALUE, in order
  std::map<std::string, std::string> DataFiles;                 // --data NAME=FILE
  int CodePage = 0;        // --encoding: 65001 for utf-8, or a code page number; 0: the default
  std::string Definition;  // --definition NAME: print that sample's definition
  std::string DefinitionFolder;  // --definition NAME FOLDER: write it with its files there
  TBurstOptions Burst;     // --burst and the options of batch runs
  std::string Report;  // a sample's name or the path of a .oxr definition
  std::string Output;  // with --burst, the template of the outputs' names
};

extern const char* const UsageText;

// Parses argv[1..]; throws EUsage for anything malformed.
TCliOptions ParseCommandLine(const std::vector<std::string>& args);

// "oxqr-export 2.11": the program and the project version.
std::string VersionText();

// The whole --help text. `reportsAndFormats` is what --list prints about them, placed
// between the options and the examples.
std::string HelpText(const std::string& reportsAndFormats);

}  // namespace oxqr::cli
