#pragma once
// The PostgreSQL servers of a test run (started by ./run test, see
// tests/postgres/test-server.sh) and databases made on them for one test program.
#include <string>

#include <gtest/gtest.h>

namespace oxqr::test {

// An environment variable of the test run; empty when unset.
std::string Env(const char* name);
// The main server's URI (OXQR_TEST_POSTGRES_URI, over its Unix socket), empty when none runs.
std::string PgServerUri();
// `uri` with database `name` in place of its own.
std::string PgUriWithDatabase(const std::string& uri, const std::string& name);
// Runs `sql` on `uri`; throws std::runtime_error with the server's message.
void PgExec(const std::string& uri, const std::string& sql);
// A new database on the server of `serverUri`, dropped when the program ends; its URI.
std::string PgNewDatabase(const std::string& serverUri, const std::string& stem);
// A database on the main server holding DEMODATA at `scale` (made once per program).
std::string PgDemoDatabase(int scale = 1);

}  // namespace oxqr::test

#define OXQR_REQUIRE_POSTGRES()                                                                   \
  do {                                                                                           \
    if (::oxqr::test::PgServerUri().empty())                                                     \
      GTEST_SKIP() << "no PostgreSQL test server (OXQR_TEST_POSTGRES_URI); ./run test starts one"; \
  } while (false)
