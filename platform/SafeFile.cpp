#include "SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "Errors.h"
#include "Files.h"
#include "TempFileCleanup.h"


namespace oxqr {
namespace {

// Longest final-name part kept in a temporary name, so that a name close to the file system's
// limit still leaves room for the ".<pid>.XXXXXX.part" around it.
constexpr std::size_t kMaxTempStem = 200;

mode_t CurrentUmask() {
  // umask() can only be read by setting it; the library does this on the writing thread only.
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// Whether `name` is a temporary file's name for one of the final names whose ".<name>." heads
// are in `heads`: ".<name>.<pid>.XXXXXX.part", or ".<name>.XXXXXX.part" as earlier versions
// wrote it.
bool IsTempNameOf(const std::string& name, const std::unordered_set<std::string>& heads) {
  constexpr std::size_t kTail = 1 + 6 + 5;  // ".XXXXXX.part"
  if (name.size() <= kTail || !name.ends_with(".part")) return false;
  const std::string head = name.substr(0, name.size() - kTail + 1);  // up to the dot before XXXXXX
  if (heads.contains(head)) return true;
  std::size_t digits = head.size() - 1;
  while (digits > 0 && head[digits - 1] >= '0' && head[digits - 1] <= '9') --digits;
  return digits < head.size() - 1 && heads.contains(head.substr(0, digits));
}

}  // namespace

// What stands at a path that is not a regular file, for the error message.
static std::string NotRegularReason(mode_t mode) {
  if (S_ISDIR(mode)) return "is a folder, not a regular file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a regular file";
  if (S_ISFIFO(mode)) return "is a FIFO, not a regular file";
  if (S_ISSOCK(mode)) return "is a socket, not a regular file";
  return "is not a regular file";
}

void CheckRegularTarget(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return;  // missing (or a dangling link): nothing to protect
  if (S_ISREG(st.st_mode)) return;
  throw EFileError(path, "replace", S_ISDIR(st.st_mode) ? EISDIR : EEXIST, NotRegularReason(st.st_mode));
}

void DeletePreviousFile(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return;
    throw EFileError(path, "delete", errno);
  }
  if (S_ISLNK(st.st_mode)) {
    // The link stays; the next write replaces the file it points to, which must be one.
    CheckRegularTarget(ResolveOutputPath(path));
    return;
  }
  if (!S_ISREG(st.st_mode)) throw EFileError(path, "delete", EEXIST, NotRegularReason(st.st_mode));
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw EFileError(path, "delete", errno);
}

std::string ResolveOutputPath(const std::string& path) {
  std::string current = path;
  // Follow a chain of links by hand so that a dangling link still names its target.
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::vector<char> buf(PATH_MAX + 1);
    const ssize_t n = ::readlink(current.c_str(), buf.data(), PATH_MAX);
    if (n < 0) return current;
    std::string target(buf.data(), static_cast<std::size_t>(n));
    if (target.empty()) return current;
    current = target.front() == '/' ? target : ExtractFilePath(current) + target;
  }
  throw EFileError(path, "create", ELOOP);
}

