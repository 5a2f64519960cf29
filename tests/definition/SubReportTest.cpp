// Sub-reports: the faults of a sub-report and of the element that names it, each placed in
// its own file and nested under the place that led to it; cycles refused with every step; a
// definition saved and loaded again prints the same; parameters bound as values; a sub-report
// that names its own database reads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "DefinitionTestSupport.h"
#include "OxQrExport/core/Settings.h"
#include "data/DisplayFormat.h"
#include "definition/ReportDefinition.h"
#include "readers/SubReportFixture.h"
#include "tests/data/TestDatabases.h"

namespace fs = std::filesystem;

namespace oxqr {
namespace {

// "FILE:LINE:COLUMN" of the `n`th occurrence of `needle` in `text` (the file at `path`).
std::string At(const fs::path& path, const std::string& text, const std::string& needle, int n = 1) {
  std::size_t at = std::string::npos;
  for (int i = 0; i < n; ++i) at = text.find(needle, at == std::string::npos ? 0 : at + 1);
  if (at == std::string::npos) return "(no " + needle + ")";
  int line = 1;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < at; ++i)
    if (text[i] == '\n') {
      ++line;
      lineStart = i + 1;
    }
  return path.string() + ":" + std::to_string(line) + ":" + std::to_string(at - lineStart + 1);
}

// A report over the customer table whose detail band holds `element`.
std::string Holder(const std::string& element, const std::string& band = "detail") {
  return "<report dataset=\"C\">\n  <query name=\"C\">SELECT CustNo FROM customer</query>\n  <band type=\"" + band +
         "\" height=\"5\">\n    " + element + "\n  </band>\n</report>\n";
}

const std::string kLines =
    "<report dataset=\"O\">\n  <parameter name=\"CustNo\" type=\"integer\"/>\n"
    "  <query name=\"O\">SELECT OrderNo, Amount FROM orders WHERE CustNo = :CustNo</query>\n"
    "  <band type=\"detail\" height=\"5\">\n    <label text=\"{O.OrderNo}\"/>\n  </band>\n</report>\n";

struct TFaultCase {
  const char* Name;
  std::map<std::string, std::string> Files;  // loaded: "a.oxr"
  // The message, given the folder and the files' texts.
  std::function<std::string(const fs::path&, const std::map<std::string, std::string>&)> Message;
};

void PrintTo(const TFaultCase& c, std::ostream* os) { *os << c.Name; }

class SubReportFaults : public ::testing::TestWithParam<TFaultCase> {};

TEST_P(SubReportFaults, NameEveryFileAndPosition) {
  const TFaultCase& c = GetParam();
  test::TScratchDir dir(std::string("subreport-") + c.Name);
  test::CreateDatabase((dir.Path / "shop.sqlite").string(), test::kSubReportSql);
  for (const auto& [name, text] : c.Files) std::ofstream(dir.Path / name) << text;
  TDefinitionOptions options;
  options.DatabasePath = (dir.Path / "shop.sqlite").string();
  try {
    LoadReportDefinition((dir.Path / "a.oxr").string(), options);
    ADD_FAILURE() << "loaded";
  } catch (const EDefinitionError& e) {
    EXPECT_EQ(std::string(e.what()), c.Message(dir.Path, c.Files));
  }
}

std::string Sub(const std::string& file, const std::string& rest = "") {
  return "<subreport name=\"S\" file=\"" + file + "\"" + rest + "/>";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SubReportFaults,
    ::testing::Values(
        TFaultCase{"IncludesItself",
                   {{"a.oxr", Holder(Sub("a.oxr"))}},
                   [](const fs::path& d, const auto& f) {
                     const fs::path a = d / "a.oxr";
                     return At(a, f.at("a.oxr"), "file=") +
                            ": a sub-report includes itself: " + At(a, f.at("a.oxr"), "<subreport") + " includes " +
                            a.string();
                   }},
        TFaultCase{"TwoFilesIncludeEachOther",
                   {{"a.oxr", Holder(Sub("b.oxr"))}, {"b.oxr", Holder(Sub("./a.oxr"))}},
                   [](const fs::path& d, const auto& f) {
                     const fs::path a = d / "a.oxr", b = d / "b.oxr";
                     return At(a, f.at("a.oxr"), "file=") + ": sub-report " + b.string() + ": " +
                            At(b, f.at("b.oxr"), "file=") +
                            ": sub-reports include each other: " + At(a, f.at("a.oxr"), "<subreport") + " includes " +
                            b.string() + ", " + At(b, f.at("b.oxr"), "<subreport") + " includes " + a.string();
                   }},
        TFaultCase{"CycleBelowTheFirstFile",
                   {{"a.oxr", Holder(Sub("b.oxr"))}, {"b.oxr", Holder(Sub("c.oxr"))}, {"c.oxr", Holder(Sub("b.oxr"))}},
                   [](const fs::path& d, const auto& f) {
                     const fs::path a = d / "a.oxr", b = d / "b.oxr", c = d / "c.oxr";
                     return At(a, f.at("a.oxr"), "file=") + ": sub-report " + b.string() + ": " +
                            At(b, f.at("b.oxr"), "file=") + ": sub-report " + c.string() + ": " +
                            At(c, f.at("c.oxr"), "file=") +
                            ": sub-reports include each other: " + At(b, f.at("b.oxr"), "<subreport") + " includes " +
                            c.string() + ", " + At(c, f.at("c.oxr"), "<subreport") + " includes " + b.string();
                   }},
        TFaultCase{"MissingFile",
                   {{"a.oxr", Holder(Sub("parts/nothere.oxr"))}},
                   [](const fs::path& d, const auto& f) {
                     return At(d / "a.oxr", f.at("a.oxr"), "file=") + ": sub-report file '" +
                            (d / "parts" / "nothere.oxr").string() + "' cannot be read: no such file";
                   }},
        TFaultCase{"FaultInTheSubReport",
                   {{"a.oxr", Holder(Sub("lines.oxr", " parameters=\"CustNo={C.CustNo}\""))},
                    {"lines.oxr", kLines.substr(0, kLines.find("{O.OrderNo}")) + "{O.OrderNop}" +
                                      kLines.substr(kLines.find("{O.OrderNo}") + 11)}},
                   [](const fs::path& d, const auto& f) {
                     const fs::path lines = d / "lines.oxr";
                     return At(d / "a.oxr", f.at("a.oxr"), "file=") + ": sub-report " + lines.string() + ": " +
                            At(lines, f.at("lines.oxr"), "OrderNop") +
                            ": unknown field 'OrderNop' in dataset O (fields: OrderNo, Amount) of database \"" +
                            (d / "shop.sqlite").string() + "\"";
                   }},
        TFaultCase{"ParameterTheSubReportLacks",
                   {{"a.oxr", Holder(Sub("lines.oxr", " parameters=\"CustNo={C.CustNo}; Region={C.CustNo}\""))},
                    {"lines.oxr", kLines}},
                   [](const fs::path& d, const auto& f) {
                     return At(d / "a.oxr", f.at("a.oxr"), "parameters=") + ": sub-report " +
                            (d / "lines.oxr").string() + " has no parameter 'Region' (parameters: CustNo)";
                   }},
        TFaultCase{"UnknownFieldInAParameter",
                   {{"a.oxr", Holder(Sub("lines.oxr", " parameters=\"CustNo={C.CustNoo}\""))}, {"lines.oxr", kLines}},
                   [](const fs::path& d, const auto& f) {
                     return At(d / "a.oxr", f.at("a.oxr"), "CustNoo") +
                            ": unknown field 'CustNoo' in dataset C (fields: CustNo) of database \"" +
                            (d / "shop.sqlite").string() + "\"";
                   }},
        TFaultCase{"NotNameEqualsValue",
                   {{"a.oxr", Holder(Sub("lines.oxr", " parameters=\"CustNo={C.CustNo}; {C.CustNo}\""))},
                    {"lines.oxr", kLines}},
                   [](const fs::path& d, const auto& f) {
                     return At(d / "a.oxr", f.at("a.oxr"), "{C.CustNo}\"") + ": '{C.CustNo}' is not NAME=value";
                   }},
        TFaultCase{"FaultInATotal",
                   {{"a.oxr", Holder("<subreport name=\"S\" file=\"lines.oxr\" parameters=\"CustNo={C.CustNo}\">"
                                     "<total name=\"T\" expression=\"sum(O.Amont)\"/></subreport>")},
                    {"lines.oxr", kLines}},
                   [](const fs::path& d, const auto& f) {
                     return At(d / "a.oxr", f.at("a.oxr"), "Amont") +
                            ": total T: unknown field 'Amont' in dataset O; did you mean 'Amount'?";
                   }},
        TFaultCase{"InAPageFooter",
                   {{"a.oxr", Holder(Sub("lines.oxr"), "pageFooter")}, {"lines.oxr", kLines}},
                   [](const fs::path& d, const auto& f) {
                     return At(d / "a.oxr", f.at("a.oxr"), "<subreport") +
                            ": a sub-report cannot print in a page header, page footer or column header";
                   }},
        TFaultCase{"NameOfADataSet",
                   {{"a.oxr", Holder("<subreport name=\"C\" file=\"lines.oxr\"/>")}, {"lines.oxr", kLines}},
                   [](const fs::path& d, const auto& f) {
                     return At(d / "a.oxr", f.at("a.oxr"), "name=\"C\"", 2) +
                            ": 'C' already names a dataset; its totals are read as a dataset of that name";
                   }}),
    [](const auto& info) { return std::string(info.param.Name); });

// The text of `definition` exported as plain text with the clock pinned.
std::string TextOf(TReportDefinition& definition, const fs::path& base) {
  InitializeExportLibrary();
  test::SaveTypes(definition.Report(), base, {"txt"});
  return test::ReadText(base.string() + ".txt");
}

TEST(SubReport, SavedAndLoadedAgainPrintsTheSame) {
  test::TScratchDir dir("subreport-roundtrip");
  test::WriteSubReportFixture(dir.Path);
  TDefinitionOptions options;
  options.DatabasePath = (dir.Path / "shop.sqlite").string();
  auto first = LoadReportDefinition((dir.Path / "customers.oxr").string(), options);
  const std::string before = TextOf(*first, dir.Path / "first");
  SaveReportDefinition(first->Report(), (dir.Path / "saved.oxr").string(), DefinitionNames(*first));
  const std::string saved = test::ReadText(dir.Path / "saved.oxr");
  EXPECT_NE(saved.find("<subreport name=\"Lines\" file=\"parts/lines.oxr\""), std::string::npos) << saved;
  EXPECT_NE(saved.find("<total name=\"Amount\" expression=\"sum(Data.Amount)\" format=\"0.00\"/>"), std::string::npos);
  EXPECT_EQ(saved.find("Inner"), std::string::npos) << "the sub-report's bands belong to its own file";
  auto second = LoadReportDefinition((dir.Path / "saved.oxr").string(), options);
  EXPECT_EQ(TextOf(*second, dir.Path / "second"), before);
  EXPECT_NE(before.find("Read back 2: 50 orders"), std::string::npos) << before;

  // Saved elsewhere, the sub-report is named by its full path.
  fs::create_directories(dir.Path / "elsewhere");
  SaveReportDefinition(first->Report(), (dir.Path / "elsewhere" / "saved.oxr").string(), DefinitionNames(*first));
  auto third = LoadReportDefinition((dir.Path / "elsewhere" / "saved.oxr").string(), options);
  EXPECT_EQ(TextOf(*third, dir.Path / "third"), before);
}

// A value that holds a quote and a statement reaches the query as a value: customer 2's
// orders print and the table is still there.
TEST(SubReport, ParametersAreBoundAsValues) {
  test::TScratchDir dir("subreport-bound");
  test::WriteSubReportFixture(dir.Path);
  TDefinitionOptions options;
  options.DatabasePath = (dir.Path / "shop.sqlite").string();
  auto definition = LoadReportDefinition((dir.Path / "customers.oxr").string(), options);
  const std::string text = TextOf(*definition, dir.Path / "out");
  const auto expected =
      test::SqlRows(options.DatabasePath, "SELECT count(*), printf('%.2f', sum(Amount)) FROM orders WHERE CustNo = 2");
  EXPECT_NE(text.find("Inner total " + expected[0][1] + " in " + expected[0][0]), std::string::npos) << text;
  EXPECT_EQ(test::SqlRows(options.DatabasePath, "SELECT count(*) FROM orders")[0][0], "150");
}

// The sub-report's file and database are found relative to the files that name them; a
// sub-report that names no database reads its holder's.
TEST(SubReport, ReadsItsOwnDatabaseWhenItNamesOne) {
  test::TScratchDir dir("subreport-database");
  test::WriteSubReportFixture(dir.Path);
  test::CreateDatabase((dir.Path / "parts" / "other.sqlite").string(),
                       "CREATE TABLE orders (OrderNo INTEGER, CustNo INTEGER, Amount CURRENCY);"
                       "CREATE TABLE customer (CustNo INTEGER, Company TEXT);"
                       "INSERT INTO customer VALUES (1, 'Alpha'); INSERT INTO orders VALUES (7, 1, 2.5);");
  std::string inner = test::kInnerOxr;
  inner.replace(inner.find("<report "), 8, "<report database=\"other.sqlite\" ");
  std::ofstream(dir.Path / "parts" / "lines.oxr") << inner;
  TDefinitionOptions options;
  options.DefaultDatabasePath = (dir.Path / "shop.sqlite").string();
  auto definition = LoadReportDefinition((dir.Path / "customers.oxr").string(), options);
  const std::string text = TextOf(*definition, dir.Path / "out");
  EXPECT_NE(text.find("Order 7 2.50"), std::string::npos) << text;
  EXPECT_EQ(text.find("Order 1001"), std::string::npos);
  EXPECT_NE(text.find("Read back 1: 1 orders 2.50"), std::string::npos);
}

// A value the parameter's type cannot hold stops the run with the place of the <subreport>.
TEST(SubReport, AValueOfTheWrongTypeStopsTheRunWithThePlace) {
  test::TScratchDir dir("subreport-runtime");
  test::WriteSubReportFixture(dir.Path);
  std::string outer = test::kOuterOxr;
  outer.replace(outer.find("CustNo={Data.CustNo}"), 20, "CustNo={Data.Company}");
  std::ofstream(dir.Path / "customers.oxr", std::ios::trunc) << outer;
  TDefinitionOptions options;
  options.DatabasePath = (dir.Path / "shop.sqlite").string();
  auto definition = LoadReportDefinition((dir.Path / "customers.oxr").string(), options);
  try {
    TextOf(*definition, dir.Path / "out");
    ADD_FAILURE() << "ran";
  } catch (const EOxQRError& e) {
    EXPECT_EQ(std::string(e.what()), At(dir.Path / "customers.oxr", outer, "<subreport") +
                                         ": sub-report Lines: parameter CustNo: expected an integer, got 'Alpha'");
  }
}

// height: the least room a sub-report takes; a run that prints less leaves the rest empty.
TEST(SubReport, HeightIsTheLeastRoomTaken) {
  test::TScratchDir dir("subreport-height");
  test::WriteSubReportFixture(dir.Path);
  TDefinitionOptions options;
  options.DatabasePath = (dir.Path / "shop.sqlite").string();
  // Device pixels from the sub-report's title down to the band after it, on the first page.
  const auto gap = [&](const std::string& height) {
    std::string outer = test::kOuterOxr;
    outer.replace(outer.find("ORDER BY CustNo"), 15, "WHERE CustNo = 4");
    outer.replace(outer.find("parameters="), 0, height);
    std::ofstream(dir.Path / "customers.oxr", std::ios::trunc) << outer;
    auto definition = LoadReportDefinition((dir.Path / "customers.oxr").string(), options);
    definition->Report().Prepare();
    int from = -1, to = -1;
    for (const auto& r : definition->Report().QRPrinter().Page(1)->Records)
      if (const auto* t = std::get_if<MrText>(&r)) {
        if (t->Text.starts_with("Orders of 4")) from = t->Y;
        if (t->Text.starts_with("Read back 4")) to = t->Y;
      }
    EXPECT_GE(from, 0);
    EXPECT_GT(to, from);
    return to - from;
  };
  const int without = gap(""), with = gap("height=\"100\" ");
  // 100 mm at 96 dpi is 378 pixels; without it the footer follows the sub-report's few lines.
  EXPECT_LT(without, 150);
  EXPECT_GE(with, 370) << without << " pixels without, " << with << " with";
}

// A sub-report inside a sub-report: found beside the file that names it, printed under each
// record of the middle one, its totals read back by the middle one's summary.
TEST(SubReport, NestedSubReportsTotalIntoTheirHolder) {
  test::TScratchDir dir("subreport-nested");
  test::WriteSubReportFixture(dir.Path);
  std::string middle = test::kInnerOxr;
  middle.replace(middle.find("  </band>\n  <band type=\"summary\""), 0,
                 "    <subreport name=\"One\" file=\"one.oxr\" parameters=\"OrderNo={Data.OrderNo}\">\n"
                 "      <total name=\"T\" expression=\"sum(Data.Twice)\"/>\n    </subreport>\n");
  middle.replace(middle.find("text=\"Inner total"), 6, "text=\"Doubled {sum(One.T):0.00}; ");
  std::ofstream(dir.Path / "parts" / "lines.oxr", std::ios::trunc) << middle;
  std::ofstream(dir.Path / "parts" / "one.oxr")
      << "<report dataset=\"Data\">\n  <parameter name=\"OrderNo\" type=\"integer\"/>\n"
         "  <query name=\"Data\">SELECT OrderNo, Amount FROM orders WHERE OrderNo = :OrderNo\n"
         "    <calc name=\"Twice\" expression=\"Data.Amount * 2\"/>\n  </query>\n"
         "  <band type=\"detail\" height=\"5\">\n"
         "    <label left=\"10\" top=\"0\" width=\"100\" height=\"5\" text=\"Twice {Data.OrderNo} "
         "{Data.Twice:0.00}\"/>\n"
         "  </band>\n</report>\n";
  TDefinitionOptions options;
  options.DatabasePath = (dir.Path / "shop.sqlite").string();
  auto definition = LoadReportDefinition((dir.Path / "customers.oxr").string(), options);
  const std::string text = TextOf(*definition, dir.Path / "out");
  std::size_t at = 0;
  for (const auto& r : test::SqlRows(options.DatabasePath,
                                     "SELECT OrderNo, printf('%.2f', Amount * 2) FROM orders "
                                     "ORDER BY CustNo, OrderNo")) {
    at = text.find("Twice " + r[0] + " " + r[1], at);
    ASSERT_NE(at, std::string::npos) << "order " << r[0] << "\n" << text;
  }
  for (const auto& r : test::SqlRows(options.DatabasePath,
                                     "SELECT CustNo, printf('%.2f', 2 * sum(Amount)) FROM orders "
                                     "GROUP BY CustNo"))
    EXPECT_NE(text.find("Doubled " + r[1] + ";"), std::string::npos) << "customer " << r[0];
}

// The README's example over the demo database: each customer's orders with the count and sum
// SQLite gives, read back by the holding report, and the sum of all of them in its summary.
TEST(SubReport, ReadmeExampleTotalsEachCustomersOrders) {
  test::TScratchDir dir("subreport-readme");
  const std::string fragment = test::TutorialBlock("subreport");
  const std::string lines = test::TutorialBlock("subreport-lines");
  ASSERT_FALSE(fragment.empty());
  ASSERT_FALSE(lines.empty());
  std::ofstream(dir.Path / "sales.oxr")
      << "<report title=\"Sales\" dataset=\"Customer\">\n"
         "  <query name=\"Customer\">SELECT CustNo, Company FROM customer ORDER BY CustNo</query>\n"
      << fragment << "</report>\n";
  // The README's sub-report, then the showcase's own.
  const std::string shipped =
      test::ReadText(fs::path(OXQR_TEST_SOURCE_DIR) / "Showcase" / "reports" / "sales-lines.oxr");
  ASSERT_FALSE(shipped.empty());
  for (const std::string& inner : {lines, shipped}) {
    std::ofstream(dir.Path / "sales-lines.oxr", std::ios::trunc) << inner;
    TDefinitionOptions options;
    options.DatabasePath = test::DemoDatabase();
    auto definition = LoadReportDefinition((dir.Path / "sales.oxr").string(), options);
    const std::string text = TextOf(*definition, dir.Path / "out");
    const auto rows = test::SqlRows(options.DatabasePath,
                                    "SELECT c.CustNo, count(o.OrderNo), coalesce(sum(o.AmountPaid), 0) FROM customer c "
                                    "LEFT JOIN orders o ON o.CustNo = c.CustNo GROUP BY c.CustNo ORDER BY c.CustNo");
    ASSERT_GT(rows.size(), 10u);
    double all = 0;
    std::size_t at = 0;
    for (const auto& r : rows) {
      const double sum = std::stod(r[2]);
      all += sum;
      const std::string expected = r[1] + " orders, " + FormatFloat("#,##0.00", sum);
      at = text.find(expected, at);
      EXPECT_NE(at, std::string::npos) << "customer " << r[0] << ": " << expected;
      if (at == std::string::npos) break;
    }
    EXPECT_NE(text.find("All customers: " + FormatFloat("#,##0.00", all)), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace oxqr
