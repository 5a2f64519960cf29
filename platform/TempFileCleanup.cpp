#include "TempFileCleanup.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace oxqr {
namespace {

constexpr std::string_view kSuffix = ".part";
constexpr std::size_t kRandomChars = 6;  // the XXXXXX of the pattern

// The process id in a temporary file's name for `stem`, or 0 when the name is not one.
pid_t OwnerOf(const std::string& name, const std::string& stem) {
  const std::string head = "." + stem + ".";
  if (name.size() <= head.size() + kRandomChars + 1 + kSuffix.size() || !name.starts_with(head) ||
      !name.ends_with(kSuffix))
    return 0;
  const std::string middle = name.substr(head.size(), name.size() - head.size() - kSuffix.size());
  const std::size_t dot = middle.size() - kRandomChars - 1;  // "<pid>.XXXXXX"
  if (middle[dot] != '.' || dot == 0 || dot > 9) return 0;
  pid_t pid = 0;
  for (std::size_t i = 0; i < dot; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(middle[i]))) return 0;
    pid = pid * 10 + (middle[i] - '0');
  }
  return pid;
}

bool ProcessGone(pid_t pid) { return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH; }

// Temporary files (any stem) of a folder whose owner was gone when the folder was read.
struct TFolderReading {
  std::vector<std::string> Names;
};

std::mutex gFoldersMutex;
std::map<std::string, TFolderReading> gFolders;

TFolderReading ReadFolder(const std::string& dir) {
  TFolderReading reading;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return reading;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name.size() < kSuffix.size() + kRandomChars + 4 || name[0] != '.' || !name.ends_with(kSuffix)) continue;
    // The stem is not known here: the owner is the number in front of the random part.
    const std::size_t end = name.size() - kSuffix.size() - kRandomChars - 1;
    const std::size_t start = name.rfind('.', end - 1);
    if (start == std::string::npos || start == 0) continue;
    if (ProcessGone(OwnerOf(name, name.substr(1, start - 1)))) reading.Names.push_back(name);
  }
  ::closedir(d);
  return reading;
}

// ---- Deleting the guarded files on SIGINT and SIGTERM

constexpr std::size_t kSlots = 256;
std::array<std::atomic<const char*>, kSlots> gGuarded{};

extern "C" void DeleteGuardedAndEnd(int sig) {
  for (auto& slot : gGuarded)
    if (const char* path = slot.load()) ::unlink(path);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void InstallHandler(int sig) {
  struct sigaction old {};
  if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL || (old.sa_flags & SA_SIGINFO)) return;
  struct sigaction ours {};
  ours.sa_handler = DeleteGuardedAndEnd;
  sigemptyset(&ours.sa_mask);
  ::sigaction(sig, &ours, nullptr);
}

}  // namespace

std::string TempFilePattern(const std::string& folder, const std::string& stem) {
  return folder + "." + stem + "." + std::to_string(::getpid()) + ".XXXXXX" + std::string(kSuffix);
}

void RemoveStaleTempFiles(const std::string& folder, const std::string& stem) {
  const std::string dir = folder.empty() ? "./" : folder;
  std::vector<std::string> mine;
  {
    const std::lock_guard lock(gFoldersMutex);
    auto it = gFolders.find(dir);
    if (it == gFolders.end()) it = gFolders.emplace(dir, ReadFolder(dir)).first;
    auto& names = it->second.Names;
    for (auto n = names.begin(); n != names.end();) {
      if (OwnerOf(*n, stem) > 0) {
        mine.push_back(std::move(*n));
        n = names.erase(n);
      } else {
        ++n;
      }
    }
  }
  for (const auto& name : mine)
    if (ProcessGone(OwnerOf(name, stem))) RemoveIfOwnerGone(dir + name);
}

bool RemoveIfOwnerGone(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  struct stat named {};
  // The lock is held while the name is removed, and the name must still be this file: a
  // writer that locks it meanwhile sees it unlinked and makes another (LockTempFile).
  const bool gone = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
                    ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(path.c_str(), &named) == 0 &&
                    named.st_dev == st.st_dev && named.st_ino == st.st_ino && ::unlink(path.c_str()) == 0;
  ::close(fd);
  return gone;
}

bool LockTempFile(int fd) {
  // Waits for a clean-up that holds the lock of the file just created; it lets go at once.
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) return true;  // a file system without locks: nothing can be told apart
  }
  struct stat st {};
  return ::fstat(fd, &st) != 0 || st.st_nlink > 0;
}

TTempFileGuard::TTempFileGuard(std::string path) : path_(std::move(path)) {
  // Checked for every file, not once per process: a signal may get its default action back.
  InstallHandler(SIGINT);
  InstallHandler(SIGTERM);
  for (std::size_t i = 0; i < kSlots; ++i) {
    const char* expected = nullptr;
    if (gGuarded[i].compare_exchange_strong(expected, path_.c_str())) {
      slot_ = static_cast<int>(i);
      return;
    }
  }
}

TTempFileGuard::~TTempFileGuard() {
  if (slot_ >= 0) gGuarded[static_cast<std::size_t>(slot_)].store(nullptr);
}

}  // namespace oxqr
