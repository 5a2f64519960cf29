#include "data/PgConnection.h"

#include <libpq-fe.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <utility>

#include "data/DatabaseSettings.h"
#include "data/FieldTypes.h"
#include "data/Postgres.h"
#include "data/Sqlite.h"

namespace oxqr {

namespace {

constexpr int kRowsPerFetch = 1000;
// Executions of a detail statement started ahead for the next master records: enough for
// the server to keep working while the client lays out the current record's rows.
constexpr std::size_t kExecutionsAhead = 16;

// Type OIDs of the built-in types, fixed by the server's catalog.
enum : Oid {
  kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25, kOid = 26, kFloat4 = 700,
  kFloat8 = 701, kMoney = 790, kBpchar = 1042, kVarchar = 1043, kDate = 1082, kTime = 1083,
  kTimestamp = 1114, kTimestampTz = 1184, kTimeTz = 1266, kNumeric = 1700
};

// The declared type a built-in type reads as (see FieldTypeFromDeclared).
std::string DeclaredFor(Oid type) {
  switch (type) {
    case kBool: return "BOOLEAN";
    case kBytea: return "BLOB";
    case kInt8: return "BIGINT";
    case kInt2: return "SMALLINT";
    case kInt4: case kOid: return "INTEGER";
    case kFloat4: case kFloat8: return "FLOAT";
    case kNumeric: return "NUMERIC";
    case kMoney: return "CURRENCY";
    case kDate: return "DATE";
    case kTime: case kTimeTz: return "TIME";
    case kTimestamp: case kTimestampTz: return "TIMESTAMP";
    case kBpchar: return "CHAR";
    case kVarchar: return "VARCHAR";
    default: return "TEXT";
  }
}

// A domain whose name is a field type ("currency", "memo", "graphic") keeps that type;
// any other column reads as its base type.
std::string DeclaredFor(const std::string& typeName, bool isDomain, Oid baseType) {
  return isDomain && IsKnownDeclaredType(typeName) ? typeName : DeclaredFor(baseType);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  return (std::tolower(static_cast<unsigned char>(c)) - 'a' + 10) & 15;
}

std::string DecodeBytea(const char* text, int length) {
  std::string out;
  if (length >= 2 && text[0] == '\\' && text[1] == 'x') {
    out.reserve(static_cast<std::size_t>(length / 2));
    for (int i = 2; i + 1 < length; i += 2)
      out += static_cast<char>(HexValue(text[i]) << 4 | HexValue(text[i + 1]));
    return out;
  }
  std::size_t size = 0;
  unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &size);
  if (raw) out.assign(reinterpret_cast<const char*>(raw), size);
  PQfreemem(raw);
  return out;
}

// "$1,234.50" in the server's monetary format: the digits, the sign and the decimal point.
double MoneyValue(const char* text) {
  std::string digits;
  for (const char* p = text; *p; ++p)
    if (std::isdigit(static_cast<unsigned char>(*p)) || *p == '.' || *p == '-') digits += *p;
  return std::strtod(digits.c_str(), nullptr);
}

TCell ReadCell(const PGresult* res, int row, int col, Oid type) {
  if (PQgetisnull(res, row, col)) return TCell::Null();
  const char* v = PQgetvalue(res, row, col);
  const int length = PQgetlength(res, row, col);
  switch (type) {
    case kInt2: case kInt4: case kInt8: case kOid: return TCell::Integer(std::strtoll(v, nullptr, 10));
    case kFloat4: case kFloat8: case kNumeric: return TCell::Float(std::strtod(v, nullptr));
    case kMoney: return TCell::Float(MoneyValue(v));
    case kBool: return TCell::Integer(v[0] == 't' ? 1 : 0);
    case kBytea: return TCell::Blob(DecodeBytea(v, length));
    default: return TCell::FromUtf8(std::string(v, static_cast<std::size_t>(length)));
  }
}

// libpq's messages span lines with tab indents; messages here are one line.
std::string OneLine(const std::string& text) {
  std::string out;
  bool space = false;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      space = !out.empty();
    } else {
      if (space) out += ' ';
      out += c;
      space = false;
    }
  }
  return out;
}

// Byte offset of the 1-based character position `chars` in UTF-8 `text`.
long ByteOffsetOfChar(const std::string& text, long chars) {
  long seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && ++seen == chars) return static_cast<long>(i);
  }
  return static_cast<long>(text.size());
}

