#pragma once
// Bearer tokens of the service (--tokens FILE): one token a line, optionally followed by the
// reports it may render ("s3cr3t invoices,orders"); without a list, every report. Blank
// lines and lines starting with '#' are skipped.
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace oxqr::serve {

class TTokens {
 public:
  // Throws std::runtime_error naming the file and line of a fault.
  static TTokens Read(const std::string& file);

  // The reports `authorization` ("Bearer TOKEN") may render: an empty set means all; nothing
  // when the token is wrong or missing. Every known token is compared in full, so that a
  // wrong token costs the time a right one does.
  std::optional<std::set<std::string>> Allowed(const std::string& authorization) const;
  std::size_t Count() const { return entries_.size(); }

 private:
  struct TEntry {
    std::string Token;
    std::set<std::string> Reports;
  };
  std::vector<TEntry> entries_;
};

}  // namespace oxqr::serve
