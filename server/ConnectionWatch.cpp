#include "server/ConnectionWatch.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <set>

namespace oxqr::serve {

namespace {

using TClock = std::chrono::steady_clock;

// "addr:port" of a socket address; empty for anything but IPv4 and IPv6.
std::string AddressText(const sockaddr_storage& a, int* port) {
  char text[INET6_ADDRSTRLEN] = {};
  if (a.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(a);
    inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    *port = ntohs(v4.sin_port);
  } else if (a.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(a);
    inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    *port = ntohs(v6.sin6_port);
  } else {
    return {};
  }
  return std::string(text) + ":" + std::to_string(*port);
}

// The peer of `fd` when it is a connection accepted on `servicePort`; empty otherwise.
std::string PeerOf(int fd, int servicePort) {
  sockaddr_storage local{}, peer{};
  socklen_t n = sizeof local;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &n) != 0) return {};
  int localPort = 0;
  if (AddressText(local, &localPort).empty() || localPort != servicePort) return {};
  n = sizeof peer;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &n) != 0) return {};
  int peerPort = 0;
  return AddressText(peer, &peerPort);
}

}  // namespace

TConnectionWatch::TConnectionWatch(int port, std::chrono::milliseconds headerTime)
    : port_(port), headerTime_(headerTime), thread_([this] { Run(); }) {}

TConnectionWatch::~TConnectionWatch() {
  quit_ = true;
  thread_.join();
}

void TConnectionWatch::Began(const std::string& peer) {
  const std::lock_guard lock(mutex_);
  ++active_[peer];
}

void TConnectionWatch::Ended(const std::string& peer) {
  const std::lock_guard lock(mutex_);
  if (--active_[peer] <= 0) active_.erase(peer);
  ended_[peer] = TClock::now();
}

std::map<int, std::string> TConnectionWatch::Connections() const {
  std::map<int, std::string> out;
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return out;
  while (const dirent* e = ::readdir(dir)) {
    const int fd = std::atoi(e->d_name);
    struct stat st {};
    if (fd <= 2 || fd == ::dirfd(dir) || ::fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode)) continue;
    if (std::string peer = PeerOf(fd, port_); !peer.empty()) out.emplace(fd, std::move(peer));
  }
  ::closedir(dir);
  return out;
}

int TConnectionWatch::SocketOf(const std::string& peer) const {
  for (const auto& [fd, p] : Connections())
    if (p == peer) return fd;
  return -1;
}

bool TConnectionWatch::ClientGone(int fd) {
  pollfd p{fd, POLLRDHUP, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void TConnectionWatch::Run() {
  while (!quit_) {
    const auto now = TClock::now();
    const auto connections = Connections();
    {
      const std::lock_guard lock(mutex_);
      std::map<int, TSeen> seen;
      for (const auto& [fd, peer] : connections) {
        const auto old = seen_.find(fd);
        TSeen s = old != seen_.end() && old->second.Peer == peer ? old->second : TSeen{peer, now};
        seen.emplace(fd, s);
        if (active_.contains(peer)) continue;
        auto since = s.Since;
        if (const auto e = ended_.find(peer); e != ended_.end() && e->second > since) since = e->second;
        // Checked again just before: the socket may have been closed and its number reused.
        if (now - since > headerTime_ && PeerOf(fd, port_) == peer) {
          ::shutdown(fd, SHUT_RDWR);
          ++shutDown_;
        }
      }
      seen_ = std::move(seen);
      // Forget the peers whose connections are gone.
      std::set<std::string> open;
      for (const auto& [fd, peer] : connections) open.insert(peer);
      std::erase_if(ended_, [&open](const auto& e) { return !open.contains(e.first); });
    }
    for (int i = 0; i < 5 && !quit_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

}  // namespace oxqr::serve