// Parameter values as libpq takes them: text (the server infers the type from the
// statement), except blobs which go as binary.
struct TPgParams {
  explicit TPgParams(const std::vector<TCell>& cells) {
    text.reserve(cells.size());
    for (const TCell& c : cells) {
      switch (c.Kind) {
        case TCell::TKind::Null: text.emplace_back(); break;
        case TCell::TKind::Int: text.push_back(std::to_string(c.Int)); break;
        case TCell::TKind::Real: {
          char buf[40];
          std::snprintf(buf, sizeof buf, "%.17g", c.Real);
          text.emplace_back(buf);
          break;
        }
        case TCell::TKind::Text: text.push_back(c.Utf8); break;
        case TCell::TKind::Blob: text.push_back(c.Bytes); break;
      }
    }
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const bool null = cells[i].Kind == TCell::TKind::Null;
      values.push_back(null ? nullptr : text[i].c_str());
      lengths.push_back(static_cast<int>(text[i].size()));
      formats.push_back(cells[i].Kind == TCell::TKind::Blob ? 1 : 0);
    }
  }
  int Count() const { return static_cast<int>(values.size()); }
  bool operator==(const TPgParams& other) const {
    if (text != other.text || formats != other.formats) return false;
    for (std::size_t i = 0; i < values.size(); ++i)
      if ((values[i] == nullptr) != (other.values[i] == nullptr)) return false;
    return true;
  }
  std::vector<std::string> text;
  std::vector<const char*> values;
  std::vector<int> lengths, formats;
};

class TPgStatement;

class TPgConnection final : public TConnection {
 public:
  explicit TPgConnection(const std::string& uri);
  ~TPgConnection() override;
  std::string Describe() const override { return describe_; }
  std::string Placeholder(std::size_t n) const override { return "$" + std::to_string(n); }
  std::unique_ptr<TStatement> Prepare(const std::string& sql, const std::string& context, bool perMasterRecord) override;
  std::optional<std::string> FindTable(const std::string& name) override;
  std::vector<TColumnInfo> TableColumns(const std::string& table) override;
  std::string StoredOrder(const std::string& table) override;

  PGconn* Raw() const { return conn_.get(); }
  // Runs `sql` to the end and checks that it gave `expected`; throws naming `context`.
  TPgResult Exec(const std::string& sql, const TPgParams* params, const std::string& context,
                 ExecStatusType expected = PGRES_TUPLES_OK);
  // The server's reason for a failed `res` (or the connection's, when there is no result).
  std::string Reason(const PGresult* res) const;
  // Lets the statement whose rows are arriving one at a time read the rest ahead, so
  // that the connection can take another command.
  void MakeIdle();
  void SetStreaming(TPgStatement* s) { streaming_ = s; }
  TPgStatement* Streaming() const { return streaming_; }
  // Declared types of result columns from their source tables (base types otherwise).
  std::vector<std::string> DeclaredTypes(const PGresult* description);
  std::string NextName(const char* prefix) { return prefix + std::to_string(++names_); }

  // A statement prepared on the server: its name and the columns of its rows.
  struct TPrepared {
    std::string Name;
    std::vector<TColumnInfo> Columns;
    std::vector<Oid> Types;
  };
  // Prepares `sql` the first time it is asked for and gives the same statement afterwards:
  // a report run again (a burst per value) prepares nothing more. The statements live as
  // long as the connection.
  const TPrepared& PrepareOnce(const std::string& sql, const std::string& context);

 private:
  std::string uri_;
  std::string describe_;
  TPgConn conn_;
  TPgStatement* streaming_ = nullptr;
  unsigned names_ = 0;
  // The catalogue as the transaction's snapshot shows it does not change while it lasts:
  // each question is asked once.
  std::map<std::string, std::optional<std::string>> tables_;
  std::map<std::string, std::vector<TColumnInfo>> columns_;
  std::map<std::string, std::string> storedOrders_;
  std::map<std::string, TPrepared> prepared_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> trace_{nullptr, &std::fclose};
};

