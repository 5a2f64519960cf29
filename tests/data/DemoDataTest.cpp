// The sample database builder: reproducible output, scaling and the linking the
// master-detail report relies on.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>

#include "TestDatabases.h"
#include "data/Table.h"
#include "data/tools/DemoDataBuilder.h"

namespace oxqr {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(DemoData, SameScaleGivesTheSameFile) {
  const std::string again = test::TempPath("_again.sqlite");
  BuildDemoDatabase(again);
  const std::string a = ReadFile(test::DemoDatabase());
  ASSERT_FALSE(a.empty());
  EXPECT_TRUE(a == ReadFile(again));
}

TEST(DemoData, ScaleMultipliesCustomersAndOrders) {
  const std::string scaled = test::TempPath("_scale3.sqlite");
  BuildDemoDatabase(scaled, {3});
  TTable customers, orders, events;
  for (auto* t : {&customers, &orders, &events}) t->DatabaseName = scaled;
  customers.TableName = "customer";
  orders.TableName = "orders";
  events.TableName = "events";
  customers.Open();
  orders.Open();
  events.Open();
  EXPECT_EQ(customers.RecordCount(), 150);
  EXPECT_EQ(orders.RecordCount(), 600);
  EXPECT_EQ(events.RecordCount(), 14);
  // Order numbers start at 1001 and every order names an existing customer.
  orders.First();
  EXPECT_EQ(orders.FieldByName("OrderNo").AsInteger(), 1001);
  std::set<std::int64_t> custNos;
  for (customers.First(); !customers.Eof(); customers.Next()) custNos.insert(customers.FieldByName("CustNo").AsInteger());
  EXPECT_EQ(custNos.size(), 150u);
  for (orders.First(); !orders.Eof(); orders.Next())
    ASSERT_TRUE(custNos.count(orders.FieldByName("CustNo").AsInteger()));
}

TEST(DemoData, RejectsAScaleBelowOne) {
  EXPECT_THROW(BuildDemoDatabase(test::TempPath("_zero.sqlite"), {0}), std::runtime_error);
}

}  // namespace
}  // namespace oxqr
