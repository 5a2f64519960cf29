#include "Files.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "Errors.h"
#include "SafeFile.h"
#include "Streams.h"

namespace fs = std::filesystem;

namespace oxqr {

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

bool DirectoryExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

void DeleteFileOrThrow(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw EFileError(path, "delete", errno);
}

bool TryDeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool ForceFolder(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  fs::create_directories(path, ec);
  return DirectoryExists(path);
}

std::string ExtractFilePath(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFileExt(const std::string& path) {
  const auto slash = path.rfind('/');
  const auto dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return path.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  const std::string current = ExtractFileExt(path);
  return path.substr(0, path.size() - current.size()) + ext;
}

std::string ExpandFileName(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  fs::path abs = fs::absolute(path, ec);
  if (ec) return path;
  return abs.lexically_normal().string();
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  if (!path.empty() && path.back() == '/') return path;
  return path + '/';
}

std::string TempDirectory() {
  const char* env = std::getenv("TMPDIR");
  const std::string dir = (env && *env) ? env : "/tmp";
  return IncludeTrailingPathDelimiter(dir);
}

std::string CreateTempFile(const std::string& prefix) {
  const std::string pattern = TempDirectory() + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) throw EFileError(pattern, "create", errno);
  ::close(fd);
  return std::string(name.data());
}

std::string ReadFileBytes(const std::string& path) {
  TFileStream f(path, TFileMode::fmOpenRead);
  return f.ReadAll();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) { WriteFileSafely(path, bytes); }

TTempFile::TTempFile(const std::string& prefix) : name_(CreateTempFile(prefix)) {}

TTempFile::~TTempFile() { TryDeleteFile(name_); }

}  // namespace oxqr
