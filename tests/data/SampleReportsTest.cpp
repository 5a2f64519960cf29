// The two database sample reports, run through the engine: pages, bands per page and
// the continuation of a long event description.
#include <gtest/gtest.h>

#include <algorithm>

#include "Showcase/samples/SampleReports.h"
#include "TestDatabases.h"
#include "data/Table.h"
#include "data/tools/DemoDataSources.h"
#include "engine/ExportFilter.h"

namespace oxqr {
namespace {

// Collects the printed text lines of each page of an export run.
class PageTextFilter final : public TQRExportFilter {
 public:
  PageTextFilter() : TQRExportFilter("") {}
  std::vector<std::vector<std::string>> Pages;
  void OpenPage() override { Pages.emplace_back(); }
  void WriteText(double, double, const TFont&, TColor, TAlignment, const std::string& text) override {
    if (!Pages.empty()) Pages.back().push_back(text);
  }
};

bool Has(const std::vector<std::string>& lines, const std::string& text) {
  return std::find(lines.begin(), lines.end(), text) != lines.end();
}

using TPageTexts = std::vector<std::vector<std::string>>;

TPageTexts Export(TSampleReport& sample) {
  sample.Report().Prepare();
  PageTextFilter filter;
  sample.Report().ExportToFilter(filter);
  EXPECT_EQ(static_cast<int>(filter.Pages.size()), sample.Report().QRPrinter().PageCount());
  return filter.Pages;
}

TSampleContext Context() { return {test::DemoDatabase(), OXQR_TEST_SOURCE_DIR}; }

TEST(SampleReports, RegistryListsTheDatabaseReports) {
  const auto keys = SampleReportKeys();
  ASSERT_GE(keys.size(), 2u);
  EXPECT_EQ(keys[0], "customers");
  EXPECT_EQ(keys[1], "events");
  EXPECT_EQ(MakeSampleReport("customers", Context())->Title(), "Customer Orders, Master-Detail");
  EXPECT_EQ(MakeSampleReport("events", Context())->Key(), "events");
  EXPECT_THROW(MakeSampleReport("invoices", Context()), std::invalid_argument);
}

TEST(SampleReports, CustomersReportHasTitleOnceAndHeaderOnEveryPage) {
  auto sample = MakeCustomersReport(Context());
  const TPageTexts pages = Export(*sample);
  ASSERT_GT(pages.size(), 1u);
  for (std::size_t p = 0; p < pages.size(); ++p) {
    EXPECT_EQ(Has(pages[p], "OxQRFilters Master-Detail Demo"), p == 0) << "page " << p + 1;
    EXPECT_TRUE(Has(pages[p], "OxQRFilters")) << "page " << p + 1;
  }
  // The first order prints with its display format under the column captions.
  EXPECT_TRUE(Has(pages[0], "#1001") || std::any_of(pages.begin(), pages.end(),
                                                      [](const auto& page) { return Has(page, "#1001"); }));
  EXPECT_TRUE(Has(pages[0], "Order #"));
}

TEST(SampleReports, EventsReportContinuesALongDescriptionOnTheNextPage) {
  auto sample = MakeEventsReport(Context());
  const TPageTexts pages = Export(*sample);
  ASSERT_GT(pages.size(), 1u);

  // A page that does not start with a new event's caption after its header starts with
  // the rest of a description from the page before.
  TTable events;
  events.DatabaseName = test::DemoDatabase();
  events.TableName = "events";
  events.Open();
  std::string descriptions;
  for (; !events.Eof(); events.Next()) descriptions += events.FieldByName("Event_Description").DisplayText() + "\n";

  bool continued = false;
  for (std::size_t p = 1; p < pages.size(); ++p) {
    const auto& lines = pages[p];
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "OxQRFilters") << "the page header comes first on page " << p + 1;
    if (lines[1] != "Event:" && descriptions.find(lines[1]) != std::string::npos) continued = true;
    EXPECT_TRUE(Has(lines, "Page: " + std::to_string(p + 1))) << "footer of page " << p + 1;
  }
  EXPECT_TRUE(continued);
}

TEST(SampleReports, PrintEvenWhenTheTablesAreEmpty) {
  const std::string empty = test::TempPath("_empty.sqlite");
  test::CreateDatabase(empty, std::string(demodata::Source("schema.sql")));
  for (const std::string key : {"customers", "events"}) {
    auto sample = MakeSampleReport(key, {empty, OXQR_TEST_SOURCE_DIR});
    const TPageTexts pages = Export(*sample);
    ASSERT_EQ(pages.size(), 1u) << key;
    EXPECT_TRUE(Has(pages[0], "OxQRFilters")) << key;
  }
}

}  // namespace
}  // namespace oxqr
