// Print conditions: how a field compares with a value, what the text form accepts, and
// the controls and bands a report leaves out with them.
#include <gtest/gtest.h>

#include "TokenTestData.h"
#include "definition/PrintCondition.h"
#include "definition/ReportEnvironment.h"
#include "definition/TokenLabel.h"
#include "engine/Report.h"

namespace oxqr {
namespace {

using test::MemoryDataSet;

class PrintConditionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.AddDataSet("Orders", orders_);
    orders_.Open();
    orders_.First();
  }
  bool Holds(const std::string& text) { return ParsePrintCondition(text, env_)->Holds(); }

  MemoryDataSet orders_{"orders",
                        {{"Cust", TFieldType::ftString},
                         {"Note", TFieldType::ftString},
                         {"Qty", TFieldType::ftInteger},
                         {"Amount", TFieldType::ftCurrency},
                         {"Discount", TFieldType::ftFloat},
                         {"SaleDate", TFieldType::ftDate}},
                        {{"B", "", "10", "1234.5", "", "2024-03-15"}}};
  TQRReport report_;
  TReportEnvironment env_{report_};
};

TEST_F(PrintConditionTest, FieldsCompareByTheirType) {
  const std::pair<const char*, bool> cases[] = {
      {"Orders.Cust", true},
      {"Orders.Note", false},                  // null text is empty
      {"Orders.Qty > 9", true},                // as numbers ("10" < "9" as text)
      {"Orders.Qty < 9", false},
      {"Orders.Amount = 1234.50", true},
      {"Orders.Amount <> 1234.5", false},
      {"  Orders.Amount>1000", true},
      {"Orders.Discount > 0", false},          // an empty number satisfies no comparison
      {"Orders.Discount <> 0", false},
      {"Orders.Discount", false},
      {"Orders.SaleDate > 2024-02-29", true},  // as dates
      {"Orders.SaleDate < 2024-03-02", false},
      {"Orders.SaleDate = 2024-03-15", true},
      {"Orders.Cust = B", true},               // as text, case and blanks count
      {"Orders.Cust = 'B '", false},
      {"Orders.Cust <> b", true},
      {"Orders.Cust < C", true},
      {"Orders.Note = ''", true},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Holds(text), expected) << text;
}

TEST_F(PrintConditionTest, TextFormReadsBack) {
  for (const char* text : {"Orders.Cust", "Orders.Qty > 9", "Orders.Cust = 'it''s'", "Orders.Cust <> ' padded '",
                           "Orders.Note = ''", "Orders.SaleDate < 2024-03-02"}) {
    const auto parsed = ParsePrintCondition(text, env_);
    const auto again = ParsePrintCondition(parsed->ToString(), env_);
    EXPECT_EQ(again->ToString(), parsed->ToString()) << text;
    EXPECT_EQ(again->Value(), parsed->Value()) << text;
    EXPECT_EQ(again->Op(), parsed->Op()) << text;
  }
  EXPECT_EQ(ParsePrintCondition("Orders.Cust = 'it''s'", env_)->Value(), "it's");
}

TEST_F(PrintConditionTest, FaultsGiveTheirOffset) {
  const std::tuple<const char*, std::size_t, const char*> cases[] = {
      {"Ordrs.Qty > 5", 0, "unknown dataset 'Ordrs' (datasets: Orders)"},
      {"Orders.Qt > 5", 7, "unknown field 'Qt' in dataset Orders"},
      {"Orders", 6, "expected '.'"},
      {"Orders.Qty ! 5", 11, "expected =, <>, < or > after Orders.Qty"},
      {"Orders.Qty > abc", 13, "'abc' is not a number: Orders.Qty is numeric"},
      {"Orders.Qty >= 5", 12, "is not a number"},
      {"Orders.SaleDate = 15/03/2024", 18, "is not a date"},
      {"Orders.Cust = 'abc", 14, "not closed"},
      {"Orders.Cust = 'a' b", 18, "unexpected text"},
      {"Orders.Cust =", 13, "expected a value"},
  };
  for (const auto& [text, offset, message] : cases) {
    try {
      ParsePrintCondition(text, env_);
      ADD_FAILURE() << text;
    } catch (const TTokenError& e) {
      EXPECT_EQ(e.Offset, offset) << text << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << text << ": " << e.what();
    }
  }
}

// A band condition leaves records out of the report and out of its totals; a control
// condition leaves out only the control.
TEST(PrintConditions, LeaveOutBandsAndControls) {
  MemoryDataSet orders{"orders",
                       {{"No", TFieldType::ftInteger}, {"Amount", TFieldType::ftFloat}, {"Note", TFieldType::ftString}},
                       {{"1", "5", "rush"}, {"2", "50", ""}, {"3", "500", "gift"}}};
  TQRReport report;
  TReportEnvironment env(report);
  env.AddDataSet("Orders", orders);
  report.DataSet = &orders;
  auto& detail = report.AddBand<TQRCustomBand>(TQRBandType::rbDetail);
  detail.Size.Height = 100;
  detail.PrintCondition = ParsePrintCondition("Orders.Amount > 10", env);
  auto& no = detail.Add<TQRTokenLabel>(env);
  no.Caption = "#{Orders.No}";
  auto& note = detail.Add<TQRTokenLabel>(env);
  note.Caption = "note {Orders.Note}";
  note.PrintCondition = ParsePrintCondition("Orders.Note", env);
  auto& summary = report.AddBand<TQRCustomBand>(TQRBandType::rbSummary);
  summary.Size.Height = 100;
  summary.Add<TQRTokenLabel>(env).Caption = "{count(Orders)} orders, {sum(Orders.Amount)}";
  report.Prepare();

  std::vector<std::string> texts;
  for (const auto& r : report.QRPrinter().Page(1)->Records)
    if (const auto* t = std::get_if<MrText>(&r)) texts.push_back(t->Text);
  EXPECT_EQ(texts, (std::vector<std::string>{"#2", "#3", "note gift", "2 orders, 550"}));
}

}  // namespace
}  // namespace oxqr
