#include "PgTestServer.h"

#include <libpq-fe.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <stdexcept>
#include <vector>

#include "data/Postgres.h"
#include "data/tools/DemoDataBuilder.h"

namespace oxqr::test {

namespace {

// Drops the databases a program made when it ends.
struct TMadeDatabases {
  std::vector<std::pair<std::string, std::string>> Made;  // server URI, database
  ~TMadeDatabases() {
    for (const auto& [server, name] : Made) {
      try {
        PgExec(server, "DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
      } catch (const std::exception&) {  // a stopped server takes its databases with it
      }
    }
  }
};

TMadeDatabases& Made() {
  static TMadeDatabases made;
  return made;
}

}  // namespace

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string PgServerUri() { return Env("OXQR_TEST_POSTGRES_URI"); }

std::string PgUriWithDatabase(const std::string& uri, const std::string& name) {
  const auto authority = uri.find("://") + 3;
  const auto path = uri.find('/', authority);
  const auto query = uri.find('?', authority);
  const std::string head = uri.substr(0, std::min(path, query));
  return head + "/" + name + (query == std::string::npos ? "" : uri.substr(query));
}

void PgExec(const std::string& uri, const std::string& sql) {
  TPgConn conn(PQconnectdb(uri.c_str()));
  if (PQstatus(conn.get()) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(conn.get()));
  PQsetNoticeProcessor(conn.get(), [](void*, const char*) {}, nullptr);  // "does not exist, skipping"
  TPgResult res(PQexec(conn.get(), sql.c_str()));
  const ExecStatusType status = PQresultStatus(res.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
    throw std::runtime_error(sql.substr(0, 60) + ": " + PQerrorMessage(conn.get()));
}

std::string PgNewDatabase(const std::string& serverUri, const std::string& stem) {
  const std::string name = "oxqr_" + stem + "_" + std::to_string(::getpid()) + "_" + std::to_string(Made().Made.size());
  PgExec(serverUri, "DROP DATABASE IF EXISTS " + name);
  PgExec(serverUri, "CREATE DATABASE " + name);
  Made().Made.emplace_back(serverUri, name);
  return PgUriWithDatabase(serverUri, name);
}

std::string PgDemoDatabase(int scale) {
  static std::map<int, std::string> made;
  auto& uri = made[scale];
  if (uri.empty()) {
    uri = PgNewDatabase(PgServerUri(), "demo" + std::to_string(scale));
    BuildDemoServerDatabase(uri, {scale}, false);
  }
  return uri;
}

}  // namespace oxqr::test
