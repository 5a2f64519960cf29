#pragma once
// Looks after the service's client connections beside the HTTP library, which reads a
// request's header with a time limit per read but none for the whole header: a connection
// that has not completed a request header within the header time (from its start or its last
// answer) is shut down, so slow clients cannot hold the connection threads. It also finds a
// request's socket, so that a render can be cancelled when its client has gone.
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <atomic>

namespace oxqr::serve {

class TConnectionWatch {
 public:
  TConnectionWatch(int port, std::chrono::milliseconds headerTime);
  ~TConnectionWatch();
  TConnectionWatch(const TConnectionWatch&) = delete;
  TConnectionWatch& operator=(const TConnectionWatch&) = delete;

  // A request of the connection from `peer` ("addr:port") began or was answered.
  void Began(const std::string& peer);
  void Ended(const std::string& peer);
  // The socket of the connection from `peer`; -1 when it is not found.
  int SocketOf(const std::string& peer) const;
  // Whether the client of socket `fd` closed its side or the connection broke.
  static bool ClientGone(int fd);
  // Connections shut down for being slow, since the start.
  unsigned long long ShutDown() const { return shutDown_; }

 private:
  struct TSeen {
    std::string Peer;
    std::chrono::steady_clock::time_point Since;
  };
  void Run();
  // Every accepted connection of the service: socket -> peer.
  std::map<int, std::string> Connections() const;

  int port_;
  std::chrono::milliseconds headerTime_;
  mutable std::mutex mutex_;
  std::map<std::string, int> active_;  // requests in progress by peer
  std::map<std::string, std::chrono::steady_clock::time_point> ended_;
  std::map<int, TSeen> seen_;
  std::atomic<bool> quit_{false};
  std::atomic<unsigned long long> shutDown_{0};
  std::thread thread_;
};

}  // namespace oxqr::serve
