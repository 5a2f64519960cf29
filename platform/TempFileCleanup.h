#pragma once
// Hidden temporary files of the safe writer that must not outlive their run. A temporary
// file carries its owner's process id in its name (".<name>.<pid>.XXXXXX.part") and is
// locked while open, so that a later run can tell a file left by a killed run from one that
// another run is still writing; SIGINT and SIGTERM delete the files of the running process.
#include <string>

namespace oxqr {

// The mkstemps pattern of a temporary file for the final name `stem` in `folder` (a folder
// path ending in '/' or empty for the current folder): ".<stem>.<pid>.XXXXXX.part".
std::string TempFilePattern(const std::string& folder, const std::string& stem);

// Deletes temporary files for `stem` in `folder` that a killed run left behind: the process
// in the name no longer exists, nobody holds the file's lock, and the file is a regular file
// of this user. Another run's live file is never touched. The folder is read once per
// process (later calls for the same folder use that reading), so that a job writing many
// files into one folder does not read it again for each file.
void RemoveStaleTempFiles(const std::string& folder, const std::string& stem);

// Marks the open temporary file `fd` as in use until its last descriptor is closed (an
// advisory lock that ends with the process however it ends). Returns false when a clean-up
// deleted the file between its creation and the lock: the caller then creates another.
bool LockTempFile(int fd);

// Deletes the temporary file at `path` when its owner is gone: it is a regular file of this
// user that no process (on any machine sharing the file system's locks) holds the lock of.
// Returns whether it was deleted.
bool RemoveIfOwnerGone(const std::string& path);

// While it lives, the file at `path` is deleted if the process is ended by SIGINT or
// SIGTERM. A guard installs the handlers for the signals that still have their
// default action (an application's own handling is kept); they delete the guarded files
// and then end the process with the signal's default action.
class TTempFileGuard {
 public:
  explicit TTempFileGuard(std::string path);
  ~TTempFileGuard();
  TTempFileGuard(const TTempFileGuard&) = delete;
  TTempFileGuard& operator=(const TTempFileGuard&) = delete;

 private:
  std::string path_;  // its c_str() is what the signal handler reads
  int slot_ = -1;     // -1: every slot was taken, the file is not guarded
};

}  // namespace oxqr
