// Token labels in a report run: totals per group and over the report, and the values
// printed before they are known ("Page N of M" in the page header, a group's total in its
// header), as the preview's pages and an exported text file show them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "OxQrExport/text/TextFilter.h"
#include "definition/TokenLabel.h"
#include "engine/Report.h"
#include "platform/Files.h"
#include "platform/TextMetrics.h"
#include "tests/engine/FakeDataSet.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using test::FakeDataSet;

TQRTokenLabel& AddText(TQRCustomBand& band, TReportEnvironment& env, const std::string& caption) {
  auto& label = band.Add<TQRTokenLabel>(env);
  label.Caption = caption;
  label.Size = TQRSize{45, 0, 0, 2000};
  return label;
}

TQRCustomBand& AddBand(TQRCustomReport& report, TQRBandType type, double height) {
  auto& band = report.AddBand<TQRCustomBand>(type);
  band.Size.Height = height;
  return band;
}

Strings PageTexts(const TQRPrinter& printer, int page) {
  Strings out;
  for (const auto& r : printer.Page(page)->Records)
    if (const auto* t = std::get_if<MrText>(&r)) out.push_back(t->Text);
  return out;
}

// Orders of three customers on A4 without margins: the page header and title take 200,
// group headers and footers 100, each order 900, so the orders of B start on page 2 and
// those of C run on to page 3.
struct GroupedReport {
  FakeDataSet Orders{"orders",
                     {{"Cust", TFieldType::ftString}, {"Amount", TFieldType::ftFloat}},
                     {{{"Cust", "A"}, {"Amount", "10"}},
                      {{"Cust", "A"}, {"Amount", "20.5"}},
                      {{"Cust", "B"}, {"Amount", "5.25"}},
                      {{"Cust", "C"}, {"Amount", "1"}},
                      {{"Cust", "C"}, {"Amount", "2"}},
                      {{"Cust", "C"}, {"Amount", "3"}}}};
  TQRReport Report;
  TReportEnvironment Env{Report};
  TQRTokenLabel* PageLabel = nullptr;

  GroupedReport() {
    Report.Page.SetPaper(TQRPaperSize::A4);
    Report.Page.SetMarginsMM(0, 0, 0, 0);
    Report.DataSet = &Orders;
    Orders.Field("Amount").DisplayFormat = "0.00";
    Env.AddDataSet("Orders", Orders);

    AddText(AddBand(Report, TQRBandType::rbTitle, 100), Env, "Grand {sum(Orders.Amount)}");
    PageLabel = &AddText(AddBand(Report, TQRBandType::rbPageHeader, 100), Env, "Page {page} of {pages}");
    PageLabel->Alignment = TAlignment::taRightJustify;
    PageLabel->Size = TQRSize{45, 1000, 0, 1000};
    auto& group = Report.AddBand<TQRGroup>();
    group.Name = "ByCustomer";
    group.Expression = "Cust";
    group.Size.Height = 100;
    AddText(group, Env, "{Orders.Cust}: {sum(Orders.Amount, ByCustomer)} in {count(Orders, ByCustomer)}");
    group.FooterBand = &AddBand(Report, TQRBandType::rbGroupFooter, 100);
    // Footers print after the data has moved on: their fields show the group's last record.
    AddText(*group.FooterBand, Env, "{Orders.Cust} subtotal {sum(Orders.Amount, ByCustomer)}");
    AddText(AddBand(Report, TQRBandType::rbDetail, 900), Env, "{Orders.Amount} running {sum(Orders.Amount)}");
    AddText(AddBand(Report, TQRBandType::rbSummary, 100), Env,
            "Total {sum(Orders.Amount)} avg {avg(Orders.Amount)} min {min(Orders.Amount)} max {max(Orders.Amount)} "
            "n {count(Orders)} last {Orders.Cust}");
  }
};

const Strings kPage1{"Page 1 of 3",         "Grand 41.75",    "A: 30.50 in 2", "10.00 running 10.00",
                     "20.50 running 30.50", "A subtotal 30.50", "B: 5.25 in 1"};
const Strings kPage2{"Page 2 of 3", "5.25 running 35.75", "B subtotal 5.25", "C: 6.00 in 3", "1.00 running 36.75"};
const Strings kPage3{"Page 3 of 3", "2.00 running 38.75", "3.00 running 41.75", "C subtotal 6.00",
                     "Total 41.75 avg 6.96 min 1.00 max 20.50 n 6 last C"};

// Page memory budgets: every page in memory, and every page after the first on disk.
class DeferredValues : public ::testing::TestWithParam<std::size_t> {};