class TPgStatement final : public TStatement {
 public:
  TPgStatement(TPgConnection& conn, const std::string& sql, const std::string& context, bool perMasterRecord);
  ~TPgStatement() override;
  const std::vector<TColumnInfo>& Columns() const override { return columns_; }
  void Execute(const std::vector<TCell>& params) override;
  bool Fetch(std::vector<TCell>& row) override;
  void Reset() override { EndRead(); }
  // Refilled in bursts, so that the server wakes once for several executions.
  std::size_t AheadRoom() const override {
    return perMaster_ && sent_.size() <= kExecutionsAhead / 2 ? kExecutionsAhead - sent_.size() : 0;
  }
  std::size_t AheadQueued() const override { return sent_.size(); }
  void Queue(const std::vector<TCell>& params) override;
  bool Peek(std::size_t ahead, std::vector<TCell>& row) const override;
  // Reads the rest of the rows arriving one at a time into memory, and drops the
  // executions queued after them, so that the connection can take another command.
  void ReadAhead();

 private:
  void EndRead();
  bool FetchStreamed(std::vector<TCell>& row);
  // Sends one execution into the connection's pipeline, entering pipeline mode first.
  void Send(const TPgParams& params);
  // Takes the first execution of the pipeline as the current read.
  void BeginRead();
  // Reads the end of an execution in the pipeline: its sync point.
  void ReadSync();
  // Leaves pipeline mode and frees the connection once nothing of this statement is due.
  void Settle();
  // Reads and drops the queued executions and leaves pipeline mode; throws the first
  // error among them when `checked`.
  void DropQueued(bool checked);
  void Row(const PGresult* res, int r, std::vector<TCell>& row) const;

  TPgConnection& conn_;
  // Opens the cursor for `values` and fetches its first rows in one round trip, closing the
  // cursor of the last read on the way.
  void OpenCursor(const TPgParams& values);

  std::string sql_, context_, name_, cursor_;
  bool perMaster_;
  std::vector<TColumnInfo> columns_;
  std::vector<Oid> types_;
  TPgResult batch_;
  int batchRow_ = 0;
  bool cursorOpen_ = false;
  bool closePending_ = false;  // the cursor's read ended; CLOSE goes with the next command
  bool streaming_ = false;
  std::deque<std::vector<TCell>> ahead_;
  std::deque<TPgParams> sent_;  // executions queued after the current read, in order
};

// ---- connection --------------------------------------------------------------------

TPgConnection::TPgConnection(const std::string& uri) : uri_(uri) {
  if (auto error = ServerUriError(uri)) throw EDatabaseError("Malformed database URI: " + *error);
  // Defaults before the URI, which may change them; the text encoding after it.
  const char* keys[] = {"connect_timeout", "fallback_application_name", "dbname", "client_encoding", nullptr};
  const char* values[] = {"10", "oxqr", uri.c_str(), "UTF8", nullptr};
  conn_.reset(PQconnectdbParams(keys, values, 1));
  if (!conn_) throw EDatabaseError("Cannot connect to the server: out of memory");
  const char* host = PQhost(conn_.get());
  const char* port = PQport(conn_.get());
  const char* db = PQdb(conn_.get());
  describe_ = std::string("server ") + (host && *host ? host : "localhost") + ":" + (port && *port ? port : "5432") +
              ", database \"" + (db ? db : "") + "\"";
  if (PQstatus(conn_.get()) != CONNECTION_OK) throw EDatabaseError("Cannot connect to " + describe_ + ": " + Reason(nullptr));
  // OXQR_PG_TRACE names a file that gets libpq's trace of every message to and from the
  // server (appended; without timestamps): what a run costs in round trips.
  if (const char* trace = std::getenv("OXQR_PG_TRACE"); trace && *trace) {
    trace_.reset(std::fopen(trace, "a"));
    if (trace_) {
      PQtrace(conn_.get(), trace_.get());
      PQsetTraceFlags(conn_.get(), PQTRACE_SUPPRESS_TIMESTAMPS);
    }
  }
  std::string setup = "SET datestyle TO ISO, MDY; SET bytea_output TO hex; SET intervalstyle TO postgres;";
  if (const int timeout = DatabaseSettings().StatementTimeout; timeout > 0)
    setup += " SET statement_timeout TO " + std::to_string(static_cast<long long>(timeout) * 1000) + ";";
  // One snapshot for the whole report, and no statement of a report can change data.
  setup += " BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY";
  Exec(setup, nullptr, "Cannot start reading from " + describe_, PGRES_COMMAND_OK);
}

TPgConnection::~TPgConnection() {
  if (PQstatus(conn_.get()) == CONNECTION_OK && PQtransactionStatus(conn_.get()) != PQTRANS_ACTIVE)
    TPgResult(PQexec(conn_.get(), "ROLLBACK"));
  if (trace_) PQuntrace(conn_.get());
}

