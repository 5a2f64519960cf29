// Definitions checked by programs no one here wrote: xmllint validates the shipped
// definitions and the README's example against the schema and rejects broken ones, and
// pdftotext reads the tutorial's report; the exporter's files of it in every format are read
// back (pdftotext, openpyxl, the text itself).
#include <gtest/gtest.h>

#include <sstream>

#include "../DefinitionTestSupport.h"
#include "ReadBack.h"
#include "OxQrExport/core/Settings.h"
#include "definition/ReportDefinition.h"
#include "tests/OxQrExport/support/ReaderSupport.h"
#include "tests/data/TestDatabases.h"

namespace fs = std::filesystem;

namespace oxqr {
namespace {

using testing::HaveProgram;
using testing::RunShell;
using testing::ShellQuote;

const fs::path kSchema = fs::path(OXQR_TEST_SOURCE_DIR) / "definition" / "oxr.xsd";

int Validate(const fs::path& file) {
  return RunShell("xmllint --noout --schema " + ShellQuote(kSchema.string()) + " " + ShellQuote(file.string()) +
                  " 2>&1").Status;
}

TEST(DefinitionSchema, AcceptsTheShippedDefinitionsAndTheReadmeExample) {
  if (!HaveProgram("xmllint")) GTEST_SKIP() << "xmllint is missing";
  int files = 0;
  for (const auto& e : fs::directory_iterator(fs::path(OXQR_TEST_SOURCE_DIR) / "Showcase" / "reports")) {
    if (e.path().extension() != ".oxr") continue;
    EXPECT_EQ(Validate(e.path()), 0) << e.path();
    ++files;
  }
  EXPECT_GE(files, 4);
  test::TScratchDir dir("schema");
  const std::string example = test::TutorialBlock("oxr");
  ASSERT_FALSE(example.empty());
  std::ofstream(dir.Path / "sales.oxr") << example;
  EXPECT_EQ(Validate(dir.Path / "sales.oxr"), 0);
}

TEST(DefinitionSchema, RejectsBrokenDefinitions) {
  if (!HaveProgram("xmllint")) GTEST_SKIP() << "xmllint is missing";
  const std::pair<const char*, const char*> broken[] = {
      {"UnknownElement", "<report><band type=\"detail\"><lable/></band></report>"},
      {"UnknownAttribute", "<report><band type=\"detail\" heigth=\"5\"/></report>"},
      {"UnknownBandType", "<report><band type=\"details\"/></report>"},
      {"FontSizeZero", "<report><band type=\"detail\"><label fontSize=\"0\"/></band></report>"},
      {"FontSizeTooLarge", "<report><band type=\"detail\"><label fontSize=\"1000\"/></band></report>"},
      {"LengthNotMillimetres", "<report><band type=\"detail\" height=\"5cm\"/></report>"},
      {"UnknownColour", "<report><band type=\"detail\" color=\"tea\"/></report>"},
      {"FieldWithoutDataSet", "<report><band type=\"detail\"><text field=\"Company\"/></band></report>"},
      {"ParameterAfterBand", "<report><band type=\"detail\"/><parameter name=\"A\"/></report>"},
      {"TextMissingField", "<report><band type=\"detail\"><text/></band></report>"},
      {"WrongParameterType", "<report><parameter name=\"A\" type=\"money\"/></report>"},
      {"ZoomOutOfRange", "<report zoom=\"5\"/>"},
      {"TextRotationNotAQuarterTurn", "<report><band type=\"detail\"><label rotation=\"45\"/></band></report>"},
      {"JsonFieldWithoutType", "<report><json name=\"A\" file=\"a.json\"><field name=\"X\"/></json></report>"},
      {"JsonFieldUnknownType", "<report><json name=\"A\"><field name=\"X\" type=\"money\"/></json></report>"},
  };
  test::TScratchDir dir("broken");
  for (const auto& [name, text] : broken) {
    const fs::path file = dir.Path / (std::string(name) + ".oxr");
    std::ofstream(file) << text;
    EXPECT_NE(Validate(file), 0) << name;
  }
}

// JSON datasets written back: the same elements, types and formats, valid against the schema,
// and the same records when loaded again.
TEST(DefinitionSchema, JsonDataSetsSaveValidAndLoadAgain) {
  if (!HaveProgram("xmllint")) GTEST_SKIP() << "xmllint is missing";
  test::TScratchDir dir("json");
  std::ofstream(dir.Path / "orders.json") << R"({"shop": {"orders": [
    {"No": 1, "On": "2026-03-09T10:30:00", "Total": 12.5, "lines": [{"Item": "Bolt"}, {"Item": "Nut"}]},
    {"No": 2, "On": "2026-03-10T08:00:00", "Total": 3, "lines": []}]}})";
  std::ofstream(dir.Path / "orders.oxr") << R"(<report name="Orders" dataset="Orders">
  <json name="Orders" file="orders.json" path="shop.orders">
    <field name="No" type="integer"/>
    <field name="On" type="datetime" format="dd.mm.yyyy hh:nn"/>
    <field name="Total" type="currency"/>
  </json>
  <json name="Lines" path="shop.orders.lines"><field name="Item" type="string"/></json>
  <band type="detail" name="Order" height="5"><text left="0" top="0" width="40" height="4.5" field="Orders.On"/></band>
  <band type="subDetail" dataset="Lines" master="Order" height="5">
    <text left="0" top="0" width="40" height="4.5" field="Lines.Item"/>
  </band>