TEST_P(DeferredValues, PreviewPagesShowTheFinalValues) {
  GroupedReport r;
  r.Report.QRPrinter().SetPageMemoryBudget(GetParam());
  r.Report.Prepare();
  const TQRPrinter& printer = r.Report.QRPrinter();
  ASSERT_EQ(printer.PageCount(), 3);
  if (GetParam() == 1) {
    EXPECT_GT(printer.PagesOnDisk(), 0);
  }
  EXPECT_EQ(PageTexts(printer, 1), kPage1);
  EXPECT_EQ(PageTexts(printer, 2), kPage2);
  EXPECT_EQ(PageTexts(printer, 3), kPage3);
}

INSTANTIATE_TEST_SUITE_P(PageStore, DeferredValues, ::testing::Values(std::size_t{0}, std::size_t{1}),
                         [](const auto& info) { return info.param == 0 ? "InMemory" : "OnDisk"; });

TEST(DeferredValue, IsAlignedAsIfItHadBeenKnown) {
  GroupedReport r;
  // A right-aligned, auto-sized total in the page header: page 1 prints it before any
  // record ("0.00 in all", narrower than the final text).
  auto& total = AddText(*r.PageLabel->ParentBand(), r.Env, "{sum(Orders.Amount)} in all");
  total.Alignment = TAlignment::taRightJustify;
  total.Size = TQRSize{45, 1000, 50, 1000};
  r.Report.Prepare();
  const TQRPrinter& printer = r.Report.QRPrinter();
  // Its box ends at the label's right edge and starts where its text starts.
  const TRect* box = nullptr;
  const MrText* text = nullptr;
  for (const auto& rec : printer.Page(1)->Records) {
    if (const auto* t = std::get_if<MrText>(&rec); t && t->Text == "41.75 in all") text = t;
    if (const auto* f = std::get_if<MrFillRect>(&rec); f && text == nullptr) box = &f->R;
  }
  ASSERT_NE(text, nullptr);
  ASSERT_NE(box, nullptr);
  const int right = printer.ToDeviceX(2000);
  EXPECT_EQ(box->Right, right);
  EXPECT_EQ(text->X, right - TextExtent(total.Font, "41.75 in all").cx);
  EXPECT_EQ(box->Left, text->X);
}

// A wrapped, centred deferred value lays out its lines as the same label with the final
// text does (the title's twin in the summary prints that text as a plain caption).
TEST(DeferredValue, WrapsAsIfItHadBeenKnown) {
  FakeDataSet orders{"orders", {{"Amount", TFieldType::ftFloat}}, {{{"Amount", "1000000"}}, {{"Amount", "234.5"}}}};
  TQRReport report;
  TReportEnvironment env(report);
  env.AddDataSet("Orders", orders);
  report.DataSet = &orders;
  auto setUp = [](TQRLabel& label) {
    label.AutoSize = false;
    label.WordWrap = true;
    label.Alignment = TAlignment::taCenter;
    label.Size = TQRSize{300, 100, 0, 300};
  };
  setUp(AddText(AddBand(report, TQRBandType::rbTitle, 300), env,
                "Total of all orders: {sum(Orders.Amount):#,##0.00} in all"));
  AddBand(report, TQRBandType::rbDetail, 50);
  auto& twin = AddBand(report, TQRBandType::rbSummary, 300).Add<TQRLabel>();
  twin.Caption = "Total of all orders: 1,000,234.50 in all";
  setUp(twin);
  report.Prepare();

  std::vector<std::pair<std::string, int>> title, summary;
  const TQRPrinter& printer = report.QRPrinter();
  for (const auto& r : printer.Page(1)->Records)
    if (const auto* t = std::get_if<MrText>(&r))
      (t->Y < printer.ToDeviceY(300) ? title : summary).emplace_back(t->Text, t->X);
  EXPECT_GT(title.size(), 1u);
  EXPECT_EQ(title, summary);
}

TEST(DeferredValue, ExportRunTakesThePreviewsValues) {
  std::string dir = (fs::temp_directory_path() / "oxqr-tokens-XXXXXX").string();
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  const std::string path = (fs::path(dir) / "report.txt").string();
  GroupedReport r;
  r.Env.Bind();
  EXPECT_TRUE(r.Report.NeedsPreviewRun);
  r.Report.Prepare();
  TOxQRTextFilter filter(path);
  r.Report.ExportToFilter(filter);
  const std::string text = ReadFileBytes(path);
  fs::remove_all(dir);
  for (const Strings* page : {&kPage1, &kPage2, &kPage3})
    for (const std::string& line : *page) EXPECT_NE(text.find(line), std::string::npos) << line;
  // The pages are in order and nothing shows a page count found part way.
  EXPECT_LT(text.find("Page 1 of 3"), text.find("Page 2 of 3"));
  EXPECT_LT(text.find("Page 2 of 3"), text.find("Page 3 of 3"));
  EXPECT_EQ(text.find(" of 1"), std::string::npos);
  // The preview pages are left as they were.
  EXPECT_EQ(PageTexts(r.Report.QRPrinter(), 1), kPage1);
}

