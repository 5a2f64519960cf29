#include <gtest/gtest.h>

#include "FakeDataSet.h"
#include "RecordingFilter.h"
#include "ReportFixture.h"
#include "engine/Band.h"

namespace oxqr {
namespace {

using Strings = std::vector<std::string>;
using Rows = std::vector<test::FakeDataSet::Row>;

TQRDBText& AddDBText(TQRCustomBand& band, TDataSet& data, const std::string& field, double left = 0) {
  auto& t = band.Add<TQRDBText>();
  t.DataSet = &data;
  t.DataField = field;
  t.Size = TQRSize{45, left, 0, 400};
  return t;
}

// Customers with their orders: C2 has none.
struct CustomerOrders {
  test::FakeDataSet Customers{"customer", {"CustNo", "Company"},
                              Rows{{{"CustNo", "1"}, {"Company", "C1"}},
                                   {{"CustNo", "2"}, {"Company", "C2"}},
                                   {{"CustNo", "3"}, {"Company", "C3"}}}};
  test::FakeDataSet Orders{"orders", {"OrderNo", "CustNo"},
                           Rows{{{"OrderNo", "O1"}, {"CustNo", "1"}},
                                {{"OrderNo", "O3"}, {"CustNo", "3"}},
                                {{"OrderNo", "O2"}, {"CustNo", "1"}}}};
  TQRReport Report;
  TQRSubDetail* Sub;

  CustomerOrders() {
    Orders.LinkTo(Customers, "CustNo");
    test::NoMargins(Report);
    Report.DataSet = &Customers;
    auto& detail = test::AddBand(Report, TQRBandType::rbDetail, 100);
    AddDBText(detail, Customers, "Company");
    auto& header = test::AddBand(Report, TQRBandType::rbGroupHeader, 50);
    test::AddLabel(header, "HDR");
    auto& footer = test::AddBand(Report, TQRBandType::rbGroupFooter, 50);
    test::AddLabel(footer, "FTR");
    auto& sub = Report.AddBand<TQRSubDetail>();
    sub.Size.Height = 50;
    sub.DataSet = &Orders;
    sub.HeaderBand = &header;
    sub.FooterBand = &footer;
    AddDBText(sub, Orders, "OrderNo");
    Sub = &sub;
  }
};

TEST(MasterDetail, EveryOrderPrintsUnderItsCustomerWithHeaderAndFooter) {
  for (bool printIfEmpty : {true, false}) {
    CustomerOrders r;
    r.Sub->PrintIfEmpty = printIfEmpty;
    test::RecordingFilter filter("x.rec");
    r.Report.ExportToFilter(filter);
    const Strings c2 = printIfEmpty ? Strings{"C2", "HDR", "FTR"} : Strings{"C2"};
    Strings expected = {"C1", "HDR", "O1", "O2", "FTR"};
    expected.insert(expected.end(), c2.begin(), c2.end());
    expected.insert(expected.end(), {"C3", "HDR", "O3", "FTR"});
    EXPECT_EQ(filter.TextsOfPage(1), expected) << "PrintIfEmpty " << printIfEmpty;
  }
}

TEST(MasterDetail, SubDetailOfAnotherBandPrintsAfterThatBand) {
  CustomerOrders r;
  // The header band as master: orders follow the header instead of the detail.
  auto& title = test::AddBand(r.Report, TQRBandType::rbTitle, 100);
  test::AddLabel(title, "TITLE");
  r.Sub->Master = &title;
  r.Sub->HeaderBand = nullptr;
  r.Sub->FooterBand = nullptr;
  r.Customers.Open();
  r.Customers.First();  // the orders of customer 1 follow the title
  test::RecordingFilter filter("x.rec");
  r.Report.ExportToFilter(filter);
  EXPECT_EQ(filter.TextsOfPage(1), (Strings{"TITLE", "O1", "O2", "C1", "C2", "C3"}));
}

TEST(Groups, HeaderPrintsWhenTheFieldValueChanges) {
  test::FakeDataSet people{"people", {"Name", "Country"},
                           Rows{{{"Name", "Ann"}, {"Country", "FR"}},
                                {{"Name", "Bob"}, {"Country", "FR"}},
                                {{"Name", "Cid"}, {"Country", "US"}}}};
  TQRReport report;
  test::NoMargins(report);
  report.DataSet = &people;
  auto& group = report.AddBand<TQRGroup>();
  group.Size.Height = 50;
  group.Expression = "Country";
  AddDBText(group, people, "Country");
  auto& groupFooter = test::AddBand(report, TQRBandType::rbGroupFooter, 50);
  test::AddLabel(groupFooter, "END");
  group.FooterBand = &groupFooter;
  auto& detail = test::AddBand(report, TQRBandType::rbDetail, 50);
  AddDBText(detail, people, "Name");
  auto& child = test::AddBand(report, TQRBandType::rbChild, 50);
  test::AddLabel(child, "child");
  detail.ChildBand = &child;

  test::RecordingFilter filter("x.rec");
  report.ExportToFilter(filter);
  EXPECT_EQ(filter.TextsOfPage(1),
            (Strings{"FR", "Ann", "child", "Bob", "child", "END", "US", "Cid", "child", "END"}));
}

}  // namespace
}  // namespace oxqr
