#pragma once
// Owning handles for libpq: a connection and a result, released by their destructors on
// every path; and the pieces of a postgresql:// URI that messages may show.
#include <memory>
#include <optional>
#include <string>

struct pg_conn;
struct pg_result;

namespace oxqr {

struct TPgFinisher {
  void operator()(pg_conn* conn) const;
};
struct TPgClearer {
  void operator()(pg_result* res) const;
};
using TPgConn = std::unique_ptr<pg_conn, TPgFinisher>;
using TPgResult = std::unique_ptr<pg_result, TPgClearer>;

// Why `uri` is not a well-formed postgresql:// URI (libpq's own parse), or nullopt when it
// is. The reason never holds the password.
std::optional<std::string> ServerUriError(const std::string& uri);

// `text` with the password written in `uri` (as written and percent-decoded, in the user
// part or as a password= option) replaced by "***", for messages that might echo part of
// the URI; WithoutPassword(uri, uri) is the URI as it may be shown.
std::string WithoutPassword(std::string text, const std::string& uri);

}  // namespace oxqr
