#pragma once
// Output files written whole or not at all. The bytes go to a hidden temporary file beside the
// final one (".<name>.<pid>.XXXXXX.part"); Commit() flushes and closes it and renames it over the
// final name. A previous file under that name stays intact until the new one is complete, a
// failed or cancelled write leaves no trace, and a reader never sees half a file under the real
// name. Every output file of the library is written through this class. A file left by a
// killed run is deleted by the next write to the same name (see TempFileCleanup.h).
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Streams.h"
#include "TempFileCleanup.h"

namespace oxqr {

// Throws EFileError when `path` names an existing object that is not a regular file (a folder,
// a device, a FIFO, a socket): such an object is never replaced or deleted. A missing path, a
// regular file or a symbolic link to either passes.
void CheckRegularTarget(const std::string& path);

// Deletes the previous file at `path` before a new one is written under that name: a regular
// file is deleted, a missing one is fine, a symbolic link is kept (the write replaces the file
// it points to, which must be a regular file or missing). Anything else (a folder, a device, a
// FIFO, a socket) is never deleted: throws EFileError, as when deleting fails.
void DeletePreviousFile(const std::string& path);

// The file that a write to `path` replaces: symbolic links are followed to the name they point
// at (the link itself is kept); any other path is returned as it is.
std::string ResolveOutputPath(const std::string& path);

class TSafeFileStream final : public TStream {
 public:
  // Creates the temporary file in the folder of the (resolved) final name. Throws EFileError
  // naming `fileName` with the system's reason (missing folder, read-only file system, ...),
  // or when `fileName` is not a regular file (see CheckRegularTarget).
  explicit TSafeFileStream(const std::string& fileName);
  // Not committed: closes and removes the temporary file; the final name is untouched.
  ~TSafeFileStream() override;
  TSafeFileStream(const TSafeFileStream&) = delete;
  TSafeFileStream& operator=(const TSafeFileStream&) = delete;

  void Write(const void* data, std::size_t count) override;
  using TStream::Write;
  std::size_t Read(void* data, std::size_t count) override;
  std::int64_t Position() const override;
  void SetPosition(std::int64_t pos) override;
  std::int64_t Size() const override;

  // Flushes, closes and renames the temporary file over the final name. Throws EFileError
  // (and removes the temporary file) when any step fails. Idempotent once it has succeeded.
  void Commit();
  // Drops what was written: closes and removes the temporary file. Safe to call twice.
  void Discard();
  // For a library that writes a file by name: closes this stream's handle and returns the
  // temporary file's name for the library to write. Commit() and Discard() then act on what
  // the library left there, as on the stream's own bytes.
  const std::string& HandOverTempName();

  bool Committed() const { return committed_; }
  const std::string& FileName() const { return name_; }
  const std::string& TempName() const { return temp_; }

 private:
  void ReleaseLock();

  std::string name_;    // as the caller gave it (used in messages)
  std::string target_;  // the name the temporary file is renamed to (links followed)
  std::string temp_;
  std::unique_ptr<char[]> buffer_;       // the stdio buffer of file_ (outlives it)
  std::unique_ptr<TFileStream> file_;  // the open temporary file
  std::unique_ptr<TTempFileGuard> guard_;  // deletes the temporary file on SIGINT or SIGTERM
  int lockFd_ = -1;  // holds the temporary file's lock until Commit or Discard
  bool targetExisted_ = false;  // a file had the final name when the write began
  bool committed_ = false;
  bool handedOver_ = false;  // the temporary file is written by name (HandOverTempName)
};

// Removes the temporary files that writes to `fileName` left behind beside it, whichever
// process (on whichever machine) wrote them, once their owner is gone: the lock a writer holds
// until it commits or drops its file is free (see RemoveIfOwnerGone). Returns how many. A new
// write also needs the process of the name to be gone; this is for a job that owns its output
// names, such as a shard run again after it was killed on another machine. A file another run
// is still writing, on this machine or another, is never touched.
int RemoveTempFilesOf(const std::string& fileName);
// The same for many files of one folder (names without the folder), reading the folder once.
int RemoveTempFilesOf(const std::string& folder, const std::vector<std::string>& names);

// Appends `record` (one line, its newline included) to the log file `fileName`, creating it
// when missing. The record goes to the file in one write on a descriptor opened for appending,
// so records of several processes sharing the log do not interleave; a write that stops short
// (a full disk) is cut off again, so the log never holds half a record. Throws EFileError.
void AppendRecordSafely(const std::string& fileName, std::string_view record);

// Writes `bytes` as the whole content of `fileName` through TSafeFileStream.
void WriteFileSafely(const std::string& fileName, std::string_view bytes);

// Calls `encode(stream)` on a TSafeFileStream for `fileName` and commits it; an exception from
// `encode` leaves the previous file untouched.
template <class Encode>
void WriteFileSafelyWith(const std::string& fileName, Encode&& encode) {
  TSafeFileStream file(fileName);
  encode(static_cast<TStream&>(file));
  file.Commit();
}

}  // namespace oxqr
