#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeDataSet.h"
#include "RecordingFilter.h"
#include "ReportFixture.h"
#include "engine/Band.h"

namespace oxqr {
namespace {

using Rows = std::vector<test::FakeDataSet::Row>;

struct Place {
  int Page;
  int Y;
  bool operator==(const Place&) const = default;
};

void PrintTo(const Place& p, std::ostream* os) { *os << "(page " << p.Page << ", y " << p.Y << ")"; }

// Counts what the last run told its observers: a measuring run must tell them nothing.
struct Counter : TQRRunObserver {
  int Scopes = 0, Records = 0;
  void RunStarted(TQRCustomReport&) override { Scopes = Records = 0; }
  void ScopeStarted(const TQRCustomBand&) override { ++Scopes; }
  void RecordPrinted(const TQRCustomBand*, TDataSet&) override { ++Records; }
};

struct GroupCase {
  const char* Name;
  double PageLength;          // Native, no margins
  std::vector<int> Sizes;     // records per group: groups A, B, C, ...
  double Title = 0;           // height of a title band (0: none)
  bool KeepTogether = false, NewPage = false, RepeatHeader = false;
  int OrphanLines = 0;
  std::vector<Place> Headers;  // every printing of a group header, in order
};

// Header 100, detail 100, footer 50 (Native). Each header prints its group's letter.
struct GroupReport {
  test::FakeDataSet Data;
  TQRReport Report;
  TQRGroup* Group = nullptr;
  Counter Observer;

  static Rows RowsOf(const std::vector<int>& sizes) {
    Rows rows;
    for (std::size_t g = 0; g < sizes.size(); ++g)
      for (int i = 1; i <= sizes[g]; ++i) {
        const std::string key(1, static_cast<char>('A' + g));
        rows.push_back({{"G", key}, {"Item", key + std::to_string(i)}});
      }
    return rows;
  }

  explicit GroupReport(const GroupCase& c) : Data("items", {"G", "Item"}, RowsOf(c.Sizes)) {
    test::NoMargins(Report);
    Report.Page.NativeLength = c.PageLength;
    Report.DataSet = &Data;
    if (c.Title > 0) test::AddLabel(test::AddBand(Report, TQRBandType::rbTitle, c.Title), "TITLE");
    auto& detail = test::AddBand(Report, TQRBandType::rbDetail, 100);
    AddText(detail, "Item");
    auto& group = Report.AddBand<TQRGroup>();
    group.Size.Height = 100;
    group.Expression = "G";
    group.KeepTogether = c.KeepTogether;
    group.NewPage = c.NewPage;
    group.RepeatHeader = c.RepeatHeader;
    group.OrphanLines = c.OrphanLines;
    AddText(group, "G");
    auto& footer = test::AddBand(Report, TQRBandType::rbGroupFooter, 50);
    test::AddLabel(footer, "F");
    group.FooterBand = &footer;
    Group = &group;
    Report.AddRunObserver(Observer);
  }
  ~GroupReport() { Report.RemoveRunObserver(Observer); }

