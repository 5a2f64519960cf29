#pragma once
// The exporter's burst options: one output per value of a master field, shards of a batch
// spread over several processes, and the manifest of what was written.
#include <cstddef>
#include <string>
#include <vector>

namespace oxqr {
class TReportDefinition;
}  // namespace oxqr

namespace oxqr::cli {

struct TBurstOptions {
  std::string Field;          // --burst FIELD
  bool FromDefinition = false;  // --burst-defined: the field (and name) the definition gives
  std::string Shard;          // --shard I/N
  bool ShardFromEnv = false;  // --shard-from-env
  int Shards = 0;             // --shards N
  std::string Manifest;       // --manifest FILE
  bool SkipExisting = false;  // --skip-existing
  bool ListFiles = false;     // --list-files: the files written, also with --quiet
  bool Quiet = false;         // --quiet: a summary instead of a line per file
  bool Active() const { return !Field.empty() || FromDefinition; }
};

// The options' lines of --help.
extern const char* const BurstOptionsText;

// Takes args[i] (and its value) when it is a burst option; false when it is not one. Throws
// EUsage for a missing or malformed value.
bool ParseBurstOption(const std::vector<std::string>& args, std::size_t& i, TBurstOptions& o);
// Throws EUsage when burst options are given without --burst or contradict each other.
void CheckBurstOptions(const TBurstOptions& o);

// The template of the outputs' names: OUTPUT when given, else the definition's. Throws EUsage
// when there is none.
std::string BurstNameTemplate(const std::string& output, const TReportDefinition& definition);

// Exports the report once per value of the burst field (the option's, else the definition's)
// into files named by `nameTemplate`. Prints each file written on standard output (with
// --quiet only when --list-files asks) and one summary line on standard error. Returns the
// exit status: 0 when every burst was written or skipped, 1 when any failed.
int ExportBursts(const TBurstOptions& o, const std::string& nameTemplate, TReportDefinition& definition, int fileType,
                 bool pageFiles);

}  // namespace oxqr::cli
