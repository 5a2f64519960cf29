// Calculated fields (<calc> in a table or query): their values and nulls, and their use as
// fields everywhere (tokens, <text field>, expressions, totals, a group break, printWhen);
// the faults of their expressions; the save round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "definition/ReportDefinition.h"
#include "definition/ReportEnvironment.h"
#include "engine/Printer.h"
#include "platform/Files.h"
#include "tests/data/TestDatabases.h"

namespace oxqr {
namespace {

// Four orders; 1 is paid in full, 3 has no payment at all.
const char* kOrdersSql =
    "CREATE TABLE orders (no INTEGER, customer TEXT, amount CURRENCY, taxrate FLOAT, paid CURRENCY);"
    "INSERT INTO orders VALUES (1, 'alpha', 200, 10, 220), (2, 'beta', 150.10, 10, 100),"
    "(3, 'gamma', 20, 5, NULL), (4, 'delta', 10.05, 0, 0);"
    "CREATE TABLE items (orderno INTEGER, qty INTEGER);"
    "INSERT INTO items VALUES (1, 3), (1, 4), (2, 5);";

const std::string& OrdersDatabase() {
  static const std::string path = [] {
    const std::string p = test::TempPath("calc-orders.sqlite");
    test::CreateDatabase(p, kOrdersSql);
    return p;
  }();
  return path;
}

std::unique_ptr<TReportDefinition> Load(const std::string& text) {
  TDefinitionOptions options;
  options.DatabasePath = OrdersDatabase();
  return LoadReportDefinitionText(text, "orders.oxr", options);
}

// Tax, total (from the tax), what is due (null when paid) and a size to group by.
const std::string kCalcs =
    "    <calc name=\"Tax\" expression=\"round(O.amount * O.taxrate / 100, 2)\" format=\"0.00\"/>\n"
    "    <calc name=\"Total\" expression=\"O.amount + O.Tax\"/>\n"
    "    <calc name=\"Due\" expression=\"if(coalesce(O.paid, 0) &lt; O.Total, O.Total - coalesce(O.paid, 0), null)\"/>\n"
    "    <calc name=\"Size\" expression=\"if(O.amount >= 100, 'large', 'small')\"/>\n"
    "    <calc name=\"Who\" expression=\"upper(O.customer)\"/>\n";

std::string Definition(const std::string& dataset, const std::string& bands) {
  return "<report dataset=\"O\" leftMargin=\"10\" rightMargin=\"10\">\n" + dataset + bands + "</report>\n";
}

std::string Query(const std::string& calcs = kCalcs) {
  return "  <query name=\"O\">SELECT * FROM orders ORDER BY no\n" + calcs + "  </query>\n";
}

const std::string kBands =
    "  <band type=\"groupHeader\" name=\"BySize\" field=\"O.Size\" footer=\"SizeEnd\" height=\"6\">\n"
    "    <label left=\"0\" top=\"0\" width=\"100\" height=\"5\" text=\"[{O.Size}]\"/>\n"
    "  </band>\n"
    "  <band type=\"detail\" height=\"5\">\n"
    "    <label left=\"0\" top=\"0\" width=\"60\" height=\"5\" text=\"{O.Who} {O.Tax} {O.Total:0.00} due={O.Due}\"/>\n"
    "    <text left=\"60\" top=\"0\" width=\"20\" height=\"5\" field=\"O.Tax\"/>\n"
    "    <label left=\"80\" top=\"0\" width=\"20\" height=\"5\" text=\"DUE\" printWhen=\"O.Due > 50\"/>\n"
    "    <label left=\"100\" top=\"0\" width=\"20\" height=\"5\" text=\"owes\" printWhen=\"O.Due\"/>\n"
    "    <label left=\"120\" top=\"0\" width=\"40\" height=\"5\" text=\"{= O.Total * 2}\"/>\n"
    "  </band>\n"
    "  <band type=\"groupFooter\" name=\"SizeEnd\" height=\"6\">\n"
    "    <label left=\"0\" top=\"0\" width=\"100\" height=\"5\" text=\"{sum(O.Total, BySize):0.00}\"/>\n"
    "  </band>\n"
    "  <band type=\"summary\" height=\"6\">\n"
    "    <label left=\"0\" top=\"0\" width=\"100\" height=\"5\" "
    "text=\"{sum(O.Due):0.00} / {= sum(O.Total):0.00} / {max(O.Tax)}\"/>\n"
    "  </band>\n";

std::vector<std::string> Printed(TQRCustomReport& report) {
  report.Prepare();
  std::vector<std::string> out;
  const TQRPrinter& printer = report.QRPrinter();
  for (int p = 1; p <= printer.PageCount(); ++p)
    for (const auto& r : printer.Page(p)->Records)
      if (const auto* t = std::get_if<MrText>(&r)) out.push_back(t->Text);
  return out;
}

// Totals: 220.00, 165.11, 21.00, 10.05; due: null, 65.11, 21.00, 10.05.
const std::vector<std::string> kExpected{
    "[large]",
    "ALPHA 20.00 220.00 due=", "20.00", "440",
    "BETA 15.01 165.11 due=65.11", "15.01", "DUE", "owes", "330.22",
    "385.11",
    "[small]",
    "GAMMA 1.00 21.00 due=21", "1.00", "owes", "42",
    "DELTA 0.00 10.05 due=10.05", "0.00", "owes", "20.1",
    "31.05",
    "96.16 / 416.16 / 20.00"};

TEST(CalcField, UsedLikeAFieldEverywhere) {
  auto def = Load(Definition(Query(), kBands));
  EXPECT_EQ(Printed(def->Report()), kExpected);
}

// The same fields on a <table>, after a field's format; the report prints the same.
TEST(CalcField, OnATable) {
  auto def = Load(Definition("  <table name=\"O\" table=\"orders\">\n    <field name=\"amount\" format=\"0.0\"/>\n" +
                                 kCalcs + "  </table>\n",
                             kBands));
  EXPECT_EQ(Printed(def->Report()), kExpected);
}

// A master and its detail both with calculated fields: the detail follows the master's
// records, and each detail record computes its own value.
TEST(CalcField, MasterAndDetailFollowEachOther) {
  auto def = Load(Definition(
      Query("    <calc name=\"Who\" expression=\"upper(O.customer)\"/>\n") +
          "  <query name=\"I\" master=\"O\">SELECT * FROM items WHERE orderno = :no\n"
          "    <calc name=\"Twice\" expression=\"I.qty * 2\"/>\n"
          "  </query>\n",
      "  <band type=\"detail\" name=\"D\" height=\"5\">\n"
      "    <label left=\"0\" top=\"0\" width=\"60\" height=\"5\" text=\"{O.Who}\"/>\n"
      "  </band>\n"
      "  <band type=\"subDetail\" dataset=\"I\" master=\"D\" height=\"5\">\n"
      "    <label left=\"0\" top=\"0\" width=\"60\" height=\"5\" text=\"{O.Who} {I.Twice}\"/>\n"
      "  </band>\n"));
  const std::vector<std::string> expected{"ALPHA", "ALPHA 6", "ALPHA 8", "BETA", "BETA 10", "GAMMA", "DELTA"};
  EXPECT_EQ(Printed(def->Report()), expected);
}

// A detail read as a lookup, without a band of its own, moves only with its master: its
// calculated field shows the first item of each order.
TEST(CalcField, LookupDetailFollowsItsMaster) {
  auto def = Load(Definition(
      Query("") +
          "  <query name=\"I\" master=\"O\">SELECT * FROM items WHERE orderno = :no\n"
          "    <calc name=\"Twice\" expression=\"I.qty * 2\"/>\n"
          "  </query>\n",
      "  <band type=\"detail\" height=\"5\">\n"
      "    <label left=\"0\" top=\"0\" width=\"60\" height=\"5\" text=\"{O.no}:{I.Twice}\"/>\n"
      "  </band>\n"));
  EXPECT_EQ(Printed(def->Report()), (std::vector<std::string>{"1:6", "2:10", "3:", "4:"}));
}

// A calculated field is evaluated once per record however often it is read: a division by
// zero read three times on each of four records is counted four times.
TEST(CalcField, EvaluatedOncePerRecord) {
  auto def = Load(Definition(
      Query("    <calc name=\"Bad\" expression=\"O.amount / (O.no - O.no)\"/>\n"),
      "  <band type=\"detail\" height=\"5\">\n"
      "    <label left=\"0\" top=\"0\" width=\"60\" height=\"5\" text=\"{O.Bad}{= coalesce(O.Bad, 1) + coalesce(O.Bad, 2)}\"/>\n"
      "  </band>\n"));
  EXPECT_EQ(Printed(def->Report()), std::vector<std::string>(4, "3"));
  EXPECT_EQ(def->Environment().ExpressionCounters().DivisionsByZero, 4);
}

// Saving writes the calculated fields back, in a query and in a table; the saved definition
// prints the same, and saving it again writes the same bytes.
TEST(CalcField, SavedDefinitionPrintsTheSame) {
  for (const std::string& dataset :
       {Query(), "  <table name=\"O\" table=\"orders\">\n" + kCalcs + "  </table>\n"}) {
    auto first = Load(Definition(dataset, kBands));
    const std::string saved = test::TempPath("saved-calc.oxr"), again = test::TempPath("saved-calc-again.oxr");
    SaveReportDefinition(first->Report(), saved, DefinitionNames(*first));
    TDefinitionOptions options;
    options.DatabasePath = OrdersDatabase();
    std::unique_ptr<TReportDefinition> second;
    ASSERT_NO_THROW(second = LoadReportDefinition(saved, options)) << dataset;
    SaveReportDefinition(second->Report(), again, DefinitionNames(*second));
    const std::string savedText = ReadFileBytes(saved);
    EXPECT_EQ(savedText, ReadFileBytes(again));
    EXPECT_NE(savedText.find("<calc name=\"Due\" expression=\"if(coalesce(O.paid, 0) &lt; O.Total"), std::string::npos)
        << savedText;
    std::remove(saved.c_str());
    std::remove(again.c_str());
    EXPECT_EQ(Printed(second->Report()), kExpected) << dataset;
  }
}

// Faults of calculated fields, each at its line and column, all in one error.
TEST(CalcField, FaultsAtTheirPlaces) {
  struct TCase {
    std::string Calcs;
    int Column;
    std::string Message;
    int Line = 3;
    std::size_t Faults = 1;  // collected faults, the label's use of O.X included
  };
  const std::string at = "    <calc name=\"X\" expression=\"";  // the expression starts at column 32
  const std::vector<TCase> cases{
      {at + "O.amout * 2\"/>\n", 34, "unknown field 'amout' in dataset O; did you mean 'amount'?"},
      {at + "O.amount + O.customer\"/>\n", 41, "cannot add a number and a text (text(x) turns a value into text to join it)"},
      {at + "O.X + 1\"/>\n", 34, "calculated field X refers to itself"},
      // The fault of Y is the only one: X, which failed, brings none to Y or to the label.
      {at + "O.Y\"/>\n    <calc name=\"Y\" expression=\"round(O.X * 2, 1) + 1\"/>\n", 34,
       "calculated field X uses Y, which is defined after it (a calculated field uses only those before it)"},
      {at + "O.Y\"/>\n    <calc name=\"Y\" expression=\"O.X\"/>\n", 34,
       "calculated field X uses Y, which is defined after it (a calculated field uses only those before it)"},
      {at + "sum(O.amount)\"/>\n", 32,
       "a calculated field is computed per record; it cannot hold a total (sum): use the total where the field is "
       "printed"},
      {at + "Other.amount\"/>\n", 32, "calculated field X of O reads only fields of O (not of 'Other')"},
      {at + "pages\"/>\n", 32, "a calculated field is computed per record; it cannot use pages"},
      {at + "line * 2\"/>\n", 32, "a calculated field is computed per record; it cannot use line"},
      {at + "lin * 2\"/>\n", 32, "unknown name 'lin'; did you mean 'line'?"},
      {"    <calc name=\"amount\" expression=\"1\"/>\n", 17, "dataset O already has a field 'amount'", 3, 2},
      {at + "1\"/>\n    <calc name=\"X\" expression=\"2\"/>\n", 17, "dataset O already has a field 'X'", 4, 1},
      {at + "1\"/>\n    WHERE no > 1\n", 5, "the SQL of a <query> comes before its <calc> elements", 4},
  };
  for (const TCase& c : cases) {
    try {
      Load(Definition(Query(c.Calcs), "  <band type=\"detail\" height=\"5\">\n"
                                      "    <label left=\"0\" top=\"0\" width=\"60\" height=\"5\" text=\"{= O.X + 1}\"/>\n"
                                      "  </band>\n"));
      ADD_FAILURE() << "loaded: " << c.Calcs;
    } catch (const EDefinitionError& e) {
      // The faults of expressions are collected; a fault of the file's structure stops at once.
      const bool collected = !e.Faults().empty();
      EXPECT_EQ(collected ? e.Faults().size() : 1u, c.Faults) << e.Listing();
      EXPECT_EQ(collected ? e.Faults().front().Message : e.Message(), c.Message) << c.Calcs;
      EXPECT_EQ(collected ? e.Faults().front().Line : e.Line(), c.Line) << c.Calcs;
      EXPECT_EQ(collected ? e.Faults().front().Column : e.Column(), c.Column) << c.Calcs;
      const std::string place = "orders.oxr:" + std::to_string(c.Line) + ":" + std::to_string(c.Column) + ": ";
      EXPECT_NE((collected ? e.Listing() : std::string(e.what())).find(place + c.Message), std::string::npos)
          << e.Listing() << e.what();
    }
  }
}

}  // namespace
}  // namespace oxqr
