#pragma once
// What the service and its worker processes say to each other over a socket pair: one
// message each way per render. A message is a JSON head (4-byte big-endian length, then the
// text) and a body of bytes (8-byte big-endian length, then the bytes).
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace oxqr::serve {

struct TMessage {
  nlohmann::json Head;
  std::string Body;
};

// Heads larger than this are refused; the data of a request travels in the body.
inline constexpr std::size_t kMaxHeadBytes = 1u << 20;
inline constexpr std::size_t kMaxBodyBytes = std::size_t{1} << 34;

// Writes the whole message; false when the peer is gone.
bool WriteMessage(int fd, const TMessage& m);

// Why a read ended without a message.
enum class TReadEnd { Message, Closed, TimedOut, Cancelled, TooLarge };

// Reads one message. `deadline` bounds the wait; `cancelled` is asked every poll slice (100
// ms) and ends the wait when it says so. A peer that closes or sends garbage gives Closed; a
// body larger than `maxBody` gives TooLarge (the rest is not read).
TReadEnd ReadMessage(int fd, TMessage& out, std::optional<std::chrono::steady_clock::time_point> deadline = {},
                     const std::function<bool()>& cancelled = {}, std::size_t maxBody = kMaxBodyBytes);

}  // namespace oxqr::serve
