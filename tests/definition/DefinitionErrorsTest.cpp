// Broken definitions: each fault gives one message with the file, the line and column of
// what is wrong, and nothing is built. The expected position is marked with "@@" in the
// case's text (the marker is removed before loading).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "definition/ReportDefinition.h"
#include "tests/data/TestDatabases.h"

namespace fs = std::filesystem;

namespace oxqr {
namespace {

struct TErrorCase {
  const char* Name;
  std::string Text;     // the definition, "@@" where the message must point
  std::string Message;  // a part of the message
  std::vector<std::pair<std::string, std::string>> Parameters = {};
};

// A definition over the customer table with `body` after its dataset.
std::string Doc(const std::string& body, const std::string& reportAttributes = "",
                const std::string& datasets = "  <table name=\"Customer\" table=\"customer\"/>\n") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<report title=\"T\"" + reportAttributes + ">\n" +
         "  <parameter name=\"Region\" type=\"string\" default=\"East\"/>\n" +
         "  <parameter name=\"Since\" type=\"date\" default=\"2020-01-01\"/>\n" + datasets + body + "</report>\n";
}

// `text` with the marker placed `shift` characters into the first `at`.
std::string Marked(std::string text, const std::string& at, std::size_t shift) {
  return text.insert(text.find(at) + shift, "@@");
}

std::string Detail(const std::string& controls) {
  return "  <band type=\"detail\" name=\"Detail\" height=\"5\">\n" + controls + "  </band>\n";
}

std::vector<TErrorCase> Cases() {
  const std::string text = "    <text left=\"0\" top=\"0\" width=\"40\" height=\"5\" ";
  const std::string crossTab = "rows=\"Customer.Country\" columns=\"Customer.State\" value=\"count(Customer)\"/>\n";
  const std::string chart = "    <chart type=\"bar\" dataset=\"Customer\" ";
  // Charts read the records the report prints: these reports print the customers.
  const auto ChartDoc = [](const std::string& controls) { return Doc(Detail(controls), " dataset=\"Customer\""); };
  return {
      {"MalformedXml", Doc(Detail("    <label text=\"a\">\n  </band@@>\n")), "tag mismatch"},
      {"DocumentTypeRefused", "<?xml version=\"1.0\"?>\n@@<!DOCTYPE report [<!ENTITY a \"aaaa\">]>\n<report/>\n",
       "document type declaration is not allowed"},
      {"ExternalEntityRefused",
       "<?xml version=\"1.0\"?>\n@@<!DOCTYPE report [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n<report title=\"&x;\"/>\n",
       "document type declaration is not allowed"},
      {"WrongRoot", "<?xml version=\"1.0\"?>\n@@<band/>\n", "expected <report>"},
      {"UnknownElement", Doc(Detail("    @@<lable text=\"a\"/>\n")), "<band> has no element <lable>"},
      {"UnknownAttribute", Doc(Detail(text + "@@heigth=\"5\" field=\"Customer.Company\"/>\n")),
       "<text> has no attribute heigth"},
      {"TextWhereNoneBelongs", Doc(Detail("    @@stray words\n")), "text is not allowed here"},
      {"NegativeSize", Doc(Detail("    <label left=\"0\" top=\"0\" @@width=\"-3\" height=\"5\" text=\"a\"/>\n")),
       "width -3 mm is out of range"},
      {"FontSizeZero", Doc(Detail("    <label @@fontSize=\"0\" text=\"a\"/>\n")), "fontSize 0 is out of range (1 to 999)"},
      {"FontSizeTooLarge", Doc(Detail("    <label @@fontSize=\"1000\" text=\"a\"/>\n")), "fontSize 1000 is out of range"},
      {"PageLargerThanFiveMetres", Doc("", " paper=\"custom\" @@pageWidth=\"5001\" pageHeight=\"100\""),
       "pageWidth 5001 mm is out of range (10 to 5000 mm)"},
      {"NotANumber", Doc(Detail("    <label @@left=\"1e3\" text=\"a\"/>\n")), "is not a number of millimetres"},
      // Group options belong to group headers and take sound values.
      {"GroupOptionOnADetailBand", Doc("  <band type=\"detail\" @@keepTogether=\"true\"/>\n"),
       "<band> has no attribute keepTogether"},
      {"OrphanLinesZero",
       Doc("  <band type=\"groupHeader\" field=\"Customer.Country\" @@orphanLines=\"0\"/>\n", " dataset=\"Customer\""),
       "orphanLines 0 is out of range (1 to 10000)"},
      {"OrphanLinesAgainstKeepWithNext",
       Doc("  <band type=\"groupHeader\" field=\"Customer.Country\" keepWithNext=\"false\" @@orphanLines=\"2\"/>\n",
           " dataset=\"Customer\""),
       "which keepWithNext=\"false\" forbids"},
      {"UnknownShift", Doc(Detail("    <label @@shift=\"float\" text=\"a\"/>\n")),
       "'float' is not a shift (one of: withStretch, none)"},
      {"UnknownColour", Doc(Detail("    <label @@color=\"tea\" text=\"a\"/>\n")), "'tea' is not a colour"},
      {"UnknownBandType", Doc("  <band @@type=\"details\" height=\"5\"/>\n"), "unknown band type 'details'"},
      {"UnknownBandReference", Doc("  <band type=\"title\" height=\"5\" @@child=\"Intro\"/>\n"), "unknown band 'Intro'"},
      {"UnknownDataSet", Doc(Detail(text + "@@field=\"Custmer.Company\"/>\n")),
       "unknown dataset 'Custmer' (datasets: Customer)"},
      {"ReportDataSetUnknown", Doc(Detail(""), " @@dataset=\"Orders\""), "unknown dataset 'Orders'"},
      {"UnknownField", Doc(Detail(text + "@@field=\"Customer.Compnay\"/>\n")),
       "unknown field 'Compnay' in dataset Customer (fields: CustNo, Company, "},
      {"UnknownFieldInToken", Doc(Detail("    <label text=\"Dear {Customer.@@Compnay}\"/>\n")),
       "unknown field 'Compnay' in dataset Customer"},
      {"UnknownParameterInToken", Doc(Detail("    <label text=\"{param:@@Regoin}\"/>\n")), "unknown parameter 'Regoin'"},
      {"UnknownToken", Doc(Detail("    <label text=\"Page {@@pgae}\"/>\n")), "pgae"},
      {"UnclosedToken", Doc(Detail("    <label text=\"Page @@{page\"/>\n")), "{"},
      {"UnknownScopeBand", Doc(Detail("    <label text=\"{sum(Customer.TaxRate, @@ByCountry)}\"/>\n")), "ByCountry"},
      {"BarcodeUnknownSymbology", Doc(Detail("    <barcode @@symbology=\"Code93\" text=\"1\"/>\n")),
       "'Code93' is not a symbology (one of: Code128, EAN13, "},
      {"TextRotationNotAQuarterTurn", Doc(Detail("    <label text=\"a\" @@rotation=\"45\"/>\n")),
       "'45' is not a rotation (one of: 0, 90, 180, 270)"},
      {"BarcodeTextAndField", Doc(Detail("    <barcode field=\"Customer.CustNo\" @@text=\"1\"/>\n")),
       "a barcode takes either a text or a field"},
      {"BarcodeUnknownFieldInToken", Doc(Detail("    <barcode text=\"c/{Customer.@@CustNum}\"/>\n")),
       "unknown field 'CustNum' in dataset Customer"},
      {"ChartUnknownType", ChartDoc("    <chart @@type=\"donut\" dataset=\"Customer\"/>\n"),
       "'donut' is not a type (one of: bar, line, area, pie)"},
      {"ChartUnknownDataSet",
       ChartDoc("    <chart type=\"bar\" @@dataset=\"Custmer\" category=\"1\" value=\"1\"/>\n"),
       "unknown dataset 'Custmer' (datasets: Customer)"},
      {"ChartCategoryUnknownField", ChartDoc(chart + "category=\"Customer.@@Compnay\" value=\"1\"/>\n"),
       "unknown field 'Compnay' in dataset Customer"},
      {"ChartValueArgumentUnknownField",
       ChartDoc(chart + "category=\"Customer.Country\" value=\"sum(Customer.@@TaxRat)\"/>\n"),
       "unknown field 'TaxRat'"},
      {"ChartValueNotANumber", ChartDoc(chart + "category=\"Customer.Country\" value=\"@@max(Customer.Company)\"/>\n"),
       "a chart's value must be a number, not a text"},
      {"ChartFieldFormAttributeWithType",
       ChartDoc(chart + "category=\"Customer.Country\" value=\"1\" @@values=\"Customer.TaxRate\"/>\n"),
       "values belongs to the pie of fields (without type)"},
      {"ChartTypedAttributeWithoutType",
       ChartDoc("    <chart labels=\"Customer.Company\" values=\"Customer.TaxRate\" @@series=\"x\"/>\n"),
       "series belongs to a chart with type"},
      {"ChartValueLabelsNotAMode",
       ChartDoc(chart + "category=\"Customer.Country\" value=\"1\" @@labels=\"Customer.Company\"/>\n"),
       "'Customer.Company' is not a labels (one of: none, value, percent)"},
      {"ChartTotalInsideTheValue",
       ChartDoc(chart + "category=\"Customer.Country\" value=\"@@sum(Customer.TaxRate) + 1\"/>\n"),
       "a chart aggregates its records itself: sum(...) may only be the whole value"},
      {"ChartTotalInTheCategory",
       ChartDoc(chart + "category=\"text(@@count(Customer))\" value=\"1\"/>\n"),
       "count(...) may only be the whole value"},
      {"ChartDataSetNotPrinted",
       Doc(Detail("    <chart type=\"bar\" dataset=\"@@Customer\" category=\"1\" value=\"1\"/>\n")),
       "the report prints no records of dataset Customer"},
      {"ChartSortNotOrdered",
       ChartDoc(chart + "category=\"Customer.Country\" value=\"1\" sort=\"@@Customer.Company\"/>\n"),
       "a chart's sort must be a number or a date, not a text"},
      {"ChartUnknownColour", ChartDoc(chart + "category=\"1\" value=\"1\" @@colors=\"navy, tael\"/>\n"),
       "'tael' is not a colour"},
      {"UnknownRole", Doc(Detail("    <label @@role=\"heading7\" text=\"a\"/>\n")),
       "unknown role 'heading7' (one of: heading1 .. heading6)"},
      {"UnknownBandRole", Doc("  <band type=\"detail\" height=\"5\" @@role=\"row\"/>\n"),
       "unknown band role 'row' (one of: tableRow, tableHeader)"},
      {"UnknownConformance", Doc(Detail(""), " @@pdfConformance=\"pdfA1b\""), "unknown PDF conformance 'pdfA1b'"},
      {"NotALanguageTag", Doc(Detail(""), " @@language=\"en_US\""), "'en_US' is not a language tag"},
      {"AltUnknownFieldInToken", Doc(Detail("    <barcode text=\"1\" alt=\"Code of {Customer.@@Compnay}\"/>\n")),
       "unknown field 'Compnay'"},
      {"PrintConditionUnknownField", Doc(Detail("    <label printWhen=\"Customer.@@Phnoe\" text=\"a\"/>\n")),
       "unknown field 'Phnoe'"},
      {"ParameterDefaultOfWrongType",
       "<?xml version=\"1.0\"?>\n<report>\n  <parameter name=\"Since\" type=\"date\" @@default=\"yesterday\"/>\n</report>\n",
       "parameter Since: expected a date"},
      {"ParameterValueOfWrongType", Marked(Doc(""), "<parameter name=\"Since\"", 11), "expected a date",
       {{"Since", "12/31/2024"}}},
      {"UnknownParameterOnTheCommandLine", Marked(Doc(""), "<report", 0), "unknown parameter 'Regoin'",
       {{"Regoin", "North"}}},
      {"SqlError", Doc("", "", "  @@<query name=\"Q\">SELECT *\n    FROM nowhere</query>\n"),
       "no such table: nowhere"},
      {"OwnMaster", Doc("", "", "  <table name=\"A\" table=\"customer\" @@master=\"A\" masterFields=\"CustNo\"/>\n"),
       "cannot be its own master"},
      {"MasterDefinedLater",
       Doc("", "",
           "  <table name=\"A\" table=\"customer\" @@master=\"B\" masterFields=\"CustNo\"/>\n"
           "  <table name=\"B\" table=\"customer\"/>\n"),
       "unknown dataset 'B'"},
      {"MissingTable", Doc("", "", "  @@<table name=\"A\" table=\"invoices\"/>\n"), "invoices"},
      {"MissingPicture", Doc(Detail("    <image @@file=\"missing.png\"/>\n")), "picture file 'missing.png' not found"},
      {"NotAPicture", Doc(Detail("    <image @@file=\"notapicture.png\"/>\n")), "'notapicture.png' is not a picture"},
      {"DataSetDefinedTwice", Doc("", "", "  <table name=\"A\" table=\"customer\"/>\n  <table @@name=\"A\" table=\"customer\"/>\n"),
       "dataset 'A' is defined twice"},
      {"ParameterAfterBands", Doc(Detail("") + "  @@<parameter name=\"Late\"/>\n"), "<parameter> comes before"},
      {"CrossTabUnknownDataSet", Doc(Detail("    <crosstab dataset=\"@@Custmer\" " + crossTab)), "unknown dataset 'Custmer'"},
      {"CrossTabUnknownField", Doc(Detail("    <crosstab dataset=\"Customer\" rows=\"Customer.@@Contry\" columns=\"Customer.State\" value=\"count(Customer)\"/>\n")),
       "unknown field 'Contry'"},
      {"CrossTabValueNotATotal", Doc(Detail("    <crosstab dataset=\"Customer\" rows=\"Customer.Country\" columns=\"Customer.State\" value=\"@@Customer.TaxRate * 2\"/>\n")),
       "a cross-tab's value is a total"},
      {"CrossTabTotalInRows", Doc(Detail("    <crosstab dataset=\"Customer\" rows=\"@@sum(Customer.TaxRate)\" columns=\"Customer.State\" value=\"count(Customer)\"/>\n")),
       "the total goes in its value"},
      {"CrossTabTotalWithGroup", Doc(Detail("    <crosstab dataset=\"Customer\" rows=\"Customer.Country\" columns=\"Customer.State\" value=\"sum(Customer.TaxRate, @@Detail)\"/>\n")),
       "name the group as its group attribute"},
      {"CrossTabSumOfText", Doc(Detail("    <crosstab dataset=\"Customer\" rows=\"Customer.Country\" columns=\"Customer.State\" value=\"sum(@@Customer.Company)\"/>\n")),
       "sum needs numbers"},
      {"CrossTabUnknownGroup", Doc(Detail("    <crosstab dataset=\"Customer\" rows=\"Customer.Country\" columns=\"Customer.State\" value=\"count(Customer)\" group=\"@@ByCountry\"/>\n")),
       "unknown group 'ByCountry'"},
      {"CrossTabWithoutValue", Doc(Detail("    @@<crosstab dataset=\"Customer\" rows=\"Customer.Country\" columns=\"Customer.State\"/>\n")),
       "value"},
  };
}

class DefinitionErrors : public ::testing::TestWithParam<TErrorCase> {};

TEST_P(DefinitionErrors, NameFileLineColumnAndWhatIsWrong) {
  const TErrorCase& c = GetParam();
  const fs::path dir = fs::temp_directory_path() / ("oxqr-def-errors-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "notapicture.png") << "this is text, not a picture\n";
  std::string text = c.Text;
  const std::size_t mark = text.find("@@");
  ASSERT_NE(mark, std::string::npos);
  text.erase(mark, 2);
  int line = 1, column = 1;
  for (std::size_t i = 0; i < mark; ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  TDefinitionOptions options;
  options.DatabasePath = test::DemoDatabase();
  options.Parameters = c.Parameters;
  const std::string file = (dir / "broken.oxr").string();
  try {
    LoadReportDefinitionText(text, file, options);
    FAIL() << "loaded without an error";
  } catch (const EDefinitionError& e) {
    EXPECT_EQ(e.File(), file);
    EXPECT_NE(e.Message().find(c.Message), std::string::npos) << e.what();
    EXPECT_EQ(e.Line(), line) << e.what();
    // Qt places XML syntax errors after the token it could not read.
    if (std::string(c.Name) != "MalformedXml") {
      EXPECT_EQ(e.Column(), column) << e.what();
    }
    EXPECT_EQ(std::string(e.what()).rfind(file + ":" + std::to_string(e.Line()) + ":", 0), 0u) << e.what();
  }
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Table, DefinitionErrors, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.Name); });

// An element left open is named with the line and column where it opened, whether the
// file ends inside it or closes its parent first.
TEST(DefinitionErrors, UnclosedElementNamesWhereItOpened) {
  const std::pair<std::string, std::string> cases[] = {
      {"<report>\n  <band type=\"detail\" height=\"5\">\n    <label text=\"a\">\n",
       "<label> opened at 3:5 is not closed"},
      {"<report>\n  <band type=\"detail\" height=\"5\">\n    <label text=\"a\">\n  </band>\n</report>\n",
       "(<label> opened at 3:5 is not closed)"},
      {"<report>\n  <band type=\"title\" height=\"5\">\n", "<band> opened at 2:3 is not closed"},
  };
  for (const auto& [text, message] : cases) {
    try {
      LoadReportDefinitionText(text, "open.oxr");
      FAIL() << text;
    } catch (const EDefinitionError& e) {
      EXPECT_NE(e.Message().find(message), std::string::npos) << e.what();
    }
  }
}

TEST(DefinitionErrors, UnreadableFileIsAnErrorAtItsStart) {
  try {
    LoadReportDefinition("/nonexistent/report.oxr");
    FAIL();
  } catch (const EDefinitionError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("/nonexistent/report.oxr:1:1: cannot read the definition", 0), 0u) << e.what();
  }
}

}  // namespace
}  // namespace oxqr
