#include "data/Postgres.h"

#include <libpq-fe.h>

#include <cctype>
#include <cstdlib>

namespace oxqr {

void TPgFinisher::operator()(pg_conn* conn) const { PQfinish(conn); }
void TPgClearer::operator()(pg_result* res) const { PQclear(res); }

namespace {

// The password between "user:" and "@" in the URI's authority, as written.
std::string RawPassword(const std::string& uri) {
  const auto scheme = uri.find("://");
  if (scheme == std::string::npos) return {};
  const std::size_t start = scheme + 3;
  const std::size_t end = std::min(uri.find_first_of("/?", start), uri.size());
  const auto at = uri.rfind('@', end == 0 ? 0 : end - 1);
  if (at == std::string::npos || at < start) return {};
  const auto colon = uri.find(':', start);
  if (colon == std::string::npos || colon > at) return {};
  return uri.substr(colon + 1, at - colon - 1);
}

std::string PercentDecoded(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out += static_cast<char>(std::strtol(s.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

void ReplaceAll(std::string& text, const std::string& what) {
  if (what.empty()) return;
  for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 3))
    text.replace(pos, what.size(), "***");
}

// The value of a "password=" option in the URI's query, as written.
std::string QueryPassword(const std::string& uri) {
  const auto query = uri.find('?');
  if (query == std::string::npos) return {};
  for (std::size_t pos = query + 1; pos < uri.size();) {
    const auto end = std::min(uri.find('&', pos), uri.size());
    if (uri.compare(pos, 9, "password=") == 0) return uri.substr(pos + 9, end - pos - 9);
    pos = end + 1;
  }
  return {};
}

}  // namespace

std::string WithoutPassword(std::string text, const std::string& uri) {
  for (const std::string& raw : {RawPassword(uri), QueryPassword(uri)}) {
    ReplaceAll(text, raw);
    ReplaceAll(text, PercentDecoded(raw));
  }
  return text;
}

std::optional<std::string> ServerUriError(const std::string& uri) {
  char* err = nullptr;
  PQconninfoOption* options = PQconninfoParse(uri.c_str(), &err);
  if (options) {
    PQconninfoFree(options);
    return std::nullopt;
  }
  std::string reason = err ? err : "not a connection URI";
  PQfreemem(err);
  while (!reason.empty() && std::isspace(static_cast<unsigned char>(reason.back()))) reason.pop_back();
  return WithoutPassword(reason, uri);
}

}  // namespace oxqr
