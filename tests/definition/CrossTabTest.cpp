// The values of a <crosstab>: headers in the order of their values, totals per row, column
// and table, starting again with the group that resets them, and a run that would need a
// header per record stopped with a message instead of exhausting memory.
#include <gtest/gtest.h>

#include <fstream>

#include "DefinitionTestSupport.h"
#include "definition/CrossTabControl.h"
#include "definition/ReportDefinition.h"
#include "platform/Errors.h"
#include "tests/data/TestDatabases.h"

namespace oxqr {
namespace {

// Sales out of order: numbers that sort differently as text, months across a year boundary
// given after later ones, and a null header.
const char* const kSales = R"sql(
CREATE TABLE sales (shop INTEGER, day DATE, kind TEXT, amount CURRENCY);
INSERT INTO sales VALUES (10, '2024-03-02', 'b', 5), (9, '2024-01-15', 'a', 1.25), (100, '2024-02-01', 'a', 2),
  (10, '2024-01-20', NULL, 4), (9, '2024-03-09', 'b', 0.75), (100, '2024-01-05', 'b', 10);
)sql";

std::string Definition(const std::string& crossTab, const std::string& bands = "") {
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<report title="T" dataset="Sales">
  <query name="Sales">SELECT * FROM sales ORDER BY shop, day</query>
)" + bands +
         R"(  <band type="summary" height="20">
    <crosstab name="X" left="0" top="0" width="180" height="10" dataset="Sales" )" +
         crossTab + R"(/>
  </band>
</report>
)";
}

struct TLoaded {
  test::TScratchDir Dir{"crosstab"};
  std::unique_ptr<TReportDefinition> Def;
  const TDefinitionCrossTab* Table = nullptr;
};

void Load(TLoaded& l, const std::string& text, const std::string& sql = kSales) {
  const std::string db = (l.Dir.Path / "sales.sqlite").string();
  test::CreateDatabase(db, sql);
  std::ofstream(l.Dir.Path / "x.oxr") << text;
  TDefinitionOptions options;
  options.DatabasePath = db;
  l.Def = LoadReportDefinition((l.Dir.Path / "x.oxr").string(), options);
  for (const auto& band : l.Def->Report().Bands())
    for (const auto& c : band->Controls())
      if (const auto* t = dynamic_cast<const TDefinitionCrossTab*>(c.get())) l.Table = t;
  ASSERT_NE(l.Table, nullptr);
}

std::vector<std::string> Texts(const std::vector<TQRCrossTabValue>& values) {
  std::vector<std::string> out;
  for (const auto& v : values) out.push_back(v.Text);
  return out;
}

TEST(CrossTabValues, HeadersFollowTheirValuesAndTotalsAddUp) {
  TLoaded l;
  Load(l, Definition(R"x(rows="Sales.shop" columns="monthname(Sales.day)" value="sum(Sales.amount)" format="0.00")x"));
  l.Def->Report().Prepare();
  const TQRCrossTabTable t = l.Table->Table();
  EXPECT_EQ(t.RowHeaders, (std::vector<std::string>{"9", "10", "100"}));                   // by number, not as text
  EXPECT_EQ(t.ColumnHeaders, (std::vector<std::string>{"January", "February", "March"}));  // by date
  EXPECT_EQ(Texts(t.Cells), (std::vector<std::string>{"1.25", "", "0.75", "4.00", "", "5.00", "10.00", "2.00", ""}));
  EXPECT_EQ(Texts(t.RowTotals), (std::vector<std::string>{"2.00", "9.00", "12.00"}));
  EXPECT_EQ(Texts(t.ColumnTotals), (std::vector<std::string>{"15.25", "2.00", "5.75"}));
  EXPECT_EQ(t.GrandTotal.Text, "23.00");
  EXPECT_EQ(t.GrandTotal.Number, 23.0);
}

// A header sorts by the least date of its records, not by the first one printed: the
// January printed first is of the later year.
TEST(CrossTabValues, HeadersSortByTheirLeastKeyWhateverThePrintOrder) {
  TLoaded l;
  Load(l, Definition(R"x(rows="Sales.kind" columns="monthname(Sales.day)" value="count(Sales)")x"),
       "CREATE TABLE sales (shop INTEGER, day DATE, kind TEXT, amount CURRENCY);\n"
       "INSERT INTO sales VALUES (1, '2025-01-10', 'a', 1), (2, '2024-03-01', 'a', 1), (3, '2024-01-05', 'a', 1);\n");
  l.Def->Report().Prepare();
  EXPECT_EQ(l.Table->Table().ColumnHeaders, (std::vector<std::string>{"January", "March"}));
}

TEST(CrossTabValues, KindsOfTotalAndTextHeaders) {
  struct TCase {
    const char* Value;
    std::vector<std::string> RowTotals;  // rows: '' (null kind), a, b
    std::string Grand;
  };
  const TCase cases[] = {
      {"count(Sales)", {"1", "2", "3"}, "6"},
      {"count(Sales.amount)", {"1", "2", "3"}, "6"},
      {"avg(Sales.amount)", {"4", "1.625", "5.25"}, "3.833333333333333333"},
      {"min(Sales.amount)", {"4", "1.25", "0.75"}, "0.75"},
      {"max(Sales.day)", {"20/01/2024", "01/02/2024", "09/03/2024"}, "09/03/2024"},
  };
  for (const TCase& c : cases) {
    TLoaded l;
    const std::string format = std::string(c.Value).find("day") != std::string::npos ? R"( format="dd/mm/yyyy")" : "";
    Load(l,
         Definition(R"x(rows="Sales.kind" columns="year(Sales.day)" value=")x" + std::string(c.Value) + "\"" + format));
    l.Def->Report().Prepare();
    const TQRCrossTabTable t = l.Table->Table();
    EXPECT_EQ(t.RowHeaders, (std::vector<std::string>{"", "a", "b"})) << c.Value;  // null first, then by text
    EXPECT_EQ(Texts(t.RowTotals), c.RowTotals) << c.Value;
    EXPECT_EQ(t.GrandTotal.Text, c.Grand) << c.Value;
  }
}

TEST(CrossTabValues, GroupStartsTheTableAgain) {
  TLoaded l;
  Load(l, Definition(R"x(rows="Sales.kind" columns="Sales.shop" value="sum(Sales.amount)" group="ByShop")x",
                     R"(  <band type="groupHeader" name="ByShop" field="Sales.shop" height="5"/>
)"));
  l.Def->Report().Prepare();
  const TQRCrossTabTable t = l.Table->Table();  // the last shop's records only
  EXPECT_EQ(t.ColumnHeaders, (std::vector<std::string>{"100"}));
  EXPECT_EQ(t.GrandTotal.Text, "12");
}

TEST(CrossTabValues, AHeaderPerRecordPastTheLimitStopsTheRunWithAMessage) {
  TLoaded l;
  Load(l, Definition(R"x(rows="Sales.kind" columns="Sales.shop" value="count(Sales)")x"),
       "CREATE TABLE sales (shop INTEGER, day DATE, kind TEXT, amount CURRENCY);\n"
       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1001)\n"
       "INSERT INTO sales SELECT i, '2024-01-01', 'a', 1 FROM n;\n");
  std::string error = "(no error)";
  try {
    l.Def->Report().Prepare();
  } catch (const EOxQRError& e) {
    error = e.what();
  }
  EXPECT_NE(error.find("cross-tab X: more than 1000 columns"), std::string::npos) << error;
}

}  // namespace
}  // namespace oxqr
