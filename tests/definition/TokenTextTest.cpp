// Token text: the values a text prints for one record, and the faults parsing and
// checking the names report with their offsets.
#include <gtest/gtest.h>

#include <ctime>
#include <functional>

#include "definition/ReportEnvironment.h"
#include "definition/TokenText.h"
#include "engine/Report.h"
#include "platform/Locale.h"
#include "tests/engine/FakeDataSet.h"

namespace oxqr {
namespace {

using test::FakeDataSet;

class TokenTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TLocalTime now;
    now.Tm.tm_year = 124;
    now.Tm.tm_mon = 4;
    now.Tm.tm_mday = 6;
    now.Tm.tm_hour = 7;
    now.Tm.tm_min = 8;
    now.Tm.tm_sec = 9;
    SetFixedNow(now);
    report_.ReportTitle = "Sales";
    orders_.Field("OrderNo").DisplayFormat = "'#'0000";
    orders_.Field("Paid").DisplayFormat = "#,##0.00";
    env_.AddDataSet("Customer", customer_);
    env_.AddDataSet("Orders", orders_);
    env_.AddParameter("Region", TParamType::String, std::string("West"));
    env_.AddParameter("Since", TParamType::Date, ParseParamValue(TParamType::Date, "2024-01-31"));
    env_.AddParameter("Limit", TParamType::Float, 2500.5);
    env_.AddParameter("Active", TParamType::Boolean, true);
    env_.AddParameter("Top", TParamType::Integer);
    for (TDataSet* d : {static_cast<TDataSet*>(&customer_), static_cast<TDataSet*>(&orders_)}) {
      d->Open();
      d->First();
    }
  }
  void TearDown() override { SetFixedNow(std::nullopt); }

  std::string Eval(const std::string& text) {
    const TTokenText parsed(text);
    env_.Validate(parsed);
    return env_.Evaluate(parsed);
  }

  FakeDataSet customer_{
      "customer",
      {{"CustNo", TFieldType::ftInteger}, {"Company", TFieldType::ftString}, {"Region", TFieldType::ftString}},
      {{{"CustNo", "7"}, {"Company", "Acme & Co"}}}};
  FakeDataSet orders_{"orders",
                      {{"OrderNo", TFieldType::ftInteger},
                       {"Amount", TFieldType::ftCurrency},
                       {"Paid", TFieldType::ftFloat},
                       {"SaleDate", TFieldType::ftDate}},
                      {{{"OrderNo", "1001"}, {"Amount", "1234.5"}, {"Paid", "99.999"}, {"SaleDate", "2024-03-15"}}}};
  TQRReport report_;
  TReportEnvironment env_{report_};
};

struct ValueCase {
  const char* Text;
  const char* Expected;
};

TEST_F(TokenTextTest, TextsPrintTheirValues) {
  const ValueCase cases[] = {
      {"plain text", "plain text"},
      {"Dear {Customer.Company},", "Dear Acme & Co,"},
      {"{ Customer.Company }", "Acme & Co"},
      {"[{Customer.Region}]", "[]"},  // null
      {"{Customer.CustNo}", "7"},
      {"{Orders.OrderNo}", "#1001"},  // the field's display format
      {"{Orders.Amount}", "$1,234.50"},
      {"{Orders.Amount:0.0}", "1234.5"},
      {"{Orders.Paid}", "100.00"},
      {"{Orders.SaleDate}", "3/15/2024"},
      {"{Orders.SaleDate:dd/mm/yyyy}", "15/03/2024"},
      {"{param:Region}", "West"},
      {"{PARAM:region}", "West"},
      {"{param:Since}", "1/31/2024"},
      {"{param:Since:yyyy-mm-dd}", "2024-01-31"},
      {"{param:Limit}", "2500.5"},
      {"{param:Limit:#,##0.00}", "2,500.50"},
      {"{param:Active}", "True"},
      {"<{param:Top}>", "<>"},  // no value
      {"{title}", "Sales"},
      {"{date} {time}", "5/6/2024 07:08:09"},
      {"{date:yyyy-mm-dd} {time:hh:nn}", "2024-05-06 07:08"},
      {"{{literal}} }}", "{literal} }"},
      // A URL query value: '&', '$', ',' and blanks encoded, whatever the field's type.
      {"?to={Customer.Company:url}", "?to=Acme+%26+Co"},
      {"{Orders.Amount:url}", "%241%2C234%2E50"},
      {"{param:Region:url}/{Customer.Region:url}", "West/"},
  };
  for (const auto& c : cases) EXPECT_EQ(Eval(c.Text), c.Expected) << c.Text;
  EXPECT_EQ(UrlQueryText("M\xFCller/1-2.x"), "M%C3%BCller%2F1%2D2%2Ex");  // report text is code page 1252
}

