#include "data/Sqlite.h"

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "data/DataSet.h"

namespace oxqr {

void TSqliteCloser::operator()(sqlite3* db) const { sqlite3_close_v2(db); }
void TSqliteFinalizer::operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }

namespace {

[[noreturn]] void FailOpen(const std::string& path, const std::string& reason) {
  throw EDatabaseError("Cannot open database \"" + path + "\": " + reason);
}

}  // namespace

TSqliteDb OpenDatabaseReadOnly(const std::string& path) {
  if (path.empty()) throw EDatabaseError("Cannot open database: no database file name given");
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) FailOpen(path, "file not found");
  if (!std::filesystem::is_regular_file(status)) FailOpen(path, "not a regular file");
  // SQLite opens lazily; a file we cannot read would only fail at the first query.
  if (!std::ifstream(path, std::ios::binary)) FailOpen(path, "file cannot be read");

  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  TSqliteDb db(raw);
  if (rc != SQLITE_OK) FailOpen(path, raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc));
  // Touch the schema now so that a file that is not a database fails here, by name.
  char* err = nullptr;
  if (sqlite3_exec(db.get(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &err) != SQLITE_OK) {
    std::string reason = err ? err : "unknown error";
    sqlite3_free(err);
    FailOpen(path, reason);
  }
  // Pages are read through a memory map rather than one read call each: a report reads
  // the same pages again for every master record and every run. The map is bounded, so that
  // a large database does not add its whole size to the process's resident memory; a file
  // larger than the map is read the ordinary way beyond it.
  sqlite3_exec(db.get(), "PRAGMA mmap_size = 8388608", nullptr, nullptr, nullptr);
  return db;
}

TSqliteStmt Prepare(sqlite3* db, const std::string& sql, const std::string& context) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr) != SQLITE_OK) {
    sqlite3_finalize(raw);
    throw EDatabaseError(context + ": " + sqlite3_errmsg(db));
  }
  return TSqliteStmt(raw);
}

std::string QuoteIdentifier(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace oxqr
