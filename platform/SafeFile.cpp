#include "SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
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

// Room for the stdio buffer of the temporary file: a page or picture file of a usual size goes
// to the file in one write, and the C library does not stat the file to size a buffer itself.
constexpr std::size_t kWriteBuffer = std::size_t{64} << 10;

// Fills the "XXXXXX" of a temporary file pattern with letters and digits, different on every
// call: a counter run through a mixing function, seeded per thread from the clock and the
// address of the thread's state, so that threads and processes do not follow one sequence.
void FillRandomPart(std::string& name, std::size_t at) {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::uint64_t state =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&state)) << 16);
  std::uint64_t v = (state += 0x9e3779b97f4a7c15ULL);
  v = (v ^ (v >> 30)) * 0xbf58476d1ce4e5b9ULL;
  v = (v ^ (v >> 27)) * 0x94d049bb133111ebULL;
  v ^= v >> 31;
  for (std::size_t i = 0; i < 6; ++i, v /= 62) name[at + i] = kLetters[v % 62];
}

// Creates the temporary file for `pattern` (".<stem>.<pid>.XXXXXX.part") with a fresh random
// part, open for reading and writing. A new file gets `mode` as open() applies it (less the
// umask, as any newly created file). Returns the descriptor, or -1 with errno set.
int CreateTempFile(std::string& pattern, mode_t mode) {
  constexpr std::size_t kTail = 6 + 5;  // "XXXXXX.part"
  const std::size_t at = pattern.size() - kTail;
  for (int attempt = 0; attempt < 100; ++attempt) {
    FillRandomPart(pattern, at);
    const int fd = ::open(pattern.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
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

// Throws for an object `st` describes that is not a regular file.
static void RefuseNonRegular(const std::string& path, const struct stat& st) {
  if (S_ISREG(st.st_mode)) return;
  throw EFileError(path, "replace", S_ISDIR(st.st_mode) ? EISDIR : EEXIST, NotRegularReason(st.st_mode));
}

void CheckRegularTarget(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return;  // missing (or a dangling link): nothing to protect
  RefuseNonRegular(path, st);
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
  // One look at the name settles the usual cases (missing, or a regular file); only a symbolic
  // link is followed to the file it names. A name that cannot be looked at counts as missing:
  // creating the temporary file then reports the system's reason.
  struct stat st {};
  bool found = ::lstat(fileName.c_str(), &st) == 0;
  if (found && S_ISLNK(st.st_mode)) {
    target_ = ResolveOutputPath(fileName);
    found = ::stat(target_.c_str(), &st) == 0;
  } else {
    target_ = fileName;
  }
  if (found) RefuseNonRegular(target_, st);
  targetExisted_ = found;

  std::string stem = ExtractFileName(target_);
  if (stem.size() > kMaxTempStem) stem.resize(kMaxTempStem);
  const std::string folder = ExtractFilePath(target_);
  RemoveStaleTempFiles(folder, stem);
  // A new file is created with the mode any newly created file gets; a replacement starts
  // private and takes the mode of the file it replaces. A clean-up of another run may delete
  // a file between its creation and its lock: then another is made.
  int fd = -1;
  for (int attempt = 0; attempt < 10 && fd < 0; ++attempt) {
    temp_ = TempFilePattern(folder, stem);
    fd = CreateTempFile(temp_, found ? 0600 : 0666);
    if (fd < 0) break;
    if (!LockTempFile(fd)) {
      ::close(fd);
      fd = -1;
      errno = ENOENT;
    }
  }
  if (fd < 0) {
    const int err = errno;
    temp_.clear();
    throw EFileError(fileName, "create", err);
  }
  // The lock lives on this second descriptor until the file is committed or dropped, also
  // while a library writes the file by name (HandOverTempName).
  lockFd_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  guard_ = std::make_unique<TTempFileGuard>(temp_);
  if (found) ::fchmod(fd, st.st_mode & 07777);

  std::FILE* stream = ::fdopen(fd, "w+b");
  if (!stream) {
    const int err = errno;
    ::close(fd);
    ::unlink(temp_.c_str());
    ReleaseLock();
    guard_.reset();
    throw EFileError(fileName, "create", err);
  }
  buffer_ = std::make_unique_for_overwrite<char[]>(kWriteBuffer);
  std::setvbuf(stream, buffer_.get(), _IOFBF, kWriteBuffer);
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
  // Where nothing had the name, the rename must not replace anything: one call does it, and
  // whatever appeared under the name meanwhile is checked below as for an existing file.
  if (!targetExisted_ && ::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) == 0) {
    committed_ = true;
    ReleaseLock();
    guard_.reset();
    return;
  }
  if (!targetExisted_ && errno != EEXIST && errno != EINVAL && errno != ENOSYS) {
    const int err = errno;  // EINVAL, ENOSYS: a file system that cannot refuse to replace
    ::unlink(temp_.c_str());
    throw EFileError(name_, "create", err);
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
  ReleaseLock();
  guard_.reset();
}

void TSafeFileStream::Discard() {
  if (committed_) return;
  file_.reset();
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
  ReleaseLock();
  guard_.reset();
}

void TSafeFileStream::ReleaseLock() {
  if (lockFd_ >= 0) ::close(lockFd_);
  lockFd_ = -1;
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
    if (IsTempNameOf(name, heads) && RemoveIfOwnerGone(entry.path().string())) ++removed;
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
