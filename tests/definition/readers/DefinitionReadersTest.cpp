// Definitions checked by programs no one here wrote: xmllint validates the shipped
// definitions and the README's example against the schema and rejects broken ones, and
// pdftotext reads the tutorial's report.
#include <gtest/gtest.h>

#include "../DefinitionTestSupport.h"
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

}  // namespace
}  // namespace oxqr