TEST_F(TokenTextTest, EscapedTextParsesBackToItself) {
  const std::string literal = "{a} }{ {{";
  EXPECT_EQ(Eval(EscapeTokenText(literal)), literal);
  EXPECT_TRUE(TTokenText(EscapeTokenText(literal)).IsPlain());
}

struct ErrorCase {
  const char* Text;
  std::size_t Offset;
  const char* Message;  // a part of what()
};

void ExpectError(const ErrorCase& c, const std::function<void()>& run) {
  try {
    run();
    ADD_FAILURE() << c.Text << ": no error";
  } catch (const TTokenError& e) {
    EXPECT_EQ(e.Offset, c.Offset) << c.Text << ": " << e.what();
    EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << c.Text << ": " << e.what();
    EXPECT_GE(e.Length, 1u);
  }
}

TEST_F(TokenTextTest, SyntaxFaultsGiveTheirOffset) {
  const ErrorCase cases[] = {
      {"Total {sum(Orders.Amount}", 24, "expected ')'"},
      {"{}", 0, "empty token"},
      {"abc {Orders.Amount", 4, "'{' is not closed"},
      {"{a{b}", 0, "'{' is not closed"},
      {"a } b", 2, "'}' without '{'"},
      {"{summ(Orders.Amount)}", 1, "unknown function 'summ' (functions: sum, count, min, max, avg)"},
      {"x {pagez}", 3, "unknown token 'pagez'"},
      {"{param:}", 7, "expected a parameter name"},
      {"{Orders.}", 8, "expected a field name"},
      {"{sum(Orders)}", 11, "sum needs a field"},
      {"{page:}", 6, "empty format"},
      {"{page x}", 6, "unexpected 'x'"},
  };
  for (const auto& c : cases) ExpectError(c, [&] { TTokenText parsed(c.Text); });
}

// Every prefix of a text either parses into parts that cover it exactly, or fails at a
// place inside it.
TEST(TokenTextParse, EveryPrefixParsesOrFailsInsideTheText) {
  const std::string text = "Total {sum(Orders.Amount, ByCustomer):#,##0.00} of {{x}} {param:Region} {page}";
  for (std::size_t n = 0; n <= text.size(); ++n) {
    const std::string prefix = text.substr(0, n);
    try {
      const TTokenText parsed(prefix);
      std::size_t end = 0;
      for (const TTokenPart& p : parsed.Parts()) {
        EXPECT_EQ(p.Offset, end) << prefix;
        end = p.Offset + p.Length;
      }
      EXPECT_EQ(end, prefix.size()) << prefix;
    } catch (const TTokenError& e) {
      EXPECT_LE(e.Offset + e.Length, prefix.size()) << prefix << ": " << e.what();
    }
  }
}

