#pragma once
// A burst run: the report laid out and saved once per value of a master field, each output
// under its own name, through the engine's save command. The report object, its bands and
// its page store are built once and serve every burst.
#include <iosfwd>
#include <string>
#include <vector>

#include "BurstShard.h"

namespace oxqr {

class TQRCustomReport;

struct TBurstJob {
  std::string Field;         // the master field whose values make the bursts
  std::string NameTemplate;  // "out/{CustNo}.pdf"
  int FileType = 0;          // the save command's file type (1 the engine's file, k >= 2 a format)
  TShard Shard;
  std::string Manifest;       // empty: none; "{SHARD}" becomes the shard's index
  bool SkipExisting = false;  // write only outputs that are missing or failed in the manifest
  std::vector<std::string> Inputs;  // files the run reads: no output may replace one
  bool ListFiles = true;            // print each file written
};

struct TBurstSummary {
  int Written = 0;
  int Skipped = 0;
  int Failed = 0;
  bool Stopped = false;  // a signal asked the process to stop before every burst was done
};

// Runs the bursts of `job.Shard`. Prints each file written on `out` (with job.ListFiles); a
// burst that fails is reported on `err` and in the manifest and the others go on; SIGTERM,
// SIGINT or SIGHUP stop the run after the burst being written. Throws EBurstError (before
// writing anything) when the run cannot start: no such field, two values giving one name
// (also on a file system that ignores letter case or trailing blanks), a device name, an
// output that would replace an input, another run of the same shard still running.
TBurstSummary RunBursts(TQRCustomReport& report, const TBurstJob& job, std::ostream& out, std::ostream& err);

// The manifest's name for `shard`: "{SHARD}" in `pattern` replaced by the shard's index.
std::string ManifestName(const std::string& pattern, const TShard& shard);

}  // namespace oxqr