std::string TPgConnection::Reason(const PGresult* res) const {
  std::string reason;
  if (res && PQresultStatus(res) == PGRES_FATAL_ERROR) {
    if (const char* primary = PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY)) reason = primary;
    if (const char* detail = PQresultErrorField(res, PG_DIAG_MESSAGE_DETAIL)) reason += std::string(" (") + detail + ")";
  }
  if (reason.empty()) reason = PQerrorMessage(conn_.get());
  if (PQstatus(conn_.get()) != CONNECTION_OK && !reason.starts_with("connection"))
    reason = "the connection to the server was lost: " + reason;
  reason = OneLine(reason);
  if (reason.empty()) reason = "unknown error";
  return WithoutPassword(reason, uri_);
}

void TPgConnection::MakeIdle() {
  if (streaming_) streaming_->ReadAhead();
}

TPgResult TPgConnection::Exec(const std::string& sql, const TPgParams* params, const std::string& context,
                              ExecStatusType expected) {
  MakeIdle();
  TPgResult res(params ? PQexecParams(conn_.get(), sql.c_str(), params->Count(), nullptr, params->values.data(),
                                      params->lengths.data(), params->formats.data(), 0)
                       : PQexec(conn_.get(), sql.c_str()));
  if (!res || PQresultStatus(res.get()) != expected) throw EDatabaseError(context + ": " + Reason(res.get()));
  return res;
}

std::unique_ptr<TStatement> TPgConnection::Prepare(const std::string& sql, const std::string& context,
                                                   bool perMasterRecord) {
  return std::make_unique<TPgStatement>(*this, sql, context, perMasterRecord);
}

std::optional<std::string> TPgConnection::FindTable(const std::string& name) {
  if (const auto known = tables_.find(name); known != tables_.end()) return known->second;
  TPgParams params({TCell::FromAnsi(name)});
  // An exact name first, then any spelling, among the tables the search path shows.
  TPgResult res = Exec(
      "SELECT c.relname FROM pg_catalog.pg_class c WHERE c.relkind IN ('r','v','m','p','f')"
      " AND pg_catalog.pg_table_is_visible(c.oid) AND lower(c.relname) = lower($1)"
      " ORDER BY c.relname = $1 DESC, c.relname LIMIT 1",
      &params, "Cannot read the tables of " + describe_);
  auto& found = tables_[name];
  if (PQntuples(res.get()) > 0) found = std::string(PQgetvalue(res.get(), 0, 0));
  return found;
}

std::vector<TColumnInfo> TPgConnection::TableColumns(const std::string& table) {
  if (const auto known = columns_.find(table); known != columns_.end()) return known->second;
  TPgParams params({TCell::FromUtf8(QuoteIdentifier(table))});
  TPgResult res = Exec(
      "SELECT a.attname, t.typname, t.typtype = 'd', CASE WHEN t.typtype = 'd' THEN t.typbasetype ELSE t.oid END"
      " FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_type t ON t.oid = a.atttypid"
      " WHERE a.attrelid = $1::regclass AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum",
      &params, "Cannot read the columns of table \"" + table + "\" of " + describe_);
  std::vector<TColumnInfo> out;
  for (int r = 0; r < PQntuples(res.get()); ++r)
    out.push_back({PQgetvalue(res.get(), r, 0),
                   DeclaredFor(PQgetvalue(res.get(), r, 1), PQgetvalue(res.get(), r, 2)[0] == 't',
                               static_cast<Oid>(std::strtoul(PQgetvalue(res.get(), r, 3), nullptr, 10)))});
  columns_[table] = out;
  return out;
}

std::string TPgConnection::StoredOrder(const std::string& table) {
  if (const auto known = storedOrders_.find(table); known != storedOrders_.end()) return known->second;
  TPgParams params({TCell::FromUtf8(QuoteIdentifier(table))});
  TPgResult res = Exec(
      "SELECT a.attname, c.relkind FROM pg_catalog.pg_class c"
      " LEFT JOIN pg_catalog.pg_index i ON i.indrelid = c.oid AND i.indisprimary"
      " LEFT JOIN LATERAL unnest(i.indkey) WITH ORDINALITY AS k(attnum, n) ON true"
      " LEFT JOIN pg_catalog.pg_attribute a ON a.attrelid = c.oid AND a.attnum = k.attnum"
      " WHERE c.oid = $1::regclass ORDER BY k.n",
      &params, "Cannot read the primary key of table \"" + table + "\" of " + describe_);
  // Tables without a primary key keep the order they were stored in; views have none.
  std::string order;
  for (int r = 0; r < PQntuples(res.get()); ++r)
    if (!PQgetisnull(res.get(), r, 0)) order += (order.empty() ? "" : ", ") + QuoteIdentifier(PQgetvalue(res.get(), r, 0));
  if (order.empty() && PQntuples(res.get()) > 0 && PQgetvalue(res.get(), 0, 1)[0] == 'r') order = "ctid";
  storedOrders_[table] = order;
  return order;
}

