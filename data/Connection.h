#pragma once
// The database behind a dataset: an SQLite file or a PostgreSQL server, chosen by the
// database name (a file path or a postgresql:// URI). Tables and queries talk to a
// connection and its prepared statements only, so both work on either database.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/Cell.h"
#include "data/DataSet.h"

namespace oxqr {

// A statement the database rejected. Offset is the 0-based byte offset in the SQL where
// the database placed the fault, -1 when it did not say.
class EStatementError : public EDatabaseError {
 public:
  EStatementError(const std::string& message, long offset) : EDatabaseError(message), Offset(offset) {}
  long Offset;
};

// A column of a table or a result: its name and the type it was declared with, spelt as
// FieldTypeFromDeclared reads it; empty when the database does not know one.
struct TColumnInfo {
  std::string Name;
  std::string DeclaredType;
};

// One prepared statement. A read runs from Execute to the Fetch that returns false (or to
// Reset); rows arrive as they are fetched.
class TStatement {
 public:
  virtual ~TStatement() = default;
  virtual const std::vector<TColumnInfo>& Columns() const = 0;
  // Starts a read with `params` for the statement's placeholders 1..n, ending an earlier one.
  virtual void Execute(const std::vector<TCell>& params) = 0;
  // The next row into `row`; false at the end, `row` untouched. Throws EDatabaseError.
  virtual bool Fetch(std::vector<TCell>& row) = 0;
  // Ends the current read early.
  virtual void Reset() = 0;

  // Reading ahead, for a statement executed once per master record over a server: it may
  // start the executions for the next master records before they are asked for, so that
  // the server works while the current rows are laid out. AheadRoom() is how many more it
  // would start now, AheadQueued() how many are started; Queue starts one more, with the
  // parameters of the master record after those queued. Execute takes the first queued
  // execution when its parameters are the same and drops the queue otherwise.
  virtual std::size_t AheadRoom() const { return 0; }
  virtual std::size_t AheadQueued() const { return 0; }
  virtual void Queue(const std::vector<TCell>& /*params*/) {}
  // The row `ahead` rows after the last one fetched (1: the next) when it is already in
  // memory, without reading; false otherwise.
  virtual bool Peek(std::size_t /*ahead*/, std::vector<TCell>& /*row*/) const { return false; }
};

class TConnection {
 public:
  virtual ~TConnection() = default;
  // Names the database in messages: `database "path"` or
  // `server host:port, database "name"` (never a password).
  virtual std::string Describe() const = 0;
  // The placeholder of the 1-based parameter `n` in this database's SQL.
  virtual std::string Placeholder(std::size_t n) const = 0;
  // Prepares `sql`; a rejected statement throws EStatementError whose message starts
  // with `context`. `perMasterRecord` marks a detail's statement, executed once for every
  // record of its master while the master's read goes on.
  virtual std::unique_ptr<TStatement> Prepare(const std::string& sql, const std::string& context,
                                              bool perMasterRecord) = 0;
  // The table or view `name` as the database spells it (matched case-insensitively).
  virtual std::optional<std::string> FindTable(const std::string& name) = 0;
  virtual std::vector<TColumnInfo> TableColumns(const std::string& table) = 0;
  // ORDER BY terms that keep a table's records in stored order after the index fields.
  virtual std::string StoredOrder(const std::string& table) = 0;
};

// True when `databaseName` is a postgresql:// or postgres:// URI.
bool IsServerUri(const std::string& databaseName);

// Opens (or shares) the connection named by `databaseName`. Datasets of one thread that
// name the same database share one connection, and so one read-only transaction, for as
// long as any of them holds it. Throws EDatabaseError naming the database.
std::shared_ptr<TConnection> Connect(const std::string& databaseName);

}  // namespace oxqr