TEST(DeferredValue, ReportWithoutOneLaysOutOnce) {
  FakeDataSet orders{"orders", {{"Amount", TFieldType::ftFloat}}, {{{"Amount", "1"}}, {{"Amount", "2"}}}};
  TQRReport report;
  TReportEnvironment env(report);
  env.AddDataSet("Orders", orders);
  report.DataSet = &orders;
  // Running values and a total after its data are known when they print.
  AddText(AddBand(report, TQRBandType::rbDetail, 100), env, "{sum(Orders.Amount)} {page}");
  AddText(AddBand(report, TQRBandType::rbSummary, 100), env, "{sum(Orders.Amount)}");
  AddText(AddBand(report, TQRBandType::rbPageFooter, 100), env, "so far {sum(Orders.Amount)}");
  env.Bind();
  EXPECT_FALSE(report.NeedsPreviewRun);
  report.Prepare();
  EXPECT_EQ(PageTexts(report.QRPrinter(), 1), (Strings{"1 1", "3 1", "3", "so far 3"}));
}

TEST(Aggregates, DatesAndTextCompareByTypeAndEmptyValuesCountNowhere) {
  FakeDataSet fruit{"fruit",
                    {{"Name", TFieldType::ftString}, {"Day", TFieldType::ftDate}, {"Qty", TFieldType::ftInteger}},
                    {{{"Name", "pear"}, {"Day", "2024-03-01"}, {"Qty", "2"}},
                     {{"Name", "apple"}, {"Day", "2024-01-15"}},
                     {{"Name", "fig"}, {"Day", "2024-02-10"}, {"Qty", "5"}}}};
  TQRReport report;
  TReportEnvironment env(report);
  env.AddDataSet("Fruit", fruit);
  report.DataSet = &fruit;
  AddBand(report, TQRBandType::rbDetail, 100);
  auto& summary = AddBand(report, TQRBandType::rbSummary, 100);
  AddText(summary, env, "{min(Fruit.Day)} {max(Fruit.Day):yyyy-mm-dd} {min(Fruit.Name)} {max(Fruit.Name)}");
  AddText(summary, env, "{count(Fruit.Qty)} of {count(Fruit)}, {sum(Fruit.Qty)}, {avg(Fruit.Qty)} {min(Fruit.Qty)}");
  report.Prepare();
  EXPECT_EQ(PageTexts(report.QRPrinter(), 1), (Strings{"1/15/2024 2024-03-01 apple pear", "2 of 3, 7, 3.5 2"}));
}

TEST(DeferredValue, SubDetailTotalsRestartForEachMasterRecord) {
  FakeDataSet customers{"customers", {{"Cust", TFieldType::ftString}}, {{{"Cust", "A"}}, {{"Cust", "B"}}}};
  FakeDataSet orders{"orders",
                     {{"Cust", TFieldType::ftString}, {"Qty", TFieldType::ftInteger}},
                     {{{"Cust", "A"}, {"Qty", "2"}}, {{"Cust", "B"}, {"Qty", "5"}}, {{"Cust", "A"}, {"Qty", "3"}}}};
  orders.LinkTo(customers, "Cust");
  TQRReport report;
  TReportEnvironment env(report);
  env.AddDataSet("Customer", customers);
  env.AddDataSet("Orders", orders);
  report.DataSet = &customers;
  AddText(AddBand(report, TQRBandType::rbDetail, 100), env, "{Customer.Cust}");
  auto& items = report.AddBand<TQRSubDetail>();
  items.Name = "Items";
  items.DataSet = &orders;
  items.Size.Height = 100;
  AddText(items, env, "{Orders.Qty}");
  items.HeaderBand = &AddBand(report, TQRBandType::rbGroupHeader, 100);
  AddText(*items.HeaderBand, env, "{count(Orders, Items)} lines, {sum(Orders.Qty, Items)} of {sum(Orders.Qty)}");
  items.FooterBand = &AddBand(report, TQRBandType::rbGroupFooter, 100);
  AddText(*items.FooterBand, env, "qty {sum(Orders.Qty, Items)}");
  report.Prepare();
  EXPECT_EQ(PageTexts(report.QRPrinter(), 1),
            (Strings{"A", "2 lines, 5 of 10", "2", "3", "qty 5", "B", "1 lines, 5 of 10", "5", "qty 5"}));
}

}  // namespace
}  // namespace oxqr
