// A report with a sub-report per customer, exported by the command-line exporter and read
// back by pdftotext, openpyxl and an HTML parser: every order once and in order, the totals
// equal to SQLite's own sums, and the totals the outer report reads back.
#include <gtest/gtest.h>

#include <regex>

#include "ReadBack.h"
#include "SubReportFixture.h"

namespace fs = std::filesystem;

namespace oxqr {
namespace {

using testing::HaveProgram;

struct TExpected {
  std::vector<std::string> Orders;  // "Order 1001 1.25" in the order they must print
  std::vector<std::string> Lines;   // lines that must appear
};

TExpected Expected(const std::string& db) {
  TExpected e;
  for (const auto& r : test::SqlRows(db, "SELECT OrderNo, printf('%.2f', Amount) FROM orders ORDER BY CustNo, OrderNo"))
    e.Orders.push_back("Order " + r[0] + " " + r[1]);
  for (const auto& r : test::SqlRows(db,
                                     "SELECT c.CustNo, count(o.OrderNo), printf('%.2f', coalesce(sum(o.Amount), 0)) "
                                     "FROM customer c LEFT JOIN orders o ON o.CustNo = c.CustNo "
                                     "GROUP BY c.CustNo ORDER BY c.CustNo")) {
    e.Lines.push_back("Orders of " + r[0] + ": " + r[1]);  // a count printed before its records
    e.Lines.push_back("Inner total " + r[2] + " in " + r[1]);
    e.Lines.push_back("Read back " + r[0] + ": " + r[1] + " orders " + r[2]);
  }
  for (const auto& r : test::SqlRows(db, "SELECT printf('%.2f', sum(Amount)), count(*) FROM orders"))
    e.Lines.push_back("Grand total " + r[0] + " of " + r[1] + " orders");
  return e;
}

TEST(SubReportReaders, EveryOrderOnceInOrderWithTheTotalsOfSql) {
  if (!HaveProgram("pdftotext")) GTEST_SKIP() << "pdftotext is missing";
  const bool openpyxl = testing::RunShell("python3 -c 'import openpyxl' 2>/dev/null").Status == 0;
  test::TScratchDir dir("subreport-cli");
  test::WriteSubReportFixture(dir.Path);
  const std::string db = (dir.Path / "shop.sqlite").string();
  const TExpected expected = Expected(db);
  ASSERT_EQ(expected.Orders.size(), 150u);
  for (const std::string ext : {"pdf", "xlsx", "htm"}) {
    if (ext == "xlsx" && !openpyxl) continue;
    const std::string text = test::ExportAndReadBack(dir.Path, "--db shop.sqlite customers.oxr out." + ext);
    std::vector<std::string> orders;
    const std::regex order("Order [0-9]+ [0-9.]+");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), order); it != std::sregex_iterator(); ++it)
      orders.push_back(it->str());
    EXPECT_EQ(orders, expected.Orders) << ext;
    for (const auto& line : expected.Lines) EXPECT_NE(text.find(line), std::string::npos) << ext << ": " << line;
    EXPECT_EQ(text.find("Inner page header"), std::string::npos) << ext;
    if (ext == "pdf") {
      // The orders run over several pages, each with the outer report's header and footer.
      EXPECT_NE(text.find("Outer header 3"), std::string::npos) << text;
      EXPECT_NE(text.find("Outer footer 3"), std::string::npos);
    }
  }
  // The company with a quote and a statement in its name was bound as a value.
  EXPECT_EQ(test::SqlRows(db, "SELECT count(*) FROM orders").at(0).at(0), "150");
}

TEST(SubReportReaders, SchemaAcceptsTheSubReportAndItsTotals) {
  if (!HaveProgram("xmllint")) GTEST_SKIP() << "xmllint is missing";
  test::TScratchDir dir("subreport-schema");
  test::WriteSubReportFixture(dir.Path);
  const fs::path schema = fs::path(OXQR_TEST_SOURCE_DIR) / "definition" / "oxr.xsd";
  const auto check = [&](const fs::path& file) {
    return testing::RunShell("xmllint --noout --schema " + testing::ShellQuote(schema.string()) + " " +
                             testing::ShellQuote(file.string()) + " 2>&1")
        .Status;
  };
  EXPECT_EQ(check(dir.Path / "customers.oxr"), 0);
  EXPECT_EQ(check(dir.Path / "parts" / "lines.oxr"), 0);
  const std::pair<const char*, const char*> broken[] = {
      {"NoFile", R"(<report><band type="detail"><subreport name="A"/></band></report>)"},
      {"NoName", R"(<report><band type="detail"><subreport file="a.oxr"/></band></report>)"},
      {"TotalWithoutExpression",
       R"(<report><band type="detail"><subreport name="A" file="a.oxr"><total name="X"/></subreport></band></report>)"},
      {"UnknownChild",
       R"(<report><band type="detail"><subreport name="A" file="a.oxr"><label/></subreport></band></report>)"},
  };
  for (const auto& [name, text] : broken) {
    const fs::path file = dir.Path / (std::string(name) + ".oxr");
    std::ofstream(file) << text;
    EXPECT_NE(check(file), 0) << name;
  }
}

}  // namespace
}  // namespace oxqr
