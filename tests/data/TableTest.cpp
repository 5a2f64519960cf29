// TTable over SQLite: master-detail linking, field types and display, text conversion,
// blobs, and the errors that name what is missing.
#include <gtest/gtest.h>

#include <QImage>

#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "TestDatabases.h"
#include "data/Table.h"
#include "platform/Locale.h"
#include "platform/Streams.h"

namespace oxqr {
namespace {

void OpenTable(TTable& t, const std::string& name, const std::string& db = test::DemoDatabase()) {
  t.DatabaseName = db;
  t.TableName = name;
  t.Open();
}

using test::ErrorOf;

TEST(TableMasterDetail, EveryOrderAppearsOnceUnderItsCustomer) {
  TTable customers, orders, all;
  OpenTable(customers, "customer.db");
  TDataSource source{&customers};
  orders.MasterSource = &source;
  orders.MasterFields = "CustNo";
  orders.IndexName = "CustNo";
  OpenTable(orders, "orders.db");
  OpenTable(all, "orders");

  std::set<std::int64_t> seen;
  int customersWithoutOrders = 0;
  for (customers.First(); !customers.Eof(); customers.Next()) {
    const std::int64_t custNo = customers.FieldByName("CustNo").AsInteger();
    orders.First();
    if (orders.IsEmpty()) {
      ++customersWithoutOrders;
      EXPECT_TRUE(orders.Eof());
      EXPECT_EQ(orders.FieldByName("OrderNo").DisplayText(), "");
    }
    std::int64_t previous = 0;
    for (; !orders.Eof(); orders.Next()) {
      EXPECT_EQ(orders.FieldByName("custno").AsInteger(), custNo);
      const std::int64_t orderNo = orders.FieldByName("OrderNo").AsInteger();
      EXPECT_GT(orderNo, previous) << "orders of one customer come in table order";
      previous = orderNo;
      EXPECT_TRUE(seen.insert(orderNo).second) << "order " << orderNo << " listed twice";
    }
  }
  EXPECT_EQ(static_cast<int>(seen.size()), all.RecordCount());
  EXPECT_EQ(all.RecordCount(), 200);
  EXPECT_EQ(customers.RecordCount(), 50);
  EXPECT_GT(customersWithoutOrders, 0);
}

// Records are read as the cursor moves: numbering, the count of the current detail set, the
// last record kept at Eof and a fresh start on First() must all behave as with a loaded list.
TEST(TableMasterDetail, CursorCountsAndRestartsWhileReadingAsItMoves) {
  TTable customers, orders;
  OpenTable(customers, "customer.db");
  TDataSource source{&customers};
  orders.MasterSource = &source;
  orders.MasterFields = "CustNo";
  orders.IndexName = "CustNo";
  OpenTable(orders, "orders.db");

  int withOrders = 0;
  for (customers.First(); !customers.Eof(); customers.Next()) {
    orders.First();
    int n = 0;
    std::int64_t last = 0;
    for (; !orders.Eof(); orders.Next()) {
      EXPECT_EQ(orders.RecNo(), ++n);
      last = orders.FieldByName("OrderNo").AsInteger();
    }
    EXPECT_EQ(orders.RecordCount(), n) << "customer " << customers.RecNo();
    if (n == 0) continue;
    ++withOrders;
    EXPECT_EQ(orders.FieldByName("OrderNo").AsInteger(), last) << "Eof keeps the last record";
    orders.First();
    EXPECT_EQ(orders.RecNo(), 1);
  }
  EXPECT_EQ(customers.RecNo(), 50);
  EXPECT_GT(withOrders, 0);
  customers.First();
  EXPECT_EQ(customers.RecNo(), 1);
  EXPECT_EQ(customers.RecordCount(), 50);
}

TEST(TableMasterDetail, DetailOfAnEmptyOrClosedMasterIsEmpty) {
  const std::string db = test::TempPath(".sqlite");
  test::CreateDatabase(db,
                       "CREATE TABLE m (K INTEGER); CREATE TABLE d (K INTEGER, V VARCHAR(5));"
                       "INSERT INTO d VALUES (1, 'a');");
  TTable master, detail;
  OpenTable(master, "m", db);
  TDataSource source{&master};
  detail.MasterSource = &source;
  detail.MasterFields = "K";
  OpenTable(detail, "d", db);
  EXPECT_TRUE(detail.IsEmpty());
  master.Close();
  detail.First();
  EXPECT_TRUE(detail.Eof());
}

// A detail nobody iterates follows its master as the master moves and reopens (a lookup), a
// second detail of the same master too, and one that closes or goes away is forgotten.
TEST(TableMasterDetail, DetailFollowsEveryMoveOfItsMasterUntilItCloses) {
  const std::string db = test::TempPath(".sqlite");
  test::CreateDatabase(db,
                       "CREATE TABLE m (K INTEGER); INSERT INTO m VALUES (2), (1), (3);"
                       "CREATE TABLE d (K INTEGER, V VARCHAR(5)); INSERT INTO d VALUES (1, 'a'), (2, 'b'), (2, 'c');");
  TTable master;
  OpenTable(master, "m", db);
  TDataSource source{&master};
  TTable lookup;
  lookup.MasterSource = &source;
  lookup.MasterFields = "K";
  OpenTable(lookup, "d", db);
  auto gone = std::make_unique<TTable>();
  gone->MasterSource = &source;
  gone->MasterFields = "K";
  OpenTable(*gone, "d", db);
  TTable closed;
  closed.MasterSource = &source;
  closed.MasterFields = "K";
  OpenTable(closed, "d", db);
  closed.Close();
  gone.reset();

  std::vector<std::string> seen;
  for (master.First(); !master.Eof(); master.Next()) seen.push_back(lookup.FieldByName("V").AsString());
  EXPECT_EQ(seen, (std::vector<std::string>{"b", "a", ""}));  // the first of each, none for 3
  EXPECT_EQ(lookup.FieldByName("V").AsString(), "") << "past the last master record the detail stays";
  master.Restrict("K", TCell::Integer(2));
  EXPECT_EQ(lookup.FieldByName("V").AsString(), "b");
  lookup.Next();
  EXPECT_EQ(lookup.FieldByName("V").AsString(), "c");
  lookup.First();  // moved since the master's move: reads again
  EXPECT_EQ(lookup.FieldByName("V").AsString(), "b");
  EXPECT_FALSE(closed.Active());
}

TEST(TableFields, TypesFollowTheDeclaredColumnTypes) {
  TTable events, orders, animals;
  OpenTable(events, "events.db");
  OpenTable(orders, "orders.db");
  OpenTable(animals, "animals.dbf");
  const std::map<std::string, TFieldType> expected = {
      {"Event_Date", TFieldType::ftDate},        {"Event_Time", TFieldType::ftTime},
      {"Event_Description", TFieldType::ftMemo}, {"Ticket_price", TFieldType::ftCurrency},
      {"Event_Photo", TFieldType::ftGraphic},    {"EventNo", TFieldType::ftAutoInc},
      {"Event_Name", TFieldType::ftString}};
  for (const auto& [name, type] : expected) EXPECT_EQ(events.FieldByName(name).DataType, type) << name;
  EXPECT_EQ(orders.FieldByName("SaleDate").DataType, TFieldType::ftDateTime);
  EXPECT_EQ(orders.FieldByName("AmountPaid").DataType, TFieldType::ftCurrency);
  EXPECT_EQ(orders.FieldByName("TaxRate").DataType, TFieldType::ftFloat);
  EXPECT_EQ(animals.FieldByName("WEIGHT").DataType, TFieldType::ftSmallint);
  EXPECT_EQ(animals.RecordCount(), 10);
}

// A table built in code with one value of every kind the reports print.
class TableValues : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDecimalSeparator('.');
    SetThousandSeparator(',');
    db_ = test::TempPath(".sqlite");
    test::CreateDatabase(db_,
                         "CREATE TABLE t (Name VARCHAR(20), Price CURRENCY, Day DATE, At TIME, Stamp DATETIME,"
                         " Midnight DATETIME, Flag BOOLEAN, Note MEMO, Qty SMALLINT, Ratio FLOAT, OrderNo INTEGER);"
                         "INSERT INTO t VALUES ('Café Zoë Müller Ω', 1234.5, '2026-03-05', '14:07:00',"
                         " '2026-03-05 14:07:00', '2026-03-05 00:00:00', 1, 'one' || char(13, 10) || 'two', 7,"
                         " 0.25, 1003);"
                         "INSERT INTO t (Name) VALUES (NULL);");
    OpenTable(t_, "t.db", db_);
  }
  std::string db_;
  TTable t_;
};

