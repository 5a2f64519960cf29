#include "ShardLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "BurstNames.h"
#include "platform/Errors.h"

namespace fs = std::filesystem;

namespace oxqr {

namespace {

// FNV-1a: the same value for the same template in every build and on every machine.
std::uint64_t TemplateHash(const std::string& text) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  for (const unsigned char c : text) h = (h ^ c) * 0x100000001b3ULL;
  return h;
}

// Whether the open file `fd` is still the one named `path` (a run that ended removed it).
bool StillNamed(int fd, const std::string& path) {
  struct stat open {};
  struct stat named {};
  return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
         open.st_ino == named.st_ino;
}

std::string Holder(int fd) {
  char buf[32] = {};
  const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
  std::string pid = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
  while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' ')) pid.pop_back();
  return pid.empty() ? "another process" : "process " + pid;
}

}  // namespace

std::string ShardLockPath(const std::string& nameTemplate, const TShard& shard) {
  const fs::path fixed(nameTemplate.substr(0, nameTemplate.find('{')));
  fs::path folder = fixed.has_filename() ? fixed.parent_path() : fixed;
  if (folder.empty()) folder = ".";
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(TemplateHash(nameTemplate)));
  return (folder / (".oxqr-burst." + std::to_string(shard.Index) + "-of-" + std::to_string(shard.Count) + "." + hash +
                    ".lock"))
      .string();
}

TShardLock::TShardLock(const std::string& nameTemplate, const TShard& shard)
    : path_(ShardLockPath(nameTemplate, shard)) {
  fs::create_directories(fs::path(path_).parent_path());
  // A run that ends removes the file it locked; one that opened it before then locks a file
  // without a name and tries again.
  for (int attempt = 0; attempt < 100; ++attempt) {
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd_ < 0) throw EFileError(path_, "create", errno);
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      const int err = errno;
      const std::string holder = Holder(fd_);
      ::close(fd_);
      fd_ = -1;
      if (err != EWOULDBLOCK) throw EFileError(path_, "lock", err);
      throw EBurstError("shard " + std::to_string(shard.Index) + "/" + std::to_string(shard.Count) + " of \"" +
                        nameTemplate + "\" is being written by " + holder + " (lock file " + path_ +
                        "); this run writes nothing: wait for that run to end, then run again with --skip-existing");
    }
    if (StillNamed(fd_, path_)) {
      // The holder's id, for the message of a run that finds the lock taken (best effort).
      const std::string pid = std::to_string(::getpid()) + "\n";
      [[maybe_unused]] const bool named = ::ftruncate(fd_, 0) == 0 && ::pwrite(fd_, pid.data(), pid.size(), 0) > 0;
      return;
    }
    ::close(fd_);
    fd_ = -1;
  }
  throw EFileError(path_, "lock", EAGAIN);
}

TShardLock::~TShardLock() {
  if (fd_ < 0) return;
  if (StillNamed(fd_, path_)) ::unlink(path_.c_str());
  ::close(fd_);
}

}  // namespace oxqr
