#pragma once
// The pool of worker processes that render for the service. Each worker is this program
// started again with --worker over one end of a socket pair; a request takes an idle worker,
// or waits in a bounded queue. A worker that dies, runs past the time limit or whose client
// went away is ended and started again at once: one request is lost, never the service.
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/WorkerProtocol.h"

namespace oxqr::serve {

struct TPoolConfig {
  int Workers = 2;
  int QueueLimit = 64;                          // requests waiting for a worker
  std::chrono::milliseconds Timeout{60000};     // one render, from the moment it is taken
  std::chrono::milliseconds QueueWait{30000};   // the longest wait for a worker
  std::size_t MaxOutput = std::size_t{256} << 20;
  std::vector<std::string> WorkerCommand;       // program and arguments; --worker-fd and --scratch are added
  std::string ScratchDir;                       // one sub-folder per worker
};

enum class TRenderEnd { Done, QueueFull, WorkerDied, TimedOut, Cancelled, Stopping, TooLarge };

struct TRenderResult {
  TRenderEnd End = TRenderEnd::Done;
  TMessage Reply;  // when Done
};

class TWorkerPool {
 public:
  explicit TWorkerPool(TPoolConfig config);
  ~TWorkerPool();  // ends every worker
  TWorkerPool(const TWorkerPool&) = delete;
  TWorkerPool& operator=(const TWorkerPool&) = delete;

  // Renders `request` (the worker adds nothing but the answer). `clientGone` is asked while
  // the request waits or renders.
  TRenderResult Render(TMessage request, const std::function<bool()>& clientGone);

  // New requests are refused (Stopping); those taken run on.
  void StopTaking();
  // Waits until no request is queued or rendering, or the deadline passes; true when idle.
  bool WaitIdle(std::chrono::steady_clock::time_point deadline);
  // Ends every worker and starts none again: the renders still running answer 503.
  void EndAll();

  int Workers() const { return static_cast<int>(slots_.size()); }
  int Ready() const;
  int Busy() const;
  int Queued() const;
  std::uint64_t Restarts() const { return restarts_; }
  std::vector<pid_t> Pids() const;

 private:
  struct TSlot {
    pid_t Pid = -1;
    int Fd = -1;
    bool Busy = false;
    bool Ready = false;  // said it is ready after starting
    std::string Scratch;
  };

  void Start(TSlot& slot);
  void End(TSlot& slot);  // kills and reaps; the slot is then empty
  void Restart(TSlot& slot);
  // Looks after idle workers: reads the ready message of those started, restarts the dead.
  void Watch();

  TPoolConfig config_;
  mutable std::mutex mutex_;
  std::condition_variable idle_;
  std::vector<TSlot> slots_;
  int queued_ = 0;
  int rendering_ = 0;
  bool stopping_ = false;
  bool ended_ = false;  // EndAll: no worker starts again
  std::atomic<std::uint64_t> restarts_{0};
  std::atomic<bool> quit_{false};
  std::thread watcher_;
};

}  // namespace oxqr::serve
