// The invoice per order of LookupTest.cpp over a PostgreSQL server (label postgres): the
// customer looked up for each order is its own there too.
#include <gtest/gtest.h>

#include "../LookupFixture.h"
#include "OxQrExport/core/Settings.h"
#include "tests/data/PgTestServer.h"

namespace oxqr {
namespace {

TEST(DefinitionLookupPostgres, EachInvoiceShowsItsOwnCustomerFromTheServer) {
  OXQR_REQUIRE_POSTGRES();
  InitializeExportLibrary();
  const std::string uri = test::PgNewDatabase(test::PgServerUri(), "lookup");
  test::PgExec(uri, test::kInvoiceSql);
  test::TScratchDir dir("lookup-pg");
  for (const auto& lookup : test::LookupCases())
    EXPECT_EQ(test::InvoiceLines(lookup, uri, dir.Path), test::kInvoiceLines) << lookup.Name;
}

}  // namespace
}  // namespace oxqr
