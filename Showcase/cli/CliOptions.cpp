#include "CliOptions.h"

#include <cctype>

#include "data/Connection.h"
#include "data/Postgres.h"

#ifndef OXQR_VERSION
#define OXQR_VERSION "0"
#endif

namespace oxqr::cli {

const char* const UsageText =
    "Usage: oxqr-export [OPTION]... [--db DB] [--param NAME=VALUE]... REPORT OUTPUT\n"
    "  or:  oxqr-export --list | --definition NAME [FOLDER] | --list-settings [PREFIX] | --help | --version\n";

namespace {

// One line per option; the man page is made from this text, so every option is here.
const char* const OptionsText =
    "Options:\n"
    "      --db PATH              read the data from the SQLite database PATH, or from a\n"
    "                             server: postgresql://[user@]host[:port]/db, instead of\n"
    "                             the one installed with the program (samples) or the\n"
    "                             one the definition names (definition files)\n"
    "      --param NAME=VALUE     give the report's parameter NAME the VALUE\n"
    "                             (repeatable; checked against the parameter's type)\n"
    "      --data NAME=FILE       read the JSON dataset NAME from FILE instead of the file\n"
    "                             its definition names (repeatable)\n"
    "      --definition NAME [FOLDER]\n"
    "                             print the definition file of sample NAME, a starting\n"
    "                             point for a report of one's own; it names the sample's\n"
    "                             pictures and database by their full paths, so it runs\n"
    "                             from anywhere; with FOLDER, write it there as NAME.oxr\n"
    "                             with copies of its pictures and rich text files\n"
    "      --format EXT           write the format of extension EXT (txt, pdf, jpg, ...)\n"
    "                             instead of the one OUTPUT's extension names\n"
    "      --encoding NAME        the text of the report: utf-8 (every character kept),\n"
    "                             or an 8-bit code page such as 1252 or cp1251 (the\n"
    "                             default is 1252; what it cannot hold becomes \"?\")\n"
    "      --set PATH=VALUE       change one export setting first (repeatable);\n"
    "                             --list-settings shows the paths and their values\n"
    "      --list                 list the sample reports with their definition files,\n"
    "                             the formats and the database\n"
    "      --list-settings [PREFIX]\n"
    "                             list every setting --set takes (path, type,\n"
    "                             default, allowed values), or those starting\n"
    "                             with PREFIX (for example PDF)\n"
    "  -q, --quiet                show no progress on the terminal\n"
    "  -h, --help                 show this help and exit\n"
    "      --version              show the version and exit\n";

const char* const ExamplesText =
    "Examples:\n"
    "  Text with no blank lines between the rows:\n"
    "    oxqr-export --set Text.LineSpacing=lsNoBlank customers customers.txt\n"
    "  One JPEG picture per page at quality 80:\n"
    "    oxqr-export --set JPEG.Quality=80 events events.jpg\n"
    "  One PDF document per customer, named after its number:\n"
    "    oxqr-export --burst CustNo customers 'out/{CustNo}.pdf'\n"
    "  A PDF document with a title:\n"
    "    oxqr-export --set \"PDF.Title=Customer Orders\" customers customers.pdf\n"
    "  A PDF document in which names in every script keep their characters:\n"
    "    oxqr-export --encoding utf-8 customers customers.pdf\n"
    "  The settings of the HTML format:\n"
    "    oxqr-export --list-settings HTML\n"
    "  A report of one's own, from a sample's definition: without --db it reads the\n"
    "  sample database, with --db a database of one's own with the tables it reads:\n"
    "    oxqr-export --definition customers > mine.oxr\n"
    "    oxqr-export mine.oxr mine.pdf\n"
    "    oxqr-export --db shop.sqlite mine.oxr mine.pdf\n"
    "  The same with the definition, its pictures and rich text in a folder of one's own:\n"
    "    oxqr-export --definition richtext myreport\n"
    "    oxqr-export myreport/richtext.oxr richtext.pdf\n";

// The code page of an --encoding value: "utf-8" (any case, "utf8") is 65001, "cpN" or "N" is N.
int EncodingCodePage(const std::string& value) {
  std::string v;
  for (const char c : value) v += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (v == "utf-8" || v == "utf8") return 65001;
  if (v.rfind("cp", 0) == 0) v.erase(0, 2);
  int number = 0;
  if (v.empty() || v.size() > 5 || v.find_first_not_of("0123456789") != std::string::npos ||
      (number = std::stoi(v)) <= 0)
    throw EUsage("--encoding expects utf-8 or a code page number, got \"" + value + "\"");
  return number;
}

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
    if (a == "--help" || a == "-h") {
      o.Help = true;
    } else if (a == "--version") {
      o.Version = true;
    } else if (a == "--list") {
      o.List = true;
    } else if (a == "--list-settings") {
      o.ListSettings = true;
    } else if (a == "--quiet" || a == "-q") {
      o.Quiet = true;
    } else if (a == "--db") {
      o.Database = TakeValue(args, i);
      if (IsServerUri(o.Database))
        if (auto error = ServerUriError(o.Database)) throw EUsage("--db: malformed database URI: " + *error);
    } else if (a == "--format") {
      o.Format = TakeValue(args, i);
      if (!o.Format.empty() && o.Format.front() == '.') o.Format.erase(0, 1);
    } else if (a == "--encoding") {
      o.CodePage = EncodingCodePage(TakeValue(args, i));
    } else if (a == "--set") {
      const std::string kv = TakeValue(args, i);
      const auto eq = kv.find('=');
      if (eq == std::string::npos || eq == 0) throw EUsage("--set expects PATH=VALUE, got \"" + kv + "\"");
      o.Settings.emplace_back(kv.substr(0, eq), kv.substr(eq + 1));
    } else if (a == "--param") {
      const std::string kv = TakeValue(args, i);
      const auto eq = kv.find('=');
      if (eq == std::string::npos || eq == 0) throw EUsage("--param expects NAME=VALUE, got \"" + kv + "\"");
      o.Parameters.emplace_back(kv.substr(0, eq), kv.substr(eq + 1));
    } else if (a == "--data") {
      const std::string kv = TakeValue(args, i);
      const auto eq = kv.find('=');
      if (eq == std::string::npos || eq == 0 || eq + 1 == kv.size())
        throw EUsage("--data expects NAME=FILE, got \"" + kv + "\"");
      if (!o.DataFiles.emplace(kv.substr(0, eq), kv.substr(eq + 1)).second)
        throw EUsage("--data names dataset " + kv.substr(0, eq) + " twice");
    } else if (a == "--definition") {
      o.Definition = TakeValue(args, i);
    } else if (ParseBurstOption(args, i, o.Burst)) {
    } else if (a.size() > 1 && a.front() == '-') {
      throw EUsage("unknown option " + a);
    } else {
      positional.push_back(a);
    }
  }
  // --help and --version answer whatever else is on the line.
  if (o.Help || o.Version) return o;
  if (o.ListSettings) {
    if (o.List) throw EUsage("--list and --list-settings go one at a time");
    if (positional.size() > 1) throw EUsage("--list-settings takes at most one PREFIX");
    if (!positional.empty()) o.SettingsPrefix = positional.front();
    return o;
  }
  if (!o.Definition.empty()) {
    if (o.List || positional.size() > 1) throw EUsage("--definition takes the sample's NAME and at most a FOLDER");
    if (!positional.empty()) o.DefinitionFolder = positional.front();
    return o;
  }
  if (o.List) {
    if (!positional.empty()) throw EUsage("--list takes no REPORT or OUTPUT");  // --set still applies
    return o;
  }
  o.Burst.Quiet = o.Quiet;
  CheckBurstOptions(o.Burst);
  if (o.Burst.FromDefinition && positional.size() == 1) positional.emplace_back();  // the definition's name template
  if (positional.size() != 2) throw EUsage("expected REPORT and OUTPUT");
  o.Report = positional[0];
  o.Output = positional[1];
  return o;
}

std::string VersionText() { return std::string("oxqr-export ") + OXQR_VERSION + "\n"; }

std::string HelpText(const std::string& reportsAndFormats) {
  return std::string(UsageText) +
         "Exports a report of OxQRFilters to a file: an HTML, PDF, RTF, Excel (.xls, .xlsx),\n"
         "CSV or text document, one picture per page (GIF, JPEG, BMP) or one metafile per page\n"
         "(EMF, WMF).\n"
         "REPORT is a sample's name or the path of a report definition file (.oxr); a fault\n"
         "in a definition is reported as FILE:LINE:COLUMN: what is wrong, and nothing is written.\n"
         "OUTPUT's extension picks the format (or --format); formats that write one file per\n"
         "page number the files after OUTPUT (out.jpg gives out0001.jpg, out0002.jpg, ...).\n"
         "The files written are printed on standard output, one per line.\n"
         "\n" +
         OptionsText + BurstOptionsText + "\n" + reportsAndFormats + "\n" + ExamplesText +
         "\n"
         "Exit status:\n"
         "  0 the export was written, 1 it failed, 2 the command line or the report's\n"
         "  definition was wrong.\n";
}

}  // namespace oxqr::cli
