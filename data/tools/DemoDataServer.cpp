// The DEMODATA tables on a PostgreSQL server: created from schema-postgres.sql and filled
// with COPY (one stream per table), all in one transaction.
#include <libpq-fe.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "data/Postgres.h"
#include "data/tools/DemoDataBuilder.h"
#include "data/tools/DemoDataSources.h"

namespace oxqr {

namespace {

const char* const kTables = "customer, orders, events, animals";
const char* const kTypes = "currency, memo, graphic, autoinc";

// One value in COPY's text format: \N for null, backslash escapes for control characters.
void AppendCopyValue(std::string& line, const TDemoValue& v) {
  switch (v.Kind) {
    case TDemoValue::TKind::Null: line += "\\N"; return;
    case TDemoValue::TKind::Int: line += std::to_string(v.Int); return;
    case TDemoValue::TKind::Real: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.17g", v.Real);
      line += buf;
      return;
    }
    case TDemoValue::TKind::Blob: {
      static const char kHex[] = "0123456789abcdef";
      line += "\\\\x";
      for (unsigned char c : v.Text) {
        line += kHex[c >> 4];
        line += kHex[c & 15];
      }
      return;
    }
    case TDemoValue::TKind::Text:
      for (char c : v.Text) {
        switch (c) {
          case '\\': line += "\\\\"; break;
          case '\n': line += "\\n"; break;
          case '\r': line += "\\r"; break;
          case '\t': line += "\\t"; break;
          default: line += c;
        }
      }
      return;
  }
}

class TServerWriter final : public TDemoWriter {
 public:
  explicit TServerWriter(const std::string& uri) : uri_(uri) {
    if (auto error = ServerUriError(uri)) throw std::runtime_error("malformed database URI: " + *error);
    const char* keys[] = {"connect_timeout", "fallback_application_name", "dbname", "client_encoding", nullptr};
    const char* values[] = {"10", "oxqr-demodata", uri.c_str(), "UTF8", nullptr};
    conn_.reset(PQconnectdbParams(keys, values, 1));
    if (!conn_) throw std::runtime_error("cannot connect: out of memory");
    const char* host = PQhost(conn_.get());
    const char* port = PQport(conn_.get());
    server_ = std::string("server ") + (host && *host ? host : "localhost") + ":" + (port && *port ? port : "5432") +
              ", database \"" + (PQdb(conn_.get()) ? PQdb(conn_.get()) : "") + "\"";
    if (PQstatus(conn_.get()) != CONNECTION_OK) Fail("cannot connect to " + server_, nullptr);
  }

  void Exec(const std::string& sql, ExecStatusType expected = PGRES_COMMAND_OK) {
    TPgResult res(PQexec(conn_.get(), sql.c_str()));
    if (!res || PQresultStatus(res.get()) != expected) Fail("cannot load the sample data into " + server_, res.get());
  }

  // How many of the sample tables and types exist already in the current schema.
  int Existing() {
    TPgResult res(PQexec(conn_.get(),
                         "SELECT count(*) FROM pg_catalog.pg_class c WHERE c.relnamespace = current_schema()::regnamespace"
                         " AND c.relname IN ('customer','orders','events','animals')"
                         " UNION ALL SELECT count(*) FROM pg_catalog.pg_type t"
                         " WHERE t.typnamespace = current_schema()::regnamespace"
                         " AND t.typname IN ('currency','memo','graphic','autoinc')"));
    if (!res || PQresultStatus(res.get()) != PGRES_TUPLES_OK || PQntuples(res.get()) != 2)
      Fail("cannot read the tables of " + server_, res.get());
    return std::atoi(PQgetvalue(res.get(), 0, 0)) + std::atoi(PQgetvalue(res.get(), 1, 0));
  }

  void Insert(const std::string& table, const std::vector<TDemoValue>& values) override {
    if (table != copying_) {
      EndCopy();
      Exec("COPY " + table + " FROM STDIN", PGRES_COPY_IN);
      copying_ = table;
    }
    line_.clear();
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i) line_ += '\t';
      AppendCopyValue(line_, values[i]);
    }
    line_ += '\n';
    if (PQputCopyData(conn_.get(), line_.data(), static_cast<int>(line_.size())) != 1)
      Fail("cannot load table " + table + " into " + server_, nullptr);
  }

  void EndCopy() {
    if (copying_.empty()) return;
    const std::string table = copying_;
    copying_.clear();
    if (PQputCopyEnd(conn_.get(), nullptr) != 1) Fail("cannot load table " + table + " into " + server_, nullptr);
    TPgResult res(PQgetResult(conn_.get()));
    const bool ok = res && PQresultStatus(res.get()) == PGRES_COMMAND_OK;
    while (TPgResult rest{PQgetResult(conn_.get())}) {
    }
    if (!ok) Fail("cannot load table " + table + " into " + server_, res.get());
  }

  [[noreturn]] void Fail(const std::string& what, const PGresult* res) {
    const char* primary = res ? PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    std::string reason = primary ? primary : PQerrorMessage(conn_.get());
    for (char& c : reason)
      if (c == '\n' || c == '\t') c = ' ';
    while (!reason.empty() && reason.back() == ' ') reason.pop_back();
    throw std::runtime_error(WithoutPassword(what + ": " + reason, uri_));
  }

  const std::string& Server() const { return server_; }

 private:
  std::string uri_, server_, copying_, line_;
  TPgConn conn_;
};

}  // namespace

void BuildDemoServerDatabase(const std::string& uri, const TDemoDataOptions& options, bool replace) {
  if (options.Scale < 1) throw std::runtime_error("scale must be 1 or more");
  TServerWriter w(uri);
  // Nothing is kept unless everything is loaded: the transaction ends with COMMIT only
  // after the last row (an error closes the connection and the server rolls back).
  w.Exec("BEGIN");
  if (w.Existing() > 0) {
    if (!replace)
      throw std::runtime_error("tables (" + std::string(kTables) + ") or types (" + kTypes + ") exist already in " +
                               w.Server() + "; --replace drops and loads them again");
    w.Exec(std::string("DROP TABLE IF EXISTS ") + kTables + " CASCADE");
    w.Exec(std::string("DROP DOMAIN IF EXISTS ") + kTypes);
  }
  w.Exec(std::string(demodata::Source("schema-postgres.sql")));
  WriteDemoData(w, options);
  w.EndCopy();
  w.Exec("ANALYZE customer; ANALYZE orders; ANALYZE events; ANALYZE animals");
  w.Exec("COMMIT");
}

}  // namespace oxqr