</report>
)";
  auto definition = LoadReportDefinition((dir.Path / "orders.oxr").string());
  SaveReportDefinition(definition->Report(), (dir.Path / "saved.oxr").string(), DefinitionNames(*definition));
  const std::string saved = test::ReadText(dir.Path / "saved.oxr");
  EXPECT_NE(saved.find(R"(<json name="Orders" file="orders.json" path="shop.orders">)"), std::string::npos) << saved;
  EXPECT_NE(saved.find(R"(<field name="On" type="datetime" format="dd.mm.yyyy hh:nn"/>)"), std::string::npos);
  EXPECT_NE(saved.find(R"(<json name="Lines" path="shop.orders.lines">)"), std::string::npos);
  EXPECT_EQ(Validate(dir.Path / "saved.oxr"), 0) << saved;

  auto again = LoadReportDefinition((dir.Path / "saved.oxr").string());
  TDataSet& orders = *again->FindDataSet("Orders");
  TDataSet& lines = *again->FindDataSet("Lines");
  std::vector<std::string> seen;
  for (orders.First(); !orders.Eof(); orders.Next()) {
    seen.push_back(orders.FieldByName("On").DisplayText() + " " + orders.FieldByName("Total").DisplayText());
    for (lines.First(); !lines.Eof(); lines.Next()) seen.push_back(lines.FieldByName("Item").AsString());
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"09.03.2026 10:30 $12.50", "Bolt", "Nut", "10.03.2026 08:00 $3.00"}));
}

TEST(DefinitionTutorial, PdfShowsTheGroupTotalsTheReportTotalAndPageTwoOfThree) {
  if (!HaveProgram("pdftotext")) GTEST_SKIP() << "pdftotext is missing";
  InitializeExportLibrary();
  test::TScratchDir dir("tutorial-pdf");
  const std::string db = (dir.Path / "shop.sqlite").string();
  test::CreateDatabase(db, test::TutorialBlock("sql"));
  std::ofstream(dir.Path / "sales.oxr") << test::TutorialBlock("oxr");
  TDefinitionOptions options;
  options.DatabasePath = db;
  auto definition = LoadReportDefinition((dir.Path / "sales.oxr").string(), options);
  test::SaveTypes(definition->Report(), dir.Path / "sales", {"pdf"});
  const auto text = RunShell("pdftotext -layout " + ShellQuote((dir.Path / "sales.pdf").string()) + " -");
  ASSERT_EQ(text.Status, 0);
  for (const char* expected : {"East: 40 sales", "Total of East: 6,150.00", "Total of North: 5,950.00",
                               "Total of South: 6,050.00", "Total of all regions: 18,150.00", "Page 1 of 3",
                               "Page 2 of 3", "Page 3 of 3"}) {
    EXPECT_NE(text.Output.find(expected), std::string::npos) << expected << "\n" << text.Output;
  }
  EXPECT_EQ(text.Output.find("Page 4"), std::string::npos);
}

