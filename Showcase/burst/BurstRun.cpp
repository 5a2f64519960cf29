#include "BurstRun.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <ostream>

#include "BurstManifest.h"
#include "BurstNames.h"
#include "BurstPlan.h"
#include "ShardLock.h"
#include "StopSignal.h"
#include "OxQrExport/core/Settings.h"
#include "engine/Report.h"
#include "engine/SaveCommand.h"
#include "platform/Errors.h"
#include "platform/SafeFile.h"

namespace fs = std::filesystem;

namespace oxqr {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

void RefuseReplacingInputs(const std::vector<TBurst>& bursts, const std::vector<std::string>& inputs) {
  for (const auto& b : bursts) {
    for (const auto& input : inputs) {
      if (SameFile(b.File, input))
        throw EBurstError("the output \"" + b.File + "\" would replace the input file \"" + input + "\"");
    }
  }
}

// Collects what the formats report through the settings' error event while it lives.
class TErrorCapture {
 public:
  TErrorCapture() : previous_(QRExportSettings().OnErrorMessage) {
    QRExportSettings().OnErrorMessage = [this](TOxQRExportFilter*, const std::string& m) { messages_ += Line(m); };
  }
  ~TErrorCapture() { QRExportSettings().OnErrorMessage = previous_; }
  TErrorCapture(const TErrorCapture&) = delete;
  TErrorCapture& operator=(const TErrorCapture&) = delete;

  // The messages since the last call, joined on one line.
  std::string Take() { return std::exchange(messages_, std::string()); }

 private:
  std::string Line(std::string m) const {
    for (char& c : m) c = c == '\r' || c == '\n' ? ' ' : c;
    return messages_.empty() ? m : "; " + m;
  }
  decltype(QRExportSettings().OnErrorMessage) previous_;
  std::string messages_;
};

// Removes what writes of this shard's outputs left when a run of it was killed, reading each
// output folder once.
void RemoveTempFilesOfShard(const std::vector<TBurst>& bursts, const TShard& shard) {
  std::map<std::string, std::vector<std::string>> byFolder;
  for (const TBurst& b : bursts) {
    if (!shard.Holds(b.Position)) continue;
    const std::string target = ResolveOutputPath(b.File);
    byFolder[fs::path(target).parent_path().string()].push_back(fs::path(target).filename().string());
  }
  for (const auto& [folder, names] : byFolder) RemoveTempFilesOf(folder, names);
}

// Lays out and saves one burst; fills in the entry's figures or throws.
void ExportOne(TQRCustomReport& report, const TBurstJob& job, const TBurst& burst, TErrorCapture& errors,
               TManifestEntry& entry) {
  const fs::path folder = fs::path(burst.File).parent_path();
  if (!folder.empty()) fs::create_directories(folder);
  // Formats that read no preview are laid out once, by the export run alone, unless the
  // report prints values only its own preview run knows (each burst's page count).
  if (SaveNeedsPreview(report, job.FileType)) report.Prepare();
  SaveReport(report, burst.File, job.FileType);
  if (std::string messages = errors.Take(); !messages.empty()) throw EBurstError(messages);
  entry.Pages = job.FileType == 1 ? report.QRPrinter().PageCount() : report.ExportedPageCount();
  entry.Bytes = static_cast<std::int64_t>(fs::file_size(burst.File));
  entry.Sha256 = FileSha256(burst.File);
}

}  // namespace

std::string ManifestName(const std::string& pattern, const TShard& shard) {
  std::string name = pattern;
  for (auto at = name.find("{SHARD}"); at != std::string::npos; at = name.find("{SHARD}", at))
    name.replace(at, 7, std::to_string(shard.Index));
  return name;
}

TBurstSummary RunBursts(TQRCustomReport& report, const TBurstJob& job, std::ostream& out, std::ostream& err) {
  TMasterRestriction restriction(report, job.Field);  // checks the master and the field first
  const std::vector<TBurst> bursts = PlanBursts(*restriction.Master(), job.Field, job.NameTemplate);
  RefuseReplacingInputs(bursts, job.Inputs);
  // Another run of this shard would write, and clean up, the same files: one at a time.
  const TShardLock lock(job.NameTemplate, job.Shard);

  const std::string manifest = job.Manifest.empty() ? std::string() : ManifestName(job.Manifest, job.Shard);
  const auto done = job.SkipExisting && !manifest.empty() ? LastEntryByFile(manifest)
                                                          : std::map<std::string, TManifestEntry>();
  if (const fs::path folder = fs::path(manifest).parent_path(); !manifest.empty() && !folder.empty())
    fs::create_directories(folder);
  RemoveTempFilesOfShard(bursts, job.Shard);
  TErrorCapture errors;
  const TStopSignal stop;
  TBurstSummary summary;
  for (const TBurst& burst : bursts) {
    if (!job.Shard.Holds(burst.Position)) continue;
    if (TStopSignal::Received() != 0) {
      summary.Stopped = true;
      err << "oxqr-export: stopped by signal " << TStopSignal::Received() << " before \"" << BurstValueText(burst)
          << "\"; run again with --skip-existing to write the rest\n";
      break;
    }
    if (job.SkipExisting && fs::exists(burst.File)) {
      // With a manifest, only a file with the size and checksum of its "ok" line is done;
      // without one, any file is (only whole files ever stand under an output's name).
      const auto it = done.find(burst.File);
      if (manifest.empty() || (it != done.end() && MatchesManifest(burst.File, it->second))) {
        ++summary.Skipped;
        continue;
      }
    }
    TManifestEntry entry;
    entry.Value = BurstValueText(burst);
    entry.Null = burst.Value.Null;
    entry.File = burst.File;
    const auto start = std::chrono::steady_clock::now();
    try {
      restriction.Select(burst.Value);
      ExportOne(report, job, burst, errors, entry);
      entry.Status = "ok";
      ++summary.Written;
      if (job.ListFiles) out << burst.File << '\n';
    } catch (const std::exception& e) {
      errors.Take();
      entry.Status = "failed";
      entry.Error = e.what();
      ++summary.Failed;
      err << "oxqr-export: burst \"" << entry.Value << "\" (" << burst.File << ") failed: " << e.what() << '\n';
    }
    entry.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (manifest.empty()) continue;
    try {
      AppendRecordSafely(manifest, ManifestLine(entry));
    } catch (const EFileError& e) {
      // The output stands but no record says so: a retry with --skip-existing writes it again.
      if (entry.Status == "ok") {
        --summary.Written;
        ++summary.Failed;
      }
      err << "oxqr-export: " << e.what() << '\n';
    }
  }
  return summary;
}

}  // namespace oxqr
