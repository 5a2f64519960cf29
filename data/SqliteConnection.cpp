#include "data/SqliteConnection.h"

#include <sqlite3.h>

namespace oxqr {

namespace {

// Reads column `col` of the current row into `cell`, reusing the cell's storage.
void ReadCell(sqlite3_stmt* stmt, int col, TCell& cell) {
  switch (sqlite3_column_type(stmt, col)) {
    case SQLITE_INTEGER: cell = TCell::Integer(sqlite3_column_int64(stmt, col)); break;
    case SQLITE_FLOAT: cell = TCell::Float(sqlite3_column_double(stmt, col)); break;
    case SQLITE_TEXT: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
      cell.AssignUtf8(std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt, col))));
      break;
    }
    case SQLITE_BLOB: {
      const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, col));
      cell = TCell::Blob(std::string(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, col))));
      break;
    }
    default: cell = TCell::Null(); break;
  }
}

void Bind(sqlite3_stmt* stmt, int idx, const TCell& v) {
  switch (v.Kind) {
    case TCell::TKind::Int: sqlite3_bind_int64(stmt, idx, v.Int); break;
    case TCell::TKind::Real: sqlite3_bind_double(stmt, idx, v.Real); break;
    case TCell::TKind::Text:
      sqlite3_bind_text(stmt, idx, v.Utf8.c_str(), static_cast<int>(v.Utf8.size()), SQLITE_TRANSIENT);
      break;
    case TCell::TKind::Blob:
      sqlite3_bind_blob(stmt, idx, v.Bytes.data(), static_cast<int>(v.Bytes.size()), SQLITE_TRANSIENT);
      break;
    case TCell::TKind::Null: sqlite3_bind_null(stmt, idx); break;
  }
}

class TSqliteStatement final : public TStatement {
 public:
  TSqliteStatement(sqlite3* db, TSqliteStmt stmt, std::string context)
      : db_(db), stmt_(std::move(stmt)), context_(std::move(context)) {
    const int n = sqlite3_column_count(stmt_.get());
    for (int c = 0; c < n; ++c) {
      const char* name = sqlite3_column_name(stmt_.get(), c);
      const char* declared = sqlite3_column_decltype(stmt_.get(), c);
      columns_.push_back({name ? name : "", declared ? declared : ""});
    }
  }
  const std::vector<TColumnInfo>& Columns() const override { return columns_; }
  void Execute(const std::vector<TCell>& params) override {
    sqlite3_reset(stmt_.get());
    sqlite3_clear_bindings(stmt_.get());
    for (std::size_t i = 0; i < params.size(); ++i) Bind(stmt_.get(), static_cast<int>(i) + 1, params[i]);
  }
  bool Fetch(std::vector<TCell>& row) override {
    const int rc = sqlite3_step(stmt_.get());
    if (rc == SQLITE_ROW) {
      row.resize(columns_.size());  // the previous row's cells are overwritten in place
      for (int c = 0; c < static_cast<int>(columns_.size()); ++c) ReadCell(stmt_.get(), c, row[static_cast<std::size_t>(c)]);
      return true;
    }
    sqlite3_reset(stmt_.get());  // ends the read so that the database is not held open
    if (rc != SQLITE_DONE) throw EDatabaseError(context_ + ": " + sqlite3_errmsg(db_));
    return false;
  }
  void Reset() override { sqlite3_reset(stmt_.get()); }

 private:
  sqlite3* db_;
  TSqliteStmt stmt_;
  std::string context_;
  std::vector<TColumnInfo> columns_;
};

}  // namespace

TSqliteConnection::TSqliteConnection(const std::string& path) : path_(path), db_(OpenDatabaseReadOnly(path)) {}

std::string TSqliteConnection::Describe() const { return "database \"" + path_ + "\""; }

std::unique_ptr<TStatement> TSqliteConnection::Prepare(const std::string& sql, const std::string& context, bool) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db_.get(), sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr) != SQLITE_OK) {
    sqlite3_finalize(raw);
    throw EStatementError(context + ": " + sqlite3_errmsg(db_.get()), sqlite3_error_offset(db_.get()));
  }
  TSqliteStmt stmt(raw);
  if (!stmt) throw EStatementError(context + ": the statement is empty", -1);
  return std::make_unique<TSqliteStatement>(db_.get(), std::move(stmt), context);
}

std::optional<std::string> TSqliteConnection::FindTable(const std::string& name) {
  TSqliteStmt find = oxqr::Prepare(db_.get(),
                                   "SELECT name FROM sqlite_master WHERE type IN ('table','view') AND name = ?1 COLLATE NOCASE",
                                   "Cannot read the tables of " + Describe());
  sqlite3_bind_text(find.get(), 1, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(find.get()) != SQLITE_ROW) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(sqlite3_column_text(find.get(), 0)));
}

std::vector<TColumnInfo> TSqliteConnection::TableColumns(const std::string& table) {
  TSqliteStmt info = oxqr::Prepare(db_.get(), "PRAGMA table_info(" + QuoteIdentifier(table) + ")",
                                   "Cannot read the columns of table \"" + table + "\"");
  std::vector<TColumnInfo> out;
  while (sqlite3_step(info.get()) == SQLITE_ROW) {
    const auto* declared = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 2));
    out.push_back({reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1)), declared ? declared : ""});
  }
  return out;
}

}  // namespace oxqr
