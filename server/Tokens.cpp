#include "server/Tokens.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace oxqr::serve {

namespace {

// Compares without stopping at the first difference.
bool SameBytes(const std::string& a, const std::string& b) {
  const std::size_t n = std::max(a.size(), b.size());
  unsigned char diff = a.size() == b.size() ? 0 : 1;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
    const unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
    diff |= static_cast<unsigned char>(x ^ y);
  }
  return diff == 0;
}

}  // namespace

TTokens TTokens::Read(const std::string& file) {
  std::ifstream in(file);
  if (!in) throw std::runtime_error("cannot read the token file " + file);
  TTokens tokens;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::istringstream words(line);
    TEntry e;
    if (!(words >> e.Token) || e.Token.front() == '#') continue;
    if (e.Token.size() < 16)
      throw std::runtime_error(file + ":" + std::to_string(number) + ": a token has at least 16 characters");
    std::string list, extra;
    if (words >> list) {
      std::istringstream names(list);
      for (std::string name; std::getline(names, name, ',');)
        if (!name.empty()) e.Reports.insert(name);
    }
    if (words >> extra) throw std::runtime_error(file + ":" + std::to_string(number) + ": reports are separated by commas");
    tokens.entries_.push_back(std::move(e));
  }
  if (tokens.entries_.empty()) throw std::runtime_error("the token file " + file + " holds no token");
  return tokens;
}

std::optional<std::set<std::string>> TTokens::Allowed(const std::string& authorization) const {
  const std::string prefix = "Bearer ";
  const std::string given = authorization.starts_with(prefix) ? authorization.substr(prefix.size()) : std::string();
  const TEntry* match = nullptr;
  for (const TEntry& e : entries_)
    if (SameBytes(e.Token, given) && !given.empty()) match = &e;
  if (match == nullptr) return std::nullopt;
  return match->Reports;
}

}  // namespace oxqr::serve
