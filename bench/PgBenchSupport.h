#pragma once
// The PostgreSQL server of the benchmarks (OXQR_BENCH_POSTGRES_URI or OXQR_TEST_POSTGRES_URI)
// and DEMODATA at a scale loaded into a database of its own there, once.
#include <libpq-fe.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>

#include "data/Postgres.h"
#include "data/tools/DemoDataBuilder.h"

namespace oxqr::bench {

// The server's URI; empty when none is named.
inline std::string ServerUri() {
  for (const char* name : {"OXQR_BENCH_POSTGRES_URI", "OXQR_TEST_POSTGRES_URI"})
    if (const char* v = std::getenv(name); v && *v) return v;
  return {};
}

// `uri` naming database `name` instead of its own.
inline std::string WithDatabase(const std::string& uri, const std::string& name) {
  const auto authority = uri.find("://") + 3;
  const auto end = std::min(uri.find('/', authority), uri.find('?', authority));
  const auto query = uri.find('?', authority);
  return uri.substr(0, end) + "/" + name + (query == std::string::npos ? "" : uri.substr(query));
}

// DEMODATA at `scale` in database oxqr_bench_x<scale> of the server, loaded (when not
// there from an earlier run) by a child process (so that loading does not count in the peak RSS).
inline std::string ServerDatabaseAtScale(int scale) {
  static std::map<int, std::string> loaded;
  if (auto it = loaded.find(scale); it != loaded.end()) return it->second;
  const std::string name = "oxqr_bench_x" + std::to_string(scale);
  {
    TPgConn conn(PQconnectdb(ServerUri().c_str()));
    TPgResult exists(PQexec(conn.get(), ("SELECT 1 FROM pg_database WHERE datname = '" + name + "'").c_str()));
    if (PQntuples(exists.get()) == 0) TPgResult(PQexec(conn.get(), ("CREATE DATABASE " + name).c_str()));
  }
  const std::string uri = WithDatabase(ServerUri(), name);
  {
    // Loaded by an earlier run: 50 customers per scale.
    TPgConn conn(PQconnectdb(uri.c_str()));
    TPgResult count(PQexec(conn.get(), "SELECT count(*) FROM customer"));
    if (PQresultStatus(count.get()) == PGRES_TUPLES_OK && std::atoi(PQgetvalue(count.get(), 0, 0)) == 50 * scale)
      return loaded[scale] = uri;
  }
  const pid_t child = fork();
  if (child == 0) {
    int rc = 0;
    try {
      BuildDemoServerDatabase(uri, {scale}, true);
    } catch (...) {
      rc = 1;
    }
    _exit(rc);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("could not load the sample data into " + name);
  return loaded[scale] = uri;
}

}  // namespace oxqr::bench