using test::ExportAndReadBack;
using test::ReadBack;

// The exporter lays a report out once for the formats that read no preview, but values known
// only after a whole run (a group's count in its header, "Page N of M") need the preview run
// first, in every format.
TEST(DefinitionTutorial, ExporterWritesTheGroupCountsAndPageTwoOfThreeInEveryFormat) {
  if (!HaveProgram("pdftotext")) GTEST_SKIP() << "pdftotext is missing";
  const bool openpyxl = RunShell("python3 -c 'import openpyxl' 2>/dev/null").Status == 0;
  test::TScratchDir dir("tutorial-cli");
  test::CreateDatabase((dir.Path / "shop.sqlite").string(), test::TutorialBlock("sql"));
  std::ofstream(dir.Path / "sales.oxr") << test::TutorialBlock("oxr");
  for (const std::string ext : {"pdf", "txt", "xls", "xlsx", "csv", "rtf", "htm"}) {
    if (ext == "xlsx" && !openpyxl) continue;
    const std::string text = ExportAndReadBack(dir.Path, "--db shop.sqlite sales.oxr sales." + ext);
    for (const char* expected : {"East: 40 sales", "North: 40 sales", "South: 40 sales", "Page 1 of 3", "Page 2 of 3",
                                 "Page 3 of 3"})
      EXPECT_NE(text.find(expected), std::string::npos) << ext << ": " << expected << "\n" << text;
    for (const char* wrong : {": 0 sales", "Page 1 of 1", "Page 2 of 2"})
      EXPECT_EQ(text.find(wrong), std::string::npos) << ext << ": " << wrong;
  }
}

// Each burst is a document of its own: "Page N of M" counts that document's pages, whether
// it comes first or after a longer one, and the manifest agrees.
TEST(DefinitionTutorial, BurstDocumentsCountTheirOwnPages) {
  if (!HaveProgram("pdftotext")) GTEST_SKIP() << "pdftotext is missing";
  test::TScratchDir dir("tutorial-burst");
  // 120 sales in the East (three pages), 10 in the North (one page).
  test::CreateDatabase((dir.Path / "shop.sqlite").string(),
                       "CREATE TABLE sales (region TEXT, city TEXT, amount CURRENCY);\n"
                       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 130)\n"
                       "INSERT INTO sales SELECT CASE WHEN i <= 120 THEN 'East' ELSE 'North' END,\n"
                       "                         'City ' || i, i FROM n;\n");
  std::ofstream(dir.Path / "sales.oxr") << test::TutorialBlock("oxr");
  ExportAndReadBack(dir.Path, "--db shop.sqlite --manifest m.jsonl --burst region sales.oxr 'out/{region}.pdf'");
  const std::string east = ReadBack(dir.Path / "out" / "East.pdf");
  for (const char* expected : {"East: 120 sales", "Page 1 of 3", "Page 3 of 3"})
    EXPECT_NE(east.find(expected), std::string::npos) << expected << "\n" << east;
  const std::string north = ReadBack(dir.Path / "out" / "North.pdf");
  EXPECT_NE(north.find("North: 10 sales"), std::string::npos) << north;
  EXPECT_NE(north.find("Page 1 of 1"), std::string::npos) << north;
  EXPECT_EQ(north.find("of 3"), std::string::npos) << north;
  const std::string manifest = test::ReadText(dir.Path / "m.jsonl");
  EXPECT_NE(manifest.find("\"pages\":3"), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("\"pages\":1"), std::string::npos) << manifest;
}

