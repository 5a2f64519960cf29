#include "server/WorkerProtocol.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace oxqr::serve {

namespace {

using TClock = std::chrono::steady_clock;

bool WriteAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

std::string BigEndian(std::uint64_t v, int bytes) {
  std::string s(static_cast<std::size_t>(bytes), '\0');
  for (int i = bytes - 1; i >= 0; --i, v >>= 8) s[static_cast<std::size_t>(i)] = static_cast<char>(v & 0xFF);
  return s;
}

std::uint64_t FromBigEndian(const std::string& s) {
  std::uint64_t v = 0;
  for (const char c : s) v = (v << 8) | static_cast<unsigned char>(c);
  return v;
}

// Reads exactly n bytes, waiting in slices so that the deadline and the cancel check are seen.
TReadEnd ReadAll(int fd, std::string& out, std::size_t n, const std::optional<TClock::time_point>& deadline,
                 const std::function<bool()>& cancelled) {
  out.resize(n);
  std::size_t got = 0;
  while (got < n) {
    int wait = 100;
    if (deadline) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - TClock::now()).count();
      if (left <= 0) return TReadEnd::TimedOut;
      wait = static_cast<int>(std::min<long long>(left, wait));
    }
    if (cancelled && cancelled()) return TReadEnd::Cancelled;
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, cancelled || deadline ? wait : -1);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return TReadEnd::Closed;
    if (r == 0) continue;
    const ssize_t k = ::read(fd, out.data() + got, n - got);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return TReadEnd::Closed;
    got += static_cast<std::size_t>(k);
  }
  return TReadEnd::Message;
}

}  // namespace

bool WriteMessage(int fd, const TMessage& m) {
  const std::string head = m.Head.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  const std::string frame = BigEndian(head.size(), 4) + head + BigEndian(m.Body.size(), 8);
  return WriteAll(fd, frame.data(), frame.size()) && WriteAll(fd, m.Body.data(), m.Body.size());
}

TReadEnd ReadMessage(int fd, TMessage& out, std::optional<TClock::time_point> deadline,
                     const std::function<bool()>& cancelled, std::size_t maxBody) {
  std::string bytes;
  TReadEnd end = ReadAll(fd, bytes, 4, deadline, cancelled);
  if (end != TReadEnd::Message) return end;
  const std::uint64_t headSize = FromBigEndian(bytes);
  if (headSize > kMaxHeadBytes) return TReadEnd::Closed;
  std::string head;
  if ((end = ReadAll(fd, head, headSize, deadline, cancelled)) != TReadEnd::Message) return end;
  if ((end = ReadAll(fd, bytes, 8, deadline, cancelled)) != TReadEnd::Message) return end;
  const std::uint64_t bodySize = FromBigEndian(bytes);
  if (bodySize > maxBody) return TReadEnd::TooLarge;
  if ((end = ReadAll(fd, out.Body, bodySize, deadline, cancelled)) != TReadEnd::Message) return end;
  out.Head = nlohmann::json::parse(head, nullptr, false);
  return out.Head.is_discarded() ? TReadEnd::Closed : TReadEnd::Message;
}

}  // namespace oxqr::serve
