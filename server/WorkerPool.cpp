#include "server/WorkerPool.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

extern char** environ;

namespace fs = std::filesystem;

namespace oxqr::serve {

using TClock = std::chrono::steady_clock;

namespace {

// How long a render whose client has gone may still take before its worker is ended.
constexpr auto kCancelGrace = std::chrono::milliseconds(500);

}  // namespace

TWorkerPool::TWorkerPool(TPoolConfig config) : config_(std::move(config)), slots_(static_cast<std::size_t>(config_.Workers)) {
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    slots_[i].Scratch = (fs::path(config_.ScratchDir) / ("worker-" + std::to_string(i))).string();
    fs::create_directories(slots_[i].Scratch);
    Start(slots_[i]);
  }
  watcher_ = std::thread([this] { Watch(); });
}

TWorkerPool::~TWorkerPool() {
  quit_ = true;
  if (watcher_.joinable()) watcher_.join();
  const std::lock_guard lock(mutex_);
  for (TSlot& s : slots_) End(s);
}

void TWorkerPool::Start(TSlot& slot) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
    throw std::system_error(errno, std::generic_category(), "socketpair");
  std::vector<std::string> args = config_.WorkerCommand;
  args.insert(args.end(), {"--worker-fd", "3", "--scratch", slot.Scratch});
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
  posix_spawn_file_actions_addclosefrom_np(&actions, 4);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    throw std::system_error(rc, std::generic_category(), "cannot start a worker");
  }
  slot.Pid = pid;
  slot.Fd = fds[0];
  slot.Ready = false;
}

void TWorkerPool::End(TSlot& slot) {
  if (slot.Pid > 0) {
    ::kill(slot.Pid, SIGKILL);
    ::waitpid(slot.Pid, nullptr, 0);
  }
  if (slot.Fd >= 0) ::close(slot.Fd);
  slot.Pid = -1;
  slot.Fd = -1;
  slot.Ready = false;
  // What a killed render left behind.
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(slot.Scratch, ec)) fs::remove_all(entry.path(), ec);
}

void TWorkerPool::Restart(TSlot& slot) {
  End(slot);
  if (ended_) return;
  ++restarts_;
  try {
    Start(slot);
  } catch (const std::exception&) {
    // Tried again by the watcher.
  }
}

void TWorkerPool::Watch() {
  while (!quit_) {
    {
      std::unique_lock lock(mutex_);
      for (TSlot& s : slots_) {
        if (s.Busy || ended_) continue;
        if (s.Pid < 0) {
          Restart(s);
          continue;
        }
        if (::waitpid(s.Pid, nullptr, WNOHANG) == s.Pid) {
          s.Pid = -1;  // reaped
          Restart(s);
          continue;
        }
        if (s.Ready) continue;
        pollfd p{s.Fd, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0) continue;
        TMessage hello;
        if (ReadMessage(s.Fd, hello, TClock::now() + std::chrono::seconds(1)) == TReadEnd::Message &&
            hello.Head.value("ready", false)) {
          s.Ready = true;
          idle_.notify_all();
        } else {
          Restart(s);
        }
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

TRenderResult TWorkerPool::Render(TMessage request, const std::function<bool()>& clientGone) {
  std::unique_lock lock(mutex_);
  if (stopping_) return {TRenderEnd::Stopping, {}};
  auto idleSlot = [this]() -> TSlot* {
    for (TSlot& s : slots_)
      if (!s.Busy && s.Ready) return &s;
    return nullptr;
  };
  TSlot* slot = idleSlot();
  if (slot == nullptr) {
    if (queued_ >= config_.QueueLimit) return {TRenderEnd::QueueFull, {}};
    ++queued_;
    const auto waitEnd = TClock::now() + config_.QueueWait;
    while ((slot = idleSlot()) == nullptr) {
      if (clientGone && clientGone()) {
        --queued_;
        idle_.notify_all();
        return {TRenderEnd::Cancelled, {}};
      }
      if (TClock::now() >= waitEnd) {
        --queued_;
        idle_.notify_all();
        return {TRenderEnd::QueueFull, {}};
      }
      idle_.wait_for(lock, std::chrono::milliseconds(100));
    }
    --queued_;
  }
  slot->Busy = true;
  ++rendering_;
  const int fd = slot->Fd;
  request.Head["dir"] = slot->Scratch;
  lock.unlock();

  TRenderResult result;
  TReadEnd end = TReadEnd::Closed;
  const auto deadline = TClock::now() + config_.Timeout;
  if (WriteMessage(fd, request)) end = ReadMessage(fd, result.Reply, deadline, clientGone, config_.MaxOutput);
  if (end == TReadEnd::Cancelled) {
    // A render about to end costs less to finish than a worker to start again: it gets a
    // moment more, and its answer is thrown away.
    TMessage unused;
    const TReadEnd late = ReadMessage(fd, unused, std::min(deadline, TClock::now() + kCancelGrace), {}, config_.MaxOutput);
    if (late != TReadEnd::Message) end = TReadEnd::Closed;
    result.End = TRenderEnd::Cancelled;
  }

  lock.lock();
  if (result.End != TRenderEnd::Cancelled) {
    switch (end) {
      case TReadEnd::Message: result.End = TRenderEnd::Done; break;
      case TReadEnd::Closed: result.End = TRenderEnd::WorkerDied; break;
      case TReadEnd::TimedOut: result.End = TRenderEnd::TimedOut; break;
      case TReadEnd::Cancelled: result.End = TRenderEnd::Cancelled; break;
      case TReadEnd::TooLarge: result.End = TRenderEnd::TooLarge; break;
    }
  }
  // A worker whose answer was not read whole is in an unknown state: it starts again.
  if (end != TReadEnd::Message) Restart(*slot);
  slot->Busy = false;
  --rendering_;
  idle_.notify_all();
  return result;
}

void TWorkerPool::StopTaking() {
  const std::lock_guard lock(mutex_);
  stopping_ = true;
}

bool TWorkerPool::WaitIdle(TClock::time_point deadline) {
  std::unique_lock lock(mutex_);
  return idle_.wait_until(lock, deadline, [this] { return queued_ == 0 && rendering_ == 0; });
}

void TWorkerPool::EndAll() {
  const std::lock_guard lock(mutex_);
  stopping_ = true;
  ended_ = true;
  // Busy workers are only killed here: the requests they render find them gone and reap them.
  for (TSlot& s : slots_) {
    if (s.Busy && s.Pid > 0) ::kill(s.Pid, SIGKILL);
    else End(s);
  }
}

int TWorkerPool::Ready() const {
  const std::lock_guard lock(mutex_);
  int n = 0;
  for (const TSlot& s : slots_) n += s.Ready || s.Busy ? 1 : 0;
  return n;
}

int TWorkerPool::Busy() const {
  const std::lock_guard lock(mutex_);
  return rendering_;
}

int TWorkerPool::Queued() const {
  const std::lock_guard lock(mutex_);
  return queued_;
}

std::vector<pid_t> TWorkerPool::Pids() const {
  const std::lock_guard lock(mutex_);
  std::vector<pid_t> out;
  for (const TSlot& s : slots_)
    if (s.Pid > 0) out.push_back(s.Pid);
  return out;
}

}  // namespace oxqr::serve