std::vector<std::string> TPgConnection::DeclaredTypes(const PGresult* description) {
  const int n = PQnfields(description);
  std::string tables;
  for (int c = 0; c < n; ++c)
    if (PQftable(description, c) != InvalidOid) tables += (tables.empty() ? "" : ",") + std::to_string(PQftable(description, c));
  std::map<std::pair<Oid, int>, std::string> declared;
  if (!tables.empty()) {
    TPgParams params({TCell::FromUtf8("{" + tables + "}")});
    TPgResult res = Exec(
        "SELECT a.attrelid, a.attnum, t.typname, t.typtype = 'd' FROM pg_catalog.pg_attribute a"
        " JOIN pg_catalog.pg_type t ON t.oid = a.atttypid WHERE a.attrelid = ANY ($1::oid[]) AND a.attnum > 0",
        &params, "Cannot read the column types of " + describe_);
    for (int r = 0; r < PQntuples(res.get()); ++r)
      if (PQgetvalue(res.get(), r, 3)[0] == 't')
        declared[{static_cast<Oid>(std::strtoul(PQgetvalue(res.get(), r, 0), nullptr, 10)),
                  std::atoi(PQgetvalue(res.get(), r, 1))}] = PQgetvalue(res.get(), r, 2);
  }
  std::vector<std::string> out;
  for (int c = 0; c < n; ++c) {
    const auto domain = declared.find({PQftable(description, c), PQftablecol(description, c)});
    out.push_back(domain != declared.end() ? DeclaredFor(domain->second, true, PQftype(description, c))
                                           : DeclaredFor(PQftype(description, c)));
  }
  return out;
}

const TPgConnection::TPrepared& TPgConnection::PrepareOnce(const std::string& sql, const std::string& context) {
  if (const auto known = prepared_.find(sql); known != prepared_.end()) return known->second;
  MakeIdle();
  TPrepared p{NextName("oxqr_s"), {}, {}};
  // A rejected statement must not abort the report's transaction for the other datasets.
  Exec("SAVEPOINT oxqr_prepare", nullptr, context, PGRES_COMMAND_OK);
  TPgResult prepared(PQprepare(conn_.get(), p.Name.c_str(), sql.c_str(), 0, nullptr));
  if (!prepared || PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) {
    const std::string reason = Reason(prepared.get());
    long offset = -1;
    if (const char* pos = prepared ? PQresultErrorField(prepared.get(), PG_DIAG_STATEMENT_POSITION) : nullptr)
      offset = ByteOffsetOfChar(sql, std::atol(pos));
    if (PQstatus(conn_.get()) == CONNECTION_OK) TPgResult(PQexec(conn_.get(), "ROLLBACK TO SAVEPOINT oxqr_prepare"));
    throw EStatementError(context + ": " + reason, offset);
  }
  Exec("RELEASE SAVEPOINT oxqr_prepare", nullptr, context, PGRES_COMMAND_OK);
  TPgResult description(PQdescribePrepared(conn_.get(), p.Name.c_str()));
  if (!description || PQresultStatus(description.get()) != PGRES_COMMAND_OK)
    throw EDatabaseError(context + ": " + Reason(description.get()));
  const std::vector<std::string> declared = DeclaredTypes(description.get());
  for (int c = 0; c < PQnfields(description.get()); ++c) {
    p.Columns.push_back({PQfname(description.get(), c), declared[static_cast<std::size_t>(c)]});
    p.Types.push_back(PQftype(description.get(), c));
  }
  return prepared_.emplace(sql, std::move(p)).first->second;
}

// ---- statement ---------------------------------------------------------------------