TSafeFileStream::TSafeFileStream(const std::string& fileName) : name_(fileName) {
  if (fileName.empty()) throw EFileError(fileName, "create", ENOENT);
  target_ = ResolveOutputPath(fileName);
  CheckRegularTarget(target_);

  std::string stem = ExtractFileName(target_);
  if (stem.size() > kMaxTempStem) stem.resize(kMaxTempStem);
  const std::string folder = ExtractFilePath(target_);
  RemoveStaleTempFiles(folder, stem);
  std::string pattern = TempFilePattern(folder, stem);
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const int fd = ::mkstemps(buf.data(), 5);
  if (fd < 0) throw EFileError(fileName, "create", errno);
  temp_.assign(buf.data());
  LockTempFile(fd);
  guard_ = std::make_unique<TTempFileGuard>(temp_);

  // mkstemp creates the file private (0600); give it the mode a newly created file would have,
  // or keep the mode of the file it replaces.
  struct stat old {};
  const mode_t mode = ::stat(target_.c_str(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());
  ::fchmod(fd, mode);

  std::FILE* stream = ::fdopen(fd, "w+b");
  if (!stream) {
    const int err = errno;
    ::close(fd);
    ::unlink(temp_.c_str());
    guard_.reset();
    throw EFileError(fileName, "create", err);
  }
  file_ = std::make_unique<TFileStream>(stream, fileName);
}

TSafeFileStream::~TSafeFileStream() { Discard(); }

void TSafeFileStream::Write(const void* data, std::size_t count) {
  if (!file_) throw EFileError(name_, "write", EBADF);
  file_->Write(data, count);
}

std::size_t TSafeFileStream::Read(void* data, std::size_t count) {
  if (!file_) throw EFileError(name_, "read", EBADF);
  return file_->Read(data, count);
}

std::int64_t TSafeFileStream::Position() const { return file_ ? file_->Position() : 0; }

void TSafeFileStream::SetPosition(std::int64_t pos) {
  if (!file_) throw EFileError(name_, "seek in", EBADF);
  file_->SetPosition(pos);
}

std::int64_t TSafeFileStream::Size() const { return file_ ? file_->Size() : 0; }

const std::string& TSafeFileStream::HandOverTempName() {
  if (!file_) throw EFileError(name_, "write", EBADF);
  file_->Close();
  file_.reset();
  handedOver_ = true;
  return temp_;
}

void TSafeFileStream::Commit() {
  if (committed_) return;
  if (!file_ && !handedOver_) throw EFileError(name_, "write", EBADF);
  if (file_) {
    try {
      file_->Close();  // flushes; a full disk shows here
    } catch (...) {
      file_.reset();
      ::unlink(temp_.c_str());
      throw;
    }
    file_.reset();
  }
  // The target may have become a folder or device while we wrote; never replace one.
  try {
    CheckRegularTarget(target_);
  } catch (...) {
    ::unlink(temp_.c_str());
    throw;
  }
  if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp_.c_str());
    throw EFileError(name_, "create", err);
  }
  committed_ = true;
  guard_.reset();
}

void TSafeFileStream::Discard() {
  if (committed_) return;
  file_.reset();
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
  guard_.reset();
}

int RemoveTempFilesOf(const std::string& fileName) {
  const std::string target = ResolveOutputPath(fileName);
  return RemoveTempFilesOf(ExtractFilePath(target), {ExtractFileName(target)});
}

int RemoveTempFilesOf(const std::string& folder, const std::vector<std::string>& names) {
  namespace fs = std::filesystem;
  std::unordered_set<std::string> heads;
  for (const auto& name : names) heads.insert("." + name.substr(0, kMaxTempStem) + ".");
  std::error_code ec;
  int removed = 0;
  for (const auto& entry : fs::directory_iterator(folder.empty() ? "." : folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (!IsTempNameOf(name, heads)) continue;
    if (entry.is_regular_file(ec) && fs::remove(entry.path(), ec)) ++removed;
  }
  return removed;
}

void AppendRecordSafely(const std::string& fileName, std::string_view record) {
  const int fd = ::open(fileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) throw EFileError(fileName, "open", errno);
  struct stat before {};
  ::fstat(fd, &before);
  const ssize_t n = ::write(fd, record.data(), record.size());
  const int err = n < 0 ? errno : ENOSPC;
  if (n != static_cast<ssize_t>(record.size())) {
    // Cut a partial record off again unless another process has appended since.
    struct stat after {};
    if (n > 0 && ::fstat(fd, &after) == 0 && after.st_size == before.st_size + n) {
      [[maybe_unused]] const int cut = ::ftruncate(fd, before.st_size);  // best effort: the write failed anyway
    }
    ::close(fd);
    throw EFileError(fileName, "write", err);
  }
  if (::close(fd) != 0) throw EFileError(fileName, "write", errno);
}

void WriteFileSafely(const std::string& fileName, std::string_view bytes) {
  TSafeFileStream file(fileName);
  file.Write(bytes.data(), bytes.size());
  file.Commit();
}

}  // namespace oxqr