TEST_F(TableValues, DefaultDisplayAndFormats) {
  EXPECT_EQ(t_.FieldByName("Price").DisplayText(), "$1,234.50");
  EXPECT_EQ(t_.FieldByName("Price").AsString(), "1234.5");
  EXPECT_EQ(t_.FieldByName("Day").DisplayText(), "3/5/2026");
  EXPECT_EQ(t_.FieldByName("At").DisplayText(), "2:07:00 PM");
  EXPECT_EQ(t_.FieldByName("Stamp").DisplayText(), "3/5/2026 2:07:00 PM");
  EXPECT_EQ(t_.FieldByName("Midnight").DisplayText(), "3/5/2026");
  EXPECT_EQ(t_.FieldByName("Flag").DisplayText(), "True");
  EXPECT_EQ(t_.FieldByName("Qty").DisplayText(), "7");
  EXPECT_EQ(t_.FieldByName("Ratio").DisplayText(), "0.25");
  EXPECT_DOUBLE_EQ(t_.FieldByName("Day").AsFloat(), 46086.0);

  t_.FieldByName("OrderNo").DisplayFormat = "'#'0000";
  t_.FieldByName("Day").DisplayFormat = "dd/mm/yyyy";
  t_.FieldByName("Price").DisplayFormat = "#,##0.0";
  EXPECT_EQ(t_.FieldByName("OrderNo").DisplayText(), "#1003");
  EXPECT_EQ(t_.FieldByName("Day").DisplayText(), "05/03/2026");
  EXPECT_EQ(t_.FieldByName("Price").DisplayText(), "1,234.5");

  // A display format survives closing and opening the table again.
  t_.Close();
  t_.Open();
  EXPECT_EQ(t_.FieldByName("OrderNo").DisplayText(), "#1003");

  t_.Next();
  EXPECT_FALSE(t_.Eof());
  EXPECT_TRUE(t_.FieldByName("Price").IsNull());
  EXPECT_EQ(t_.FieldByName("Price").DisplayText(), "");
  t_.Next();
  EXPECT_TRUE(t_.Eof());
}