TPgStatement::TPgStatement(TPgConnection& conn, const std::string& sql, const std::string& context,
                           bool perMasterRecord)
    : conn_(conn), sql_(sql), context_(context), cursor_(conn.NextName("oxqr_c")), perMaster_(perMasterRecord) {
  const TPgConnection::TPrepared& prepared = conn_.PrepareOnce(sql_, context_);
  name_ = prepared.Name;
  columns_ = prepared.Columns;
  types_ = prepared.Types;
}

TPgStatement::~TPgStatement() {
  try {
    EndRead();
    DropQueued(false);
    // The prepared statement stays with the connection for the next statement of its text.
    if (closePending_ && PQstatus(conn_.Raw()) == CONNECTION_OK && !conn_.Streaming())
      TPgResult(PQexec(conn_.Raw(), ("CLOSE " + cursor_).c_str()));
  } catch (...) {  // the report has already failed or ended; the transaction ends with the connection
  }
}

void TPgStatement::Row(const PGresult* res, int r, std::vector<TCell>& row) const {
  row.clear();
  row.reserve(types_.size());
  for (int c = 0; c < static_cast<int>(types_.size()); ++c) row.push_back(ReadCell(res, r, c, types_[static_cast<std::size_t>(c)]));
}

void TPgStatement::Settle() {
  if (streaming_ || !sent_.empty()) return;
  if (PQpipelineStatus(conn_.Raw()) != PQ_PIPELINE_OFF) PQexitPipelineMode(conn_.Raw());
  if (conn_.Streaming() == this) conn_.SetStreaming(nullptr);
}

void TPgStatement::ReadSync() { TPgResult sync(PQgetResult(conn_.Raw())); }

void TPgStatement::EndRead() {
  ahead_.clear();
  batch_.reset();
  batchRow_ = 0;
  if (streaming_) {
    // The rest of the rows still arrive; they are read and dropped.
    while (TPgResult res{PQgetResult(conn_.Raw())}) {
    }
    ReadSync();
    streaming_ = false;
    Settle();
  }
  if (cursorOpen_) {
    // Closed on the way with the next opening (or when the statement goes): a round trip
    // less for every read.
    cursorOpen_ = false;
    closePending_ = true;
  }
}

void TPgStatement::DropQueued(bool checked) {
  std::string error;
  for (; !sent_.empty(); sent_.pop_front()) {
    PQsetSingleRowMode(conn_.Raw());  // a dropped result is never held whole
    while (TPgResult res{PQgetResult(conn_.Raw())})
      if (PQresultStatus(res.get()) == PGRES_FATAL_ERROR && error.empty()) error = conn_.Reason(res.get());
    ReadSync();
  }
  Settle();
  if (checked && !error.empty()) throw EDatabaseError(context_ + ": " + error);
}

void TPgStatement::Send(const TPgParams& params) {
  // Each execution ends at its own sync point, so that its rows can be read as a whole
  // read of their own, in order, while the later ones wait in the pipeline.
  if ((PQpipelineStatus(conn_.Raw()) == PQ_PIPELINE_OFF && !PQenterPipelineMode(conn_.Raw())) ||
      !PQsendQueryPrepared(conn_.Raw(), name_.c_str(), params.Count(), params.values.data(), params.lengths.data(),
                           params.formats.data(), 0) ||
      !PQpipelineSync(conn_.Raw()))
    throw EDatabaseError(context_ + ": " + conn_.Reason(nullptr));
  conn_.SetStreaming(this);
}

void TPgStatement::BeginRead() {
  // Rows arrive one at a time; in a pipeline the mode is chosen for each execution.
  PQsetSingleRowMode(conn_.Raw());
  streaming_ = true;
  conn_.SetStreaming(this);
}

void TPgStatement::Queue(const std::vector<TCell>& params) {
  TPgParams values(params);
  Send(values);
  sent_.push_back(std::move(values));
}

bool TPgStatement::Peek(std::size_t ahead, std::vector<TCell>& row) const {
  if (ahead == 0) return false;
  if (!ahead_.empty()) {
    if (ahead > ahead_.size()) return false;
    row = ahead_[ahead - 1];
    return true;
  }
  if (!batch_ || batchRow_ + static_cast<long>(ahead) - 1 >= PQntuples(batch_.get())) return false;
  Row(batch_.get(), batchRow_ + static_cast<int>(ahead) - 1, row);
  return true;
}