TEST_F(TokenTextTest, UnknownNamesGiveTheirOffsetAndTheNamesThereAre) {
  const ErrorCase cases[] = {
      {"{Custmer.Company}", 1, "unknown dataset 'Custmer' (datasets: Customer, Orders)"},
      {"Hi {Customer.Compnay}", 13, "unknown field 'Compnay' in dataset Customer (fields: CustNo, Company, Region)"},
      {"{param:Regoin}", 7, "unknown parameter 'Regoin' (parameters: Region, Since, Limit, Active, Top)"},
      {"{sum(Orders.Amount, ByCustmer)}", 20, "unknown group 'ByCustmer' (groups: none)"},
      {"{count(Ordrs)}", 7, "unknown dataset 'Ordrs'"},
      {"{sum(Customer.Company)}", 14, "sum needs a numeric field"},
      {"{Customer.Company:0.00}", 18, "a format applies to numbers and dates"},
      {"{param:Region:0}", 14, "a format applies to numbers and dates"},
  };
  for (const auto& c : cases) ExpectError(c, [&] { env_.Validate(TTokenText(c.Text)); });
}

TEST(ParamValue, CommandLineTextBecomesTheParametersType) {
  EXPECT_EQ(std::get<std::int64_t>(ParseParamValue(TParamType::Integer, "-42")), -42);
  EXPECT_EQ(std::get<std::int64_t>(ParseParamValue(TParamType::Integer, "+3")), 3);
  EXPECT_DOUBLE_EQ(std::get<double>(ParseParamValue(TParamType::Float, "12.5")), 12.5);
  EXPECT_DOUBLE_EQ(std::get<double>(ParseParamValue(TParamType::Float, "1e3")), 1000);
  EXPECT_EQ(std::get<TDateTimeParts>(ParseParamValue(TParamType::Date, "2024-02-29")),
            (TDateTimeParts{2024, 2, 29, 0, 0, 0, 0}));
  EXPECT_TRUE(std::get<bool>(ParseParamValue(TParamType::Boolean, "TRUE")));
  EXPECT_FALSE(std::get<bool>(ParseParamValue(TParamType::Boolean, "no")));
  EXPECT_EQ(std::get<std::string>(ParseParamValue(TParamType::String, " as is ")), " as is ");

  const std::pair<TParamType, const char*> bad[] = {
      {TParamType::Integer, "4.2"},     {TParamType::Integer, ""},
      {TParamType::Integer, "12abc"},   {TParamType::Integer, "99999999999999999999"},
      {TParamType::Float, "12,5"},      {TParamType::Float, "inf"},
      {TParamType::Date, "2023-02-29"}, {TParamType::Date, "12/31/2024"},
      {TParamType::Date, "2024-13-01"}, {TParamType::Date, "10:30"},
      {TParamType::Boolean, "maybe"},
  };
  for (const auto& [type, text] : bad) EXPECT_THROW(ParseParamValue(type, text), TParamError) << text;

  // The text form reads back to the same value.
  for (const TParamValue& v : {TParamValue(0.1), TParamValue(std::int64_t{-5}), TParamValue(true),
                               ParseParamValue(TParamType::Date, "2024-02-29")})
    EXPECT_EQ(ParseParamValue(static_cast<TParamType>(v.index()), ParamValueText(v)), v) << ParamValueText(v);
}

TEST_F(TokenTextTest, SettingAParameterNamesItInTheError) {
  env_.SetParameter("top", "12");
  EXPECT_EQ(Eval("{param:Top}"), "12");
  EXPECT_TRUE(env_.MissingParameters().empty());
  try {
    env_.SetParameter("Since", "yesterday");
    ADD_FAILURE();
  } catch (const TParamError& e) {
    EXPECT_STREQ(e.what(), "parameter Since: expected a date as yyyy-mm-dd, got 'yesterday'");
  }
  try {
    env_.SetParameter("Regoin", "x");
    ADD_FAILURE();
  } catch (const TParamError& e) {
    EXPECT_STREQ(e.what(), "unknown parameter 'Regoin' (parameters: Region, Since, Limit, Active, Top)");
  }
}

}  // namespace
}  // namespace oxqr
