// Token labels in a report run: totals per group and over the report, and the values
// printed before they are known ("Page N of M" in the page header, a group's total in its
// header), as the preview's pages and an exported text file show them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "OxQrExport/text/TextFilter.h"
#include "TokenTestData.h"
#include "definition/TokenLabel.h"
#include "engine/Report.h"
#include "platform/Files.h"
#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using test::MemoryDataSet;

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
  MemoryDataSet Orders{"orders",
                       {{"Cust", TFieldType::ftString}, {"Amount", TFieldType::ftFloat}},
                       {{"A", "10"}, {"A", "20.5"}, {"B", "5.25"}, {"C", "1"}, {"C", "2"}, {"C", "3"}}};
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
    AddText(*group.FooterBand, Env, "subtotal {sum(Orders.Amount, ByCustomer)}");
    AddText(AddBand(Report, TQRBandType::rbDetail, 900), Env, "{Orders.Amount} running {sum(Orders.Amount)}");
    AddText(AddBand(Report, TQRBandType::rbSummary, 100), Env,
            "Total {sum(Orders.Amount)} avg {avg(Orders.Amount)} min {min(Orders.Amount)} max {max(Orders.Amount)} "
            "n {count(Orders)}");
  }
};

const Strings kPage1{"Page 1 of 3",         "Grand 41.75",    "A: 30.50 in 2", "10.00 running 10.00",
                     "20.50 running 30.50", "subtotal 30.50", "B: 5.25 in 1"};
const Strings kPage2{"Page 2 of 3", "5.25 running 35.75", "subtotal 5.25", "C: 6.00 in 3", "1.00 running 36.75"};
const Strings kPage3{"Page 3 of 3", "2.00 running 38.75", "3.00 running 41.75", "subtotal 6.00",
                     "Total 41.75 avg 6.96 min 1.00 max 20.50 n 6"};

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
  MemoryDataSet orders{"orders", {{"Amount", TFieldType::ftFloat}}, {{"1"}, {"2"}}};
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

TEST(DeferredValue, SubDetailTotalsRestartForEachMasterRecord) {
  MemoryDataSet customers{"customers", {{"Cust", TFieldType::ftString}}, {{"A"}, {"B"}}};
  MemoryDataSet orders{"orders",
                       {{"Cust", TFieldType::ftString}, {"Qty", TFieldType::ftInteger}},
                       {{"A", "2"}, {"B", "5"}, {"A", "3"}}};
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
