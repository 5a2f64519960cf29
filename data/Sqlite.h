#pragma once
// Owning handles for the SQLite C API: a read-only connection and prepared statements,
// released by their destructors on every path.
#include <memory>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace oxqr {

struct TSqliteCloser {
  void operator()(sqlite3* db) const;
};
struct TSqliteFinalizer {
  void operator()(sqlite3_stmt* stmt) const;
};
using TSqliteDb = std::unique_ptr<sqlite3, TSqliteCloser>;
using TSqliteStmt = std::unique_ptr<sqlite3_stmt, TSqliteFinalizer>;

// Opens `path` read-only; throws EDatabaseError naming the file when it is missing,
// not a regular file, unreadable or not a database.
TSqliteDb OpenDatabaseReadOnly(const std::string& path);

// Prepares `sql`; throws EDatabaseError carrying SQLite's message and `context`.
TSqliteStmt Prepare(sqlite3* db, const std::string& sql, const std::string& context);

// Quotes an identifier for SQL ("a""b").
std::string QuoteIdentifier(const std::string& name);

}  // namespace oxqr