  void AddText(TQRCustomBand& band, const std::string& field) {
    auto& t = band.Add<TQRDBText>();
    t.DataSet = &Data;
    t.DataField = field;
    t.Size = TQRSize{45, 0, 0, 400};
  }
};

std::vector<Place> HeaderPlaces(const test::RecordingFilter& filter) {
  std::vector<Place> out;
  for (const auto& t : filter.Texts)
    if (t.Text.size() == 1 && t.Text != "F") out.push_back({t.Page, static_cast<int>(t.Y)});
  return out;
}

class GroupPlacement : public testing::TestWithParam<GroupCase> {};

TEST_P(GroupPlacement, HeadersLandWhereTheOptionsPutThem) {
  const GroupCase& c = GetParam();
  GroupReport r(c);
  test::RecordingFilter filter("x.rec");
  r.Report.ExportToFilter(filter);
  EXPECT_EQ(HeaderPlaces(filter), c.Headers);
  // Every record printed once and every group started once, whatever was measured first
  // and whatever header was repeated.
  int records = 0;
  for (int n : c.Sizes) records += n;
  int details = 0;
  for (const auto& t : filter.Texts) details += t.Text.size() > 1 && t.Text != "TITLE" ? 1 : 0;
  EXPECT_EQ(details, records);
  EXPECT_EQ(r.Observer.Records, records);
  EXPECT_EQ(r.Observer.Scopes, static_cast<int>(c.Sizes.size()));
}

// Header 100, detail 100, footer 50. On a page of 1000, groups of 3, 2 and 3 records put
// A at 0 (to 450), B at 450 (to 800) and C's header at 800 with one detail below it.
const GroupCase kGroupCases[] = {
    {"Plain", 1000, {3, 2, 3}, 0, false, false, false, 0, {{1, 0}, {1, 450}, {1, 800}}},
    {"KeepTogetherMovesAGroupThatFitsAPage", 1000, {3, 2, 3}, 0, true, false, false, 0, {{1, 0}, {1, 450}, {2, 0}}},
    {"KeepTogetherKeepsAGroupThatFitsNoPage", 500, {1, 5}, 0, true, false, false, 0, {{1, 0}, {1, 250}}},
    {"KeepTogetherOnASmallPage", 500, {1, 3}, 0, true, false, false, 0, {{1, 0}, {2, 0}}},
    {"NewPage", 1000, {3, 2, 3}, 0, false, true, false, 0, {{1, 0}, {2, 0}, {3, 0}}},
    {"NewPageAfterTitleKeepsTheFirstGroup", 1000, {1, 1}, 100, false, true, false, 0, {{1, 100}, {2, 0}}},
    // A page of 950: C's header fits at 800, its first detail does not.
    {"HeaderAloneAtTheFoot", 950, {3, 2, 3}, 0, false, false, false, 0, {{1, 0}, {1, 450}, {1, 800}}},
    {"KeepWithNextMovesTheHeader", 950, {3, 2, 3}, 0, false, false, false, 1, {{1, 0}, {1, 450}, {2, 0}}},
    // A page of 1050: one detail fits below C's header, two do not.
    {"KeepWithNextOneLineFits", 1050, {3, 2, 3}, 0, false, false, false, 1, {{1, 0}, {1, 450}, {1, 800}}},
    {"OrphanLinesTwoMoveTheHeader", 1050, {3, 2, 3}, 0, false, false, false, 2, {{1, 0}, {1, 450}, {2, 0}}},
    // Six details on pages of 500: four on the first page, two on the second.
    {"NoRepeatedHeader", 500, {6}, 0, false, false, false, 0, {{1, 0}}},
    {"RepeatHeader", 500, {6}, 0, false, false, true, 0, {{1, 0}, {2, 0}}},
    // Four details fill the first page; the footer alone moves on, without a header.
    {"RepeatHeaderNotBeforeAFooterAlone", 500, {4}, 0, false, false, true, 0, {{1, 0}}},
    {"RepeatHeaderEveryPage", 400, {7, 1}, 0, false, false, true, 0, {{1, 0}, {2, 0}, {3, 0}, {3, 250}, {4, 0}}},
};

INSTANTIATE_TEST_SUITE_P(Groups, GroupPlacement, testing::ValuesIn(kGroupCases),
                         [](const testing::TestParamInfo<GroupCase>& info) { return std::string(info.param.Name); });

TEST(GroupOptions, RepeatedHeaderIsNotANewGroupAndPushesTheDetails) {
  GroupCase c{"", 500, {6}, 0, false, false, true, 0, {}};
  GroupReport r(c);
  test::RecordingFilter filter("x.rec");
  r.Report.ExportToFilter(filter);
  EXPECT_EQ(filter.TextsOfPage(2), (std::vector<std::string>{"A", "A5", "A6", "F"}));
  for (const auto& t : filter.Texts) {
    if (t.Text == "A5") {
      EXPECT_EQ(t.Y, 100);
    }
  }
}

TEST(GroupOptions, AGroupOfSubDetailRecordsRepeatsItsHeader) {
  // One customer with six orders grouped by customer in the sub-detail; pages of 500 hold
  // the customer's detail band and three orders below the group header.
  test::FakeDataSet customers("customer", {"CustNo"}, Rows{{{"CustNo", "7"}}});
  Rows rows;
  for (int i = 1; i <= 6; ++i) rows.push_back({{"OrderNo", "O" + std::to_string(i)}, {"CustNo", "7"}});
  test::FakeDataSet orders("orders", {"OrderNo", "CustNo"}, rows);
  orders.LinkTo(customers, "CustNo");
  TQRReport report;
  test::NoMargins(report);
  report.Page.NativeLength = 500;
  report.DataSet = &customers;
  test::AddLabel(test::AddBand(report, TQRBandType::rbDetail, 50), "CUSTOMER");
  auto& sub = report.AddBand<TQRSubDetail>();
  sub.Size.Height = 100;
  sub.DataSet = &orders;
  auto& number = sub.Add<TQRDBText>();
  number.DataSet = &orders;
  number.DataField = "OrderNo";
  number.Size = TQRSize{45, 0, 0, 400};
  auto& group = report.AddBand<TQRGroup>();
  group.Size.Height = 100;
  group.Expression = "CustNo";
  group.Master = &sub;
  group.RepeatHeader = true;
  test::AddLabel(group, "ORDERS");
  test::RecordingFilter filter("x.rec");
  report.ExportToFilter(filter);
  EXPECT_EQ(filter.TextsOfPage(1), (std::vector<std::string>{"CUSTOMER", "ORDERS", "O1", "O2", "O3"}));
  EXPECT_EQ(filter.TextsOfPage(2), (std::vector<std::string>{"ORDERS", "O4", "O5", "O6"}));
}

TEST(GroupOptions, ResetPageNumberNumbersEachGroupFromOne) {
  // Groups of 6, 1 and 6 records on pages of 550 with a page header of 50: the long groups
  // take two pages each.
  GroupCase c{"", 550, {6, 1, 6}, 0, false, false, false, 0, {}};
  GroupReport r(c);
  r.Group->ResetPageNumber = true;
  auto& header = test::AddBand(r.Report, TQRBandType::rbPageHeader, 50);
  auto& number = header.Add<TQRSysData>();
  number.Data = TQRSysDataType::qrsPageNumber;
  number.Text_ = "P";
  number.Size = TQRSize{45, 1000, 0, 400};
  test::RecordingFilter filter("x.rec");
  r.Report.ExportToFilter(filter);
  std::vector<std::string> printed;
  for (const auto& t : filter.Texts)
    if (t.Text[0] == 'P') printed.push_back(t.Text);
  EXPECT_EQ(printed, (std::vector<std::string>{"P1", "P2", "P1", "P1", "P2"}));
  const TQRPageNumbers& numbers = r.Report.PageNumbers();
  ASSERT_EQ(numbers.Pages(), 5);
  std::vector<int> counts;
  for (int p = 1; p <= 5; ++p) counts.push_back(numbers.CountOf(p));
  EXPECT_EQ(counts, (std::vector<int>{2, 2, 1, 2, 2}));
  // Each group's header leads its page.
  EXPECT_EQ(HeaderPlaces(filter), (std::vector<Place>{{1, 50}, {3, 50}, {4, 50}}));
}

TEST(GroupOptions, PageNumbersWithoutRestartsCountTheRun) {
  TQRPageNumbers n;
  for (bool restart : {false, false, true, false, false, false, true}) n.PageStarted(restart);
  std::vector<int> numbers, counts;
  for (int p = 0; p <= 8; ++p) {
    numbers.push_back(n.NumberOf(p));
    counts.push_back(n.CountOf(p));
  }
  EXPECT_EQ(numbers, (std::vector<int>{0, 1, 2, 1, 2, 3, 4, 1, 0}));
  EXPECT_EQ(counts, (std::vector<int>{0, 2, 2, 4, 4, 4, 4, 1, 0}));
  n.RestartAtCurrentPage();
  EXPECT_EQ(n.Current(), 1);
}

}  // namespace
}  // namespace oxqr