// The README's invoice report through the exporter as a user runs it: pdftotext shows the
// computed totals, the month groups and the stamp only on paid orders; openpyxl shows the
// unpaid totals red and bold; the text file holds the month totals.
TEST(DefinitionTutorial, InvoicesComputeTaxTotalsStampsAndRedUnpaidAmounts) {
  if (!HaveProgram("pdftotext") || RunShell("/usr/bin/python3 -c 'import openpyxl' 2>/dev/null").Status != 0) GTEST_SKIP() << "pdftotext or openpyxl is missing";
  test::TScratchDir dir("tutorial-invoices");
  const std::string db = (dir.Path / "invoices.sqlite").string();
  test::CreateDatabase(db, test::TutorialBlock("invoice-sql"));
  std::ofstream(dir.Path / "invoices.oxr") << test::TutorialBlock("invoice");
  ASSERT_EQ(Validate(dir.Path / "invoices.oxr"), 0);
  const std::string exporter = std::string(OXQR_TEST_BINARY_DIR) + "/bin/oxqr-export";
  for (const char* ext : {"pdf", "xlsx", "txt"}) {
    const auto run = RunShell(ShellQuote(exporter) + " --quiet --db " + ShellQuote(db) + " " +
                              ShellQuote((dir.Path / "invoices.oxr").string()) + " " +
                              ShellQuote((dir.Path / ("invoices." + std::string(ext))).string()) + " 2>&1");
    ASSERT_EQ(run.Status, 0) << run.Output;
  }
  const auto pdf = RunShell("pdftotext -layout " + ShellQuote((dir.Path / "invoices.pdf").string()) + " -");
  ASSERT_EQ(pdf.Status, 0);
  for (const char* expected : {"January 2024", "February 2024", "March 2024", "103.13", "1,353.13", "511.73",
                               "Total of January: 1,864.86", "Total of February: 2,508.24", "Total of March: 331.81",
                               "Grand total: 4,704.91, unpaid 1,911.73", "Page 1 of 1",
                               // counted before their records, filled in by the preview run
                               "January 2024: 2 invoices", "February 2024: 2 invoices", "March 2024: 1 invoices"})
    EXPECT_NE(pdf.Output.find(expected), std::string::npos) << expected << "\n" << pdf.Output;
  // The stamp is on the lines of the orders paid in full, and only there.
  std::istringstream lines(pdf.Output);
  int stamps = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.find("PAID") == std::string::npos) continue;
    ++stamps;
    EXPECT_TRUE(line.find("1001") != std::string::npos || line.find("1003") != std::string::npos ||
                line.find("1005") != std::string::npos)
        << line;
  }
  EXPECT_EQ(stamps, 3);

  const std::string script =
      "import openpyxl, sys\n"
      "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
      "for row in ws.iter_rows():\n"
      "    for c in row:\n"
      "        if c.value in ('1,353.13', '511.73', '108.24', '2,400.00', '331.81'):\n"
      "            rgb = c.font.color.rgb if c.font.color is not None else None\n"
      "            print(c.value, 'red' if rgb == 'FFFF0000' else 'plain', 'bold' if c.font.b else 'normal')\n";
  const auto xlsx = RunShell("/usr/bin/python3 -c " + ShellQuote(script) + " " +
                             ShellQuote((dir.Path / "invoices.xlsx").string()) + " 2>&1");
  ASSERT_EQ(xlsx.Status, 0) << xlsx.Output;
  // The items total 2,400.00 of order 1004 is plain; its grand total is red.
  EXPECT_EQ(xlsx.Output,
            "1,353.13 plain normal\n511.73 red bold\n108.24 plain normal\n2,400.00 plain normal\n"
            "2,400.00 red bold\n331.81 plain normal\n");

  const std::string text = test::ReadText(dir.Path / "invoices.txt");
  for (const char* expected : {"Total of January: 1,864.86", "Total of February: 2,508.24", "Total of March: 331.81"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected;
}

// Calculated fields through the exporter as a user runs it: the schema takes them, the PDF
// shows their values, a group on one, a condition on one and their total; a burst by a
// calculated field writes one document per value.
TEST(DefinitionCalcFields, ExporterPrintsGroupsAndBurstsByThem) {
  if (!HaveProgram("pdftotext") || !HaveProgram("xmllint")) GTEST_SKIP() << "pdftotext or xmllint is missing";
  test::TScratchDir dir("calc-cli");
  test::CreateDatabase((dir.Path / "shop.sqlite").string(),
                       "CREATE TABLE orders (no INTEGER, amount CURRENCY, taxrate FLOAT, paid CURRENCY);"
                       "INSERT INTO orders VALUES (1001, 200, 10, 220), (1002, 150.10, 10, 100), (1003, 20, 5, NULL);");
  std::ofstream(dir.Path / "orders.oxr")
      << "<report dataset=\"Orders\" burstField=\"Size\">\n"
         "  <query name=\"Orders\">SELECT * FROM orders ORDER BY no\n"
         "    <calc name=\"Tax\" expression=\"round(Orders.amount * Orders.taxrate / 100, 2)\" format=\"#,##0.00\"/>\n"
         "    <calc name=\"GrandTotal\" expression=\"Orders.amount + Orders.Tax\" format=\"#,##0.00\"/>\n"
         "    <calc name=\"Due\" expression=\"Orders.GrandTotal - coalesce(Orders.paid, 0)\"/>\n"
         "    <calc name=\"Size\" expression=\"if(Orders.amount >= 100, 'Large', 'Small')\"/>\n"
         "  </query>\n"
         "  <band type=\"groupHeader\" field=\"Orders.Size\" height=\"8\">\n"
         "    <label left=\"0\" top=\"0\" width=\"100\" height=\"6\" text=\"Group {Orders.Size}\"/>\n"
         "  </band>\n"
         "  <band type=\"detail\" height=\"6\">\n"
         "    <label left=\"0\" top=\"0\" width=\"100\" height=\"5\" text=\"Order {Orders.no} tax {Orders.Tax}\"/>\n"
         "    <text left=\"100\" top=\"0\" width=\"30\" height=\"5\" field=\"Orders.GrandTotal\"/>\n"
         "    <label left=\"130\" top=\"0\" width=\"30\" height=\"5\" text=\"UNPAID\" printWhen=\"Orders.Due > 0\"/>\n"
         "  </band>\n"
         "  <band type=\"summary\" height=\"6\">\n"
         "    <label left=\"0\" top=\"0\" width=\"150\" height=\"5\" "
         "text=\"Grand total {sum(Orders.GrandTotal):#,##0.00} due {= sum(Orders.Due):0.00}\"/>\n"
         "  </band>\n"
         "</report>\n";
  ASSERT_EQ(Validate(dir.Path / "orders.oxr"), 0);
  ExportAndReadBack(dir.Path, "--db shop.sqlite orders.oxr orders.pdf");
  const auto pdf = RunShell("pdftotext -layout " + ShellQuote((dir.Path / "orders.pdf").string()) + " -");
  ASSERT_EQ(pdf.Status, 0);
  for (const char* expected : {"Group Large", "Order 1001 tax 20.00", "220.00", "Order 1002 tax 15.01", "165.11",
                               "Group Small", "Order 1003 tax 1.00", "21.00", "Grand total 406.11 due 86.11"})
    EXPECT_NE(pdf.Output.find(expected), std::string::npos) << expected << "\n" << pdf.Output;
  std::istringstream lines(pdf.Output);
  int unpaid = 0;
  for (std::string line; std::getline(lines, line);)
    if (line.find("UNPAID") != std::string::npos) {
      ++unpaid;
      EXPECT_TRUE(line.find("1002") != std::string::npos || line.find("1003") != std::string::npos) << line;
    }
  EXPECT_EQ(unpaid, 2);

  ExportAndReadBack(dir.Path, "--db shop.sqlite --burst Size orders.oxr 'out/{Size}.pdf'");
  const std::string large = ReadBack(dir.Path / "out" / "Large.pdf");
  const std::string small = ReadBack(dir.Path / "out" / "Small.pdf");
  EXPECT_NE(large.find("Grand total 385.11"), std::string::npos) << large;
  EXPECT_EQ(large.find("1003"), std::string::npos) << large;
  EXPECT_NE(small.find("Grand total 21.00"), std::string::npos) << small;
  EXPECT_EQ(small.find("1001"), std::string::npos) << small;
}

}  // namespace
}  // namespace oxqr
