// A dataset linked to the report's records only to look one up (an order's customer) follows
// every record, not only the first; a sub-detail band over a linked dataset still lists all
// its records.
#include <gtest/gtest.h>

#include "LookupFixture.h"
#include "OxQrExport/core/Settings.h"
#include "tests/data/TestDatabases.h"

namespace oxqr {
namespace {

TEST(DefinitionLookup, EachInvoiceShowsItsOwnCustomerFromSqlite) {
  InitializeExportLibrary();
  test::TScratchDir dir("lookup");
  const std::string db = (dir.Path / "shop.sqlite").string();
  test::CreateDatabase(db, test::kInvoiceSql);
  for (const auto& lookup : test::LookupCases())
    EXPECT_EQ(test::InvoiceLines(lookup, db, dir.Path), test::kInvoiceLines) << lookup.Name;
}

}  // namespace
}  // namespace oxqr
