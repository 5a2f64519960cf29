// Saving a definition and loading it again gives the same report: every sample and the
// README's tutorial export the same bytes before and after the round trip.
#include <gtest/gtest.h>

#include "CrossTabFixture.h"
#include "DefinitionTestSupport.h"
#include "OxQrCtrls/ExportControls.h"
#include "OxQrExport/core/Settings.h"
#include "Showcase/samples/SampleReports.h"
#include "charting/ChartApplication.h"
#include "definition/ReportDefinition.h"
#include "tests/data/TestDatabases.h"

namespace fs = std::filesystem;

namespace oxqr {
namespace {

// Charts draw through the widget application, which must exist before any test of this
// program starts the plain GUI application that measuring text would.
class TChartApplication final : public ::testing::Environment {
 public:
  void SetUp() override { TryEnsureChartApplication(); }
};
[[maybe_unused]] auto* const kChartApplication = ::testing::AddGlobalTestEnvironment(new TChartApplication);

const std::vector<std::string> kTypes{"qrp", "pdf", "rtf", "htm", "xls", "txt"};

void ExpectRoundTrip(const std::string& definition, const std::string& database, const std::string& key) {
  TryEnsureChartApplication();
  InitializeExportLibrary();
  test::TScratchDir dir("roundtrip-" + key);
  TDefinitionOptions options;
  options.DatabasePath = database;
  auto first = LoadReportDefinition(definition, options);
  const fs::path saved = dir.Path / "saved" / (key + ".oxr");
  fs::create_directories(saved.parent_path());
  SaveReportDefinition(first->Report(), saved.string(), DefinitionNames(*first));
  auto second = LoadReportDefinition(saved.string(), options);

  fs::create_directories(dir.Path / "a");
  fs::create_directories(dir.Path / "b");
  test::SaveTypes(first->Report(), dir.Path / "a" / key, kTypes);
  test::SaveTypes(second->Report(), dir.Path / "b" / key, kTypes);
  for (const std::string& ext : kTypes) {
    const std::string name = key + "." + ext;
    EXPECT_TRUE(test::ReadText(dir.Path / "a" / name) == test::ReadText(dir.Path / "b" / name)) << name;
  }
  // Saving the loaded copy again writes the same definition.
  const fs::path again = dir.Path / "again" / (key + ".oxr");
  fs::create_directories(again.parent_path());
  SaveReportDefinition(second->Report(), again.string(), DefinitionNames(*second));
  EXPECT_EQ(test::ReadText(again), test::ReadText(saved));
}

class RoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(RoundTrip, SampleExportsTheSameBytesAfterSavingAndLoading) {
  TSampleContext ctx{test::DemoDatabase(), ""};
  ExpectRoundTrip(SampleReportFile(GetParam(), ctx), test::DemoDatabase(), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Samples, RoundTrip, ::testing::ValuesIn(SampleReportKeys()));

TEST(RoundTrip, TutorialWithQueryTokensAndGroupsExportsTheSameBytes) {
  test::TScratchDir dir("tutorial");
  const std::string db = (dir.Path / "shop.sqlite").string();
  test::CreateDatabase(db, test::TutorialBlock("sql"));
  std::ofstream(dir.Path / "sales.oxr") << test::TutorialBlock("oxr");
  ExpectRoundTrip((dir.Path / "sales.oxr").string(), db, "sales");
}

TEST(RoundTrip, CrossTabsKeepTheirExpressionsGroupsAndLook) {
  for (const auto& [key, text] : {std::pair{"bymonth", test::CrossTabByMonth()}, {"percountry", test::CrossTabPerCountry()}}) {
    test::TScratchDir dir(std::string("crosstab-") + key);
    std::ofstream(dir.Path / "x.oxr") << text;
    ExpectRoundTrip((dir.Path / "x.oxr").string(), test::DemoDatabase(), key);
  }
}

// Typed charts of every kind with every attribute, in a group footer and the summary.
TEST(RoundTrip, TypedChartsKeepTheirExpressionsAndLook) {
  test::TScratchDir dir("charts");
  const std::string db = (dir.Path / "sales.sqlite").string();
  test::CreateDatabase(db,
                       "CREATE TABLE sales (customer VARCHAR(20), method VARCHAR(10), sold DATE, amount CURRENCY);\n"
                       "INSERT INTO sales VALUES ('Alpha','Cash','2024-01-15',1000), ('Alpha','Card','2024-02-10',250),"
                       " ('Beta','Cash','2024-02-05',300), ('Beta','Cheque','2024-03-12',75);\n");
  std::ofstream(dir.Path / "charts.oxr") << R"oxr(<report title="Charts" dataset="Sales">
  <query name="Sales">SELECT customer, method, sold, amount FROM sales ORDER BY customer</query>
  <band type="groupHeader" name="ByCustomer" field="Sales.customer" footer="Foot" height="5"/>
  <band type="groupFooter" name="Foot" height="50">
    <chart name="PerCustomer" left="0" top="0" width="90" height="45" type="bar" orientation="horizontal"
           stacked="true" dataset="Sales" category="Sales.method" value="avg(Sales.amount)" series="Sales.customer"
           labels="percent" colors="navy,#FF8000" legend="false" title="Average" titleFontSize="14"
           labelFont="Times New Roman" labelFontSize="7" panelColor="#F0F0F0"/>
  </band>
  <band type="summary" height="100">
    <chart name="Months" left="0" top="0" width="90" height="45" type="line" markers="false" dataset="Sales"
           category="date(year(Sales.sold), month(Sales.sold), 1)" value="Sales.amount" labels="value"/>
    <chart name="Counts" left="95" top="0" width="90" height="45" type="area" dataset="Sales"
           category="monthname(Sales.sold)" sort="month(Sales.sold)" value="count(Sales)"/>
    <chart name="Share" left="0" top="50" width="90" height="45" type="pie" dataset="Sales"
           category="Sales.customer" value="max(Sales.amount)" labels="value"/>
  </band>
</report>
)oxr";
  ExpectRoundTrip((dir.Path / "charts.oxr").string(), db, "charts");
}

// The writer describes a report built in code, pictures and all.
TEST(RoundTrip, ReportBuiltInCodeIsWrittenWithItsPictureBesideIt) {
  test::TScratchDir dir("code");
  TQRReport report;
  report.ReportTitle = "Made in code";
  report.Page.SetMarginsMM(10, 10, 10, 10);
  auto& title = report.AddBand(TQRBandType::rbTitle);
  title.SetHeightMM(20);
  auto& label = title.Add<TOxQRLabel>();
  label.Caption = "Braces {stay} literal";
  label.SetBoundsMM(0, 0, 80, 5);
  auto& image = title.Add<TOxQRImage>();
  image.Name = "Logo";
  image.Picture.SetSize(8, 8);
  image.SetBoundsMM(100, 0, 10, 10);
  SaveReportDefinition(report, (dir.Path / "made.oxr").string());
  EXPECT_TRUE(fs::exists(dir.Path / "made-Logo.png"));
  auto loaded = LoadReportDefinition((dir.Path / "made.oxr").string());
  const auto& controls = loaded->Report().Bands().at(0)->Controls();
  ASSERT_EQ(controls.size(), 2u);
  EXPECT_EQ(dynamic_cast<const TQRLabel&>(*controls[0]).Text(), "Braces {stay} literal");
  EXPECT_EQ(dynamic_cast<const TQRImage&>(*controls[1]).Picture.Width(), 8);
  EXPECT_EQ(loaded->Report().ReportTitle, "Made in code");
}

}  // namespace
}  // namespace oxqr
