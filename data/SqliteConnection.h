#pragma once
// A connection to an SQLite database file, opened read-only.
#include "data/Connection.h"
#include "data/Sqlite.h"

namespace oxqr {

class TSqliteConnection final : public TConnection {
 public:
  // Throws EDatabaseError naming the file (missing, unreadable, not a database).
  explicit TSqliteConnection(const std::string& path);
  std::string Describe() const override;
  std::string Placeholder(std::size_t n) const override { return "?" + std::to_string(n); }
  std::unique_ptr<TStatement> Prepare(const std::string& sql, const std::string& context, bool) override;
  std::optional<std::string> FindTable(const std::string& name) override;
  std::vector<TColumnInfo> TableColumns(const std::string& table) override;
  std::string StoredOrder(const std::string&) override { return "rowid"; }

 private:
  std::string path_;
  TSqliteDb db_;
};

}  // namespace oxqr