void TPgStatement::Execute(const std::vector<TCell>& params) {
  EndRead();
  TPgParams values(params);
  if (!perMaster_) {
    // A server-side cursor: rows come in batches as the cursor moves, and the connection
    // stays free for the detail statements between batches.
    OpenCursor(values);
    return;
  }
  // Prepared once, executed per master record: started ahead for this record already, or
  // now (the guesses for other records dropped).
  if (!sent_.empty() && sent_.front() == values) {
    sent_.pop_front();
  } else {
    DropQueued(true);
    conn_.MakeIdle();
    Send(values);
  }
  BeginRead();
}

void TPgStatement::OpenCursor(const TPgParams& values) {
  conn_.MakeIdle();
  PGconn* c = conn_.Raw();
  const std::string close = "CLOSE " + cursor_;
  const std::string declare = "DECLARE " + cursor_ + " NO SCROLL CURSOR FOR " + sql_;
  const std::string fetch = "FETCH FORWARD " + std::to_string(kRowsPerFetch) + " FROM " + cursor_;
  // One pipeline, one sync: the server answers the three at once.
  const bool sent = PQenterPipelineMode(c) &&
                    (!closePending_ || PQsendQueryParams(c, close.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0)) &&
                    PQsendQueryParams(c, declare.c_str(), values.Count(), nullptr, values.values.data(),
                                      values.lengths.data(), values.formats.data(), 0) &&
                    PQsendQueryParams(c, fetch.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0) && PQpipelineSync(c);
  std::string error = sent ? std::string() : conn_.Reason(nullptr);
  const int commands = closePending_ ? 3 : 2;
  closePending_ = false;
  for (int i = 0; sent && i < commands; ++i) {
    TPgResult res(PQgetResult(c));
    const ExecStatusType status = res ? PQresultStatus(res.get()) : PGRES_FATAL_ERROR;
    const bool last = i == commands - 1;
    if (status != (last ? PGRES_TUPLES_OK : PGRES_COMMAND_OK) && error.empty())
      error = status == PGRES_PIPELINE_ABORTED ? std::string("aborted") : conn_.Reason(res.get());
    if (last && error.empty()) batch_ = std::move(res);
    while (TPgResult rest{PQgetResult(c)}) {
    }
  }
  if (sent) ReadSync();
  PQexitPipelineMode(c);
  if (!error.empty()) {
    batch_.reset();
    throw EDatabaseError(context_ + ": " + error);
  }
  cursorOpen_ = true;
  batchRow_ = 0;
}

bool TPgStatement::FetchStreamed(std::vector<TCell>& row) {
  TPgResult res(PQgetResult(conn_.Raw()));
  const ExecStatusType status = res ? PQresultStatus(res.get()) : PGRES_FATAL_ERROR;
  if (status == PGRES_SINGLE_TUPLE) {
    Row(res.get(), 0, row);
    return true;
  }
  const std::string reason = status == PGRES_TUPLES_OK ? std::string() : conn_.Reason(res.get());
  res.reset();
  while (TPgResult rest{PQgetResult(conn_.Raw())}) {
  }
  ReadSync();
  streaming_ = false;
  if (status != PGRES_TUPLES_OK) {
    DropQueued(false);
    throw EDatabaseError(context_ + ": " + reason);
  }
  Settle();
  return false;
}

void TPgStatement::ReadAhead() {
  std::vector<TCell> row;
  while (streaming_ && FetchStreamed(row)) ahead_.push_back(std::move(row));
  DropQueued(true);
}

bool TPgStatement::Fetch(std::vector<TCell>& row) {
  if (!ahead_.empty()) {
    row = std::move(ahead_.front());
    ahead_.pop_front();
    return true;
  }
  if (streaming_) return FetchStreamed(row);
  if (!cursorOpen_) return false;
  if (!batch_ || batchRow_ >= PQntuples(batch_.get())) {
    const bool lastWasShort = batch_ && PQntuples(batch_.get()) < kRowsPerFetch;
    batch_.reset();
    if (!lastWasShort)
      batch_ = conn_.Exec("FETCH FORWARD " + std::to_string(kRowsPerFetch) + " FROM " + cursor_, nullptr, context_);
    batchRow_ = 0;
    if (!batch_ || PQntuples(batch_.get()) == 0) {
      EndRead();
      return false;
    }
  }
  Row(batch_.get(), batchRow_++, row);
  return true;
}

}  // namespace

std::shared_ptr<TConnection> OpenPgConnection(const std::string& uri) { return std::make_shared<TPgConnection>(uri); }

}  // namespace oxqr
