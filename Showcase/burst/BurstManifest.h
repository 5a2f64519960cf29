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
};

// One line of the manifest: a compact JSON object and a newline.
std::string ManifestLine(const TManifestEntry& entry);

// The status of the last line naming each file in the manifest `path`; none for a missing
// manifest. Lines that are not JSON objects (a line cut short by a full disk) are passed over.
std::map<std::string, std::string> LastStatusByFile(const std::string& path);

// SHA-256 of the file's bytes, hexadecimal; throws EFileError when it cannot be read.
std::string FileSha256(const std::string& path);

}  // namespace oxqr
