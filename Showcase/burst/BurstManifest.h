#pragma once
// The manifest of a burst run: one JSON object per line and output (value, file, pages,
// bytes, SHA-256, seconds, status), appended as each output is done, so that a scheduler's
// retry can tell what is left to do and the lines of all shards add up to the whole batch.
#include <cstdint>
#include <map>
#include <string>

namespace oxqr {

struct TManifestEntry {
  std::string Value;  // the burst value (UTF-8)
  std::string File;   // the output's name as the name template gave it
  int Pages = 0;
  std::int64_t Bytes = 0;
  std::string Sha256;  // hexadecimal, lower case
  double Seconds = 0;
  std::string Status;  // "ok" or "failed"
  std::string Error;   // why it failed; empty when it did not
  bool Null = false;   // the value is NULL: written as JSON null, Value is ignored
};

// One line of the manifest: a compact JSON object and a newline.
std::string ManifestLine(const TManifestEntry& entry);

// The last line naming each file in the manifest `path` (file, status, bytes and SHA-256;
// bytes -1 when the line has none); none for a missing manifest. Lines that are not JSON
// objects (a line cut short by a full disk) are passed over.
std::map<std::string, TManifestEntry> LastEntryByFile(const std::string& path);

// The status of the last line naming each file, as LastEntryByFile reads them.
std::map<std::string, std::string> LastStatusByFile(const std::string& path);

// Whether `file` is the output `entry` records as written: its line says "ok" and the file
// has the size and the SHA-256 it records (a file cut short or changed since is not).
bool MatchesManifest(const std::string& file, const TManifestEntry& entry);

// SHA-256 of the file's bytes, hexadecimal; throws EFileError when it cannot be read.
std::string FileSha256(const std::string& path);

}  // namespace oxqr
