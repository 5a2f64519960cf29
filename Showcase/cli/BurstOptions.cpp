#include "BurstOptions.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "CliOptions.h"
#include "ReportSource.h"
#include "Showcase/burst/BurstNames.h"
#include "Showcase/burst/BurstRun.h"

namespace oxqr::cli {

const char* const BurstOptionsText =
    "      --burst FIELD          write one file per value of FIELD of the report's master\n"
    "                             data, OUTPUT being the name template: {FIELD} and\n"
    "                             {OTHER} are replaced by the record's values\n"
    "      --burst-defined        burst by the field and into the names the report's\n"
    "                             definition gives (burstField, burstName); OUTPUT,\n"
    "                             when given, is the name template\n"
    "      --shard I/N            write only the bursts at positions I, I+N, I+2N, ...\n"
    "      --shard-from-env       take I from JOB_COMPLETION_INDEX (N from --shards) or\n"
    "                             from SLURM_ARRAY_TASK_ID and SLURM_ARRAY_TASK_COUNT\n"
    "      --shards N             the number of shards for --shard-from-env\n"
    "      --manifest FILE        append one JSON line per burst (value, file, pages,\n"
    "                             bytes, sha256, seconds, status); {SHARD} in FILE\n"
    "                             becomes the shard's index\n"
    "      --skip-existing        write only the bursts whose file is missing, or with\n"
    "                             --manifest whose file does not have the size and\n"
    "                             SHA-256 of its \"ok\" line\n"
    "      --list-files           print each file written also with --quiet (which\n"
    "                             otherwise prints only the closing summary)\n";

namespace {

std::string Value(const std::vector<std::string>& args, std::size_t& i) {
  if (i + 1 >= args.size()) throw EUsage("option " + args[i] + " needs a value");
  return args[++i];
}

}  // namespace

bool ParseBurstOption(const std::vector<std::string>& args, std::size_t& i, TBurstOptions& o) {
  const std::string& a = args[i];
  if (a == "--burst") {
    o.Field = Value(args, i);
    if (o.Field.empty()) throw EUsage("--burst needs a field name");
  } else if (a == "--burst-defined") {
    o.FromDefinition = true;
  } else if (a == "--shard") {
    o.Shard = Value(args, i);
  } else if (a == "--shard-from-env") {
    o.ShardFromEnv = true;
  } else if (a == "--shards") {
    const std::string n = Value(args, i);
    char* end = nullptr;
    const long v = std::strtol(n.c_str(), &end, 10);
    if (n.empty() || *end != '\0' || v < 1 || v > 1000000) throw EUsage("--shards expects a number from 1, got \"" + n + "\"");
    o.Shards = static_cast<int>(v);
  } else if (a == "--manifest") {
    o.Manifest = Value(args, i);
  } else if (a == "--skip-existing") {
    o.SkipExisting = true;
  } else if (a == "--list-files") {
    o.ListFiles = true;
  } else {
    return false;
  }
  return true;
}

void CheckBurstOptions(const TBurstOptions& o) {
  if (!o.Active() &&
      (!o.Shard.empty() || o.ShardFromEnv || o.Shards > 0 || !o.Manifest.empty() || o.SkipExisting || o.ListFiles))
    throw EUsage("--shard, --shard-from-env, --shards, --manifest, --skip-existing and --list-files go with --burst");
  if (!o.Field.empty() && o.FromDefinition) throw EUsage("--burst and --burst-defined go one at a time");
  if (!o.Shard.empty() && o.ShardFromEnv) throw EUsage("--shard and --shard-from-env go one at a time");
  if (o.Shards > 0 && !o.ShardFromEnv) throw EUsage("--shards goes with --shard-from-env");
}

std::string BurstNameTemplate(const std::string& output, const TReportDefinition& definition) {
  if (!output.empty()) return output;
  if (definition.BurstName().empty())
    throw EUsage("the definition names no burstName: give the name template as OUTPUT");
  return definition.BurstName();
}

int ExportBursts(const TBurstOptions& o, const std::string& nameTemplate, TReportDefinition& definition, int fileType,
                 bool pageFiles) {
  if (pageFiles) throw EUsage("--burst writes one file per burst; this format writes one file per page");
  TBurstJob job;
  job.Field = o.FromDefinition ? definition.BurstField() : o.Field;
  if (job.Field.empty()) throw EUsage("the definition names no burstField: give the field with --burst FIELD");
  job.NameTemplate = nameTemplate;
  job.FileType = fileType;
  job.Manifest = o.Manifest;
  job.SkipExisting = o.SkipExisting;
  job.Inputs = InputFiles(definition);
  job.ListFiles = !o.Quiet || o.ListFiles;
  try {
    if (!o.Shard.empty()) job.Shard = ParseShard(o.Shard);
    if (o.ShardFromEnv) job.Shard = ShardFromEnvironment(o.Shards, [](const char* name) { return std::getenv(name); });
  } catch (const EBurstError& e) {
    throw EUsage(e.what());
  }
  const auto start = std::chrono::steady_clock::now();
  const TBurstSummary s = RunBursts(definition.Report(), job, std::cout, std::cerr);
  std::cout.flush();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  char took[32];
  std::snprintf(took, sizeof took, "%.1f s", seconds);
  std::cerr << "oxqr-export: shard " << job.Shard.Index << "/" << job.Shard.Count << ": " << s.Written << " written, "
            << s.Skipped << " skipped, " << s.Failed << " failed" << (s.Stopped ? ", stopped" : "") << " in " << took
            << '\n';
  return s.Failed > 0 || s.Stopped ? 1 : 0;
}

}  // namespace oxqr::cli