TEST_F(TableValues, TextIsConvertedToAnsi) {
  // é, ë and ü are single bytes of code page 1252; Ω is not in it and becomes '?'.
  EXPECT_EQ(t_.FieldByName("Name").AsString(), "Caf\xE9 Zo\xEB M\xFCller ?");
  EXPECT_EQ(t_.FieldByName("name").DisplayText(), t_.FieldByName("Name").AsString());
  // Memo paragraphs come as '\n'-separated lines; the raw bytes keep what was stored.
  EXPECT_EQ(t_.FieldByName("Note").DisplayText(), "one\ntwo");
  EXPECT_EQ(t_.FieldByName("Note").AsBytes(), "one\r\ntwo");
}

TEST(TableBlobs, EventPhotoStreamDecodesAsAPicture) {
  TTable events;
  OpenTable(events, "events.db");
  int pictures = 0;
  for (events.First(); !events.Eof(); events.Next()) {
    const TField& photo = events.FieldByName("Event_Photo");
    ASSERT_TRUE(photo.IsBlob());
    const std::string bytes = photo.CreateBlobStream()->ReadAll();
    ASSERT_EQ(bytes.substr(0, 2), "BM");
    const QImage image = QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(image.width(), image.height());
    ++pictures;
  }
  EXPECT_EQ(pictures, events.RecordCount());
}

TEST(TableBlobs, SomeEventDescriptionsRunToThousandsOfCharacters) {
  TTable events;
  OpenTable(events, "events.db");
  std::size_t longest = 0;
  bool latin1Name = false;
  for (events.First(); !events.Eof(); events.Next()) {
    longest = std::max(longest, events.FieldByName("Event_Description").DisplayText().size());
    latin1Name |= events.FieldByName("Event_Name").AsString().find('\xE9') != std::string::npos;
  }
  EXPECT_GT(longest, 3000u);
  EXPECT_TRUE(latin1Name);
}

TEST(TableErrors, MessagesNameWhatIsMissing) {
  const std::string missing = test::TempPath("_missing.sqlite");
  TTable t;
  EXPECT_NE(ErrorOf([&] { OpenTable(t, "customer.db", missing); }).find(missing), std::string::npos);
  EXPECT_FALSE(t.Active());

  const std::string notDb = test::TempPath("_text.sqlite");
  std::ofstream(notDb) << "this is not a database, only some text that is long enough to look like a header";
  EXPECT_NE(ErrorOf([&] { OpenTable(t, "customer.db", notDb); }).find(notDb), std::string::npos);

  const std::string noTable = ErrorOf([&] { OpenTable(t, "invoices.db"); });
  EXPECT_NE(noTable.find("invoices"), std::string::npos) << noTable;
  EXPECT_FALSE(t.Active());

  OpenTable(t, "customer.db");
  const std::string noField = ErrorOf([&] { t.FieldByName("Fax Number"); });
  EXPECT_NE(noField.find("Fax Number"), std::string::npos) << noField;
  EXPECT_NE(noField.find("customer"), std::string::npos) << noField;
  EXPECT_EQ(t.FindField("fax"), t.FindField("FAX"));
  EXPECT_EQ(t.FindField("nope"), nullptr);

  TTable orders;
  orders.IndexName = "CustomerNumber";
  const std::string noIndex = ErrorOf([&] { OpenTable(orders, "orders.db"); });
  EXPECT_NE(noIndex.find("CustomerNumber"), std::string::npos) << noIndex;

  TTable detail;
  TDataSource source{&t};
  detail.MasterSource = &source;
  detail.MasterFields = "CustomerNumber";
  detail.IndexName = "CustNo";
  const std::string noMasterField = ErrorOf([&] { OpenTable(detail, "orders.db"); });
  EXPECT_NE(noMasterField.find("CustomerNumber"), std::string::npos) << noMasterField;
}

}  // namespace
}  // namespace oxqr
