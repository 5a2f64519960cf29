#pragma once
// File-system helpers. Plain calls throw EFileError with the system's reason;
// Try* calls answer false instead.
#include <string>

namespace oxqr {

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Deletes a file; throws EFileError when it exists and cannot be deleted.
void DeleteFileOrThrow(const std::string& path);
bool TryDeleteFile(const std::string& path);
// Creates the folder and its missing parents; true when the folder exists afterwards.
bool ForceFolder(const std::string& path);
// The folder part of `path` with its trailing '/', or "" when there is none.
std::string ExtractFilePath(const std::string& path);
std::string ExtractFileName(const std::string& path);
// ".ext" including the dot, or "" when the name has none.
std::string ExtractFileExt(const std::string& path);
std::string ChangeFileExt(const std::string& path, const std::string& ext);
std::string ExpandFileName(const std::string& path);
// Appends a path delimiter unless `path` already ends with one.
std::string IncludeTrailingPathDelimiter(const std::string& path);
// $TMPDIR or /tmp, with a trailing '/'.
std::string TempDirectory();
// Creates a new empty temporary file with the given prefix and returns its name.
std::string CreateTempFile(const std::string& prefix);
std::string ReadFileBytes(const std::string& path);            // throws EFileError
// Writes the whole file through the safe writer (SafeFile.h); throws EFileError.
void WriteFileBytes(const std::string& path, const std::string& bytes);

// A temporary file deleted by the destructor.
class TTempFile {
 public:
  explicit TTempFile(const std::string& prefix = "oxqr");
  ~TTempFile();
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

}  // namespace oxqr
