// TQuery over SQLite: named parameters bound as values, master-detail queries, field types
// of a result, errors naming the line; restricting tables and queries to one value.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "TestDatabases.h"
#include "data/Query.h"
#include "data/SqlParams.h"
#include "data/Table.h"

namespace oxqr {
namespace {

using test::ErrorOf;

void OpenQuery(TQuery& q, const std::string& sql, const std::string& db = test::DemoDatabase()) {
  q.DatabaseName = db;
  q.SQL = sql;
  q.Open();
}

int CountRecords(TDataSet& set) {
  int n = 0;
  for (set.First(); !set.Eof(); set.Next()) ++n;
  return n;
}

TEST(NamedParams, RewrittenOutsideQuotesAndComments) {
  const auto dollar = [](std::size_t n) { return "$" + std::to_string(n); };
  struct TCase {
    std::string Sql, Expected;
    std::vector<std::string> Names;
  } cases[] = {
      {"SELECT * FROM t WHERE a = :A AND b = :b OR a = :a", "SELECT * FROM t WHERE a = $1 AND b = $2 OR a = $1", {"A", "b"}},
      {"SELECT ':x', \":y\", x::text -- :z\nFROM t /* :w */ WHERE c=:c_1", "SELECT ':x', \":y\", x::text -- :z\nFROM t /* :w */ WHERE c=$1", {"c_1"}},
      {"SELECT 'it''s :no', $$ :no $$ WHERE k = :k;", "SELECT 'it''s :no', $$ :no $$ WHERE k = $1;", {"k"}},
      {"SELECT a[1:2], :1 FROM t", "SELECT a[1:2], :1 FROM t", {}},
  };
  for (const auto& c : cases) {
    const TNamedParamSql out = RewriteNamedParams(c.Sql, dollar);
    EXPECT_EQ(out.Sql, c.Expected);
    EXPECT_EQ(out.Names, c.Names) << c.Sql;
  }
}

TEST(Query, ParametersAreBoundAsValuesNeverAsText) {
  TQuery q;
  q.SetParam("Country", TCell::FromAnsi("US"));
  q.SetParam(":min", TCell::Integer(1200));
  OpenQuery(q, "SELECT CustNo, Company, Country FROM customer\nWHERE Country = :country AND CustNo >= :MIN ORDER BY CustNo");
  EXPECT_EQ(q.ParamNames(), (std::vector<std::string>{"country", "MIN"}));
  ASSERT_FALSE(q.IsEmpty());
  const int us = CountRecords(q);
  EXPECT_EQ(q.RecordCount(), us);
  for (q.First(); !q.Eof(); q.Next()) {
    EXPECT_EQ(q.FieldByName("country").AsString(), "US");
    EXPECT_GE(q.FieldByName("CustNo").AsInteger(), 1200);
  }
  // A quote in a value stays a value: nothing matches, nothing breaks.
  q.SetParam("country", TCell::FromAnsi("US' OR '1'='1"));
  EXPECT_TRUE(q.IsEmpty());
  EXPECT_EQ(q.RecordCount(), 0);
}

// Each row is read into the cells of the row before it: a value must not keep anything of
// the value that was there, whatever kinds and lengths follow one another in a column.
TEST(Query, EachRowReadsFreshWhateverCameBefore) {
  TQuery q;
  OpenQuery(q, "SELECT * FROM (VALUES ('a text well past the length kept inside a string', 7), ('b', 2),"
               " (NULL, NULL), (x'41', NULL), ('caf\xC3\xA9', 3), ('d', 4))");
  struct TRow {
    bool Null1;
    std::string Text1;
    bool Null2;
    std::int64_t Number2;
  };
  const TRow expected[] = {
      {false, "a text well past the length kept inside a string", false, 7},
      {false, "b", false, 2},
      {true, "", true, 0},
      {false, "A", true, 0},
      {false, "caf\xE9", false, 3},
      {false, "d", false, 4},
  };
  std::size_t i = 0;
  for (q.First(); !q.Eof(); q.Next(), ++i) {
    ASSERT_LT(i, std::size(expected));
    const TField& first = *q.Fields()[0];
    const TField& second = *q.Fields()[1];
    EXPECT_EQ(first.IsNull(), expected[i].Null1) << i;
    EXPECT_EQ(first.AsString(), expected[i].Text1) << i;
    EXPECT_EQ(second.IsNull(), expected[i].Null2) << i;
    EXPECT_EQ(second.AsInteger(), expected[i].Number2) << i;
  }
  EXPECT_EQ(i, std::size(expected));
}

TEST(Query, FieldTypesFollowTheResultsDeclaredTypes) {
  TQuery q;
  OpenQuery(q, "SELECT e.EventNo, e.Event_Date, e.Ticket_price, e.Event_Photo, count(*) AS n, avg(Ticket_price) AS mean,"
               " 'x' || Event_Name AS label FROM events e GROUP BY e.EventNo ORDER BY e.EventNo");
  EXPECT_EQ(q.FieldByName("EventNo").DataType, TFieldType::ftAutoInc);
  EXPECT_EQ(q.FieldByName("Event_Date").DataType, TFieldType::ftDate);
  EXPECT_EQ(q.FieldByName("Ticket_price").DataType, TFieldType::ftCurrency);
  EXPECT_EQ(q.FieldByName("Event_Photo").DataType, TFieldType::ftGraphic);
  EXPECT_EQ(q.FieldByName("n").DataType, TFieldType::ftLargeint);
  EXPECT_EQ(q.FieldByName("mean").DataType, TFieldType::ftFloat);
  EXPECT_EQ(q.FieldByName("label").DataType, TFieldType::ftString);
  EXPECT_EQ(q.FieldByName("n").AsInteger(), 1);
}

TEST(Query, DetailTakesUnsetParametersFromTheMastersCurrentRecord) {
  TTable customers;
  customers.DatabaseName = test::DemoDatabase();
  customers.TableName = "customer";
  customers.Open();
  TDataSource source{&customers};
  TQuery orders;
  orders.MasterSource = &source;
  OpenQuery(orders, "SELECT OrderNo, CustNo FROM orders WHERE CustNo = :CustNo ORDER BY OrderNo");
  std::set<std::int64_t> seen;
  for (customers.First(); !customers.Eof(); customers.Next()) {
    int n = 0;
    for (orders.First(); !orders.Eof(); orders.Next(), ++n) {
      EXPECT_EQ(orders.FieldByName("CustNo").AsInteger(), customers.FieldByName("CustNo").AsInteger());
      EXPECT_TRUE(seen.insert(orders.FieldByName("OrderNo").AsInteger()).second);
    }
    EXPECT_EQ(orders.RecordCount(), n);
  }
  EXPECT_EQ(seen.size(), 200u);

  // A parameter set explicitly wins over the master's field.
  orders.SetParam("custno", TCell::Integer(-1));
  customers.First();
  orders.First();
  EXPECT_TRUE(orders.IsEmpty());
  // A master without a current record leaves the detail empty.
  customers.Close();
  orders.ClearParams();
  orders.First();
  EXPECT_TRUE(orders.Eof());
}

TEST(Query, ErrorsNameTheDatabaseTheQueryAndTheLine) {
  TQuery q;
  q.QueryName = "Orders";
  const std::string syntax = ErrorOf([&] { OpenQuery(q, "SELECT OrderNo\nFROM orders\nWHERE OrderNo >> FROM"); });
  EXPECT_NE(syntax.find(test::DemoDatabase()), std::string::npos) << syntax;
  EXPECT_NE(syntax.find("\"Orders\""), std::string::npos) << syntax;
  EXPECT_NE(syntax.find("line 3"), std::string::npos) << syntax;
  EXPECT_FALSE(q.Active());

  const std::string column = ErrorOf([&] { OpenQuery(q, "SELECT OrderNo,\n  Nonsense FROM orders"); });
  EXPECT_NE(column.find("Nonsense"), std::string::npos) << column;

  const std::string unset = ErrorOf([&] { OpenQuery(q, "SELECT * FROM orders WHERE CustNo = :Cust"); });
  EXPECT_NE(unset.find(":Cust"), std::string::npos) << unset;

  EXPECT_NE(ErrorOf([&] { OpenQuery(q, " ;\n"); }).find("no SQL"), std::string::npos);
}

TEST(Restriction, KeepsOnlyTheRecordsOfOneValueInTablesAndQueries) {
  TTable table;
  table.DatabaseName = test::DemoDatabase();
  table.TableName = "customer";
  TQuery query;
  query.DatabaseName = test::DemoDatabase();
  query.SQL = "SELECT Company, Country, Addr2 FROM customer ORDER BY Company;";
  TQuery unrestricted;
  OpenQuery(unrestricted, "SELECT Country, count(*) AS n, sum(Addr2 IS NULL) AS noAddr2 FROM customer GROUP BY Country");
  ASSERT_GT(unrestricted.RecordCount(), 1);
  int total = 0;
  for (TCellDataSet* set : {static_cast<TCellDataSet*>(&table), static_cast<TCellDataSet*>(&query)}) {
    set->Restrict("country", TCell::FromAnsi("US"));  // before opening
    set->Open();
    for (unrestricted.First(); !unrestricted.Eof(); unrestricted.Next()) {
      const std::string country = unrestricted.FieldByName("Country").AsString();
      set->Restrict("Country", TCell::FromAnsi(country));  // an open set reads again
      EXPECT_EQ(CountRecords(*set), unrestricted.FieldByName("n").AsInteger()) << country;
      EXPECT_EQ(set->RecordCount(), unrestricted.FieldByName("n").AsInteger()) << country;
      for (set->First(); !set->Eof(); set->Next()) EXPECT_EQ(set->FieldByName("Country").AsString(), country);
    }
    set->Restrict("Addr2", TCell::Null());
    int noAddr2 = 0;
    for (unrestricted.First(); !unrestricted.Eof(); unrestricted.Next())
      noAddr2 += static_cast<int>(unrestricted.FieldByName("noAddr2").AsInteger());
    EXPECT_EQ(CountRecords(*set), noAddr2);
    set->ClearRestriction();
    EXPECT_EQ(set->RecordCount(), 50);
    total += CountRecords(*set);
    const std::string missing = ErrorOf([&] { set->Restrict("Planet", TCell::FromAnsi("Mars")); });
    EXPECT_NE(missing.find("Planet"), std::string::npos) << missing;
    set->ClearRestriction();
  }
  EXPECT_EQ(total, 100);
}

}  // namespace
}  // namespace oxqr
