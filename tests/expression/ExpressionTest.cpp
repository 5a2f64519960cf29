// The expression language: values of a table of expressions (types, nulls, dates, money),
// a table of faulty expressions with their messages and positions, the function table's
// own examples, the bounds on untrusted input and deferred values.
#include <gtest/gtest.h>

#include "ExpressionTestScope.h"
#include "expression/ValueText.h"
#include "platform/Locale.h"

namespace oxqr::expr {
namespace {

using test::TTestScope;

// "type text" of a value ("number 12.5", "null number").
std::string Show(const TValue& v) {
  if (v.Null) return "null " + std::string(TypeName(v.Type));
  std::string text;
  AppendValueText(v, {}, text);
  return std::string(TypeName(v.Type)) + " " + text;
}

std::string Value(std::string_view source, TEvalCounters* counters = nullptr) {
  TTestScope scope;
  const TCompiled c = Compile(source, scope);
  if (!c.Expression) return "fault: " + (c.Faults.empty() ? std::string("?") : c.Faults[0].Message);
  TValue v;
  TEvalContext ctx;
  ctx.Counters = counters;
  c.Expression->Evaluate(v, ctx);
  return Show(v);
}

struct TValueCase {
  const char* Source;
  const char* Expected;
};

TEST(ExpressionValues, Table) {
  const TValueCase cases[] = {
      // numbers stay exact decimals
      {"0.1 + 0.2", "number 0.3"},
      {"0.1 + 0.2 = 0.3", "boolean True"},
      {"1 / 3 * 3", "number 0.999999999999999999"},
      {"10 / 4", "number 2.5"},
      {"7 % 3", "number 1"},
      {"-7 % 3", "number -1"},
      {"2 + 3 * 4", "number 14"},
      {"(2 + 3) * 4", "number 20"},
      {"-2 * -3", "number 6"},
      {"Orders.Amount * Orders.Qty", "number 3750.3"},
      {"round(Orders.Amount * param.Rate / 100, 2)", "number 103.13"},
      {"round(2.5, 0)", "number 3"},
      {"round(-2.5, 0)", "number -3"},
      {"round(1234.5, -2)", "number 1200"},
      {"floor(-2.5)", "number -3"},
      {"ceil(-2.5)", "number -2"},
      {"abs(-0.5)", "number 0.5"},
      {"min(3, 1, 2)", "number 1"},
      {"max('a', 'c', 'b')", "text c"},
      {"max(1, null, 2)", "number 2"},
      // null follows SQL
      {"1 + null", "null number"},
      {"Orders.Discount * 2", "null number"},
      {"coalesce(Orders.Discount, 0) * 2", "number 0"},
      {"coalesce(null, null)", "null null"},
      {"isnull(Orders.Note)", "boolean True"},
      {"Orders.Note = ''", "null boolean"},
      {"null = null", "null boolean"},
      {"false and null", "boolean False"},
      {"true or null", "boolean True"},
      {"true and null", "null boolean"},
      {"not null", "null boolean"},
      {"if(null, 1, 2)", "number 2"},
      {"if(Orders.Paid, 'PAID', '')", "text PAID"},
      {"upper(Orders.Note)", "null text"},
      // division by zero is null
      {"1 / 0", "null number"},
      {"5 % 0", "null number"},
      // texts: + joins, a null text joins as nothing
      {"'Total: ' + text(Orders.Qty)", "text Total: 3"},
      {"Orders.Company + Orders.Note + '!'", "text Kauai Dive Shoppe!"},
      {"'it''s'", "text it's"},
      {"upper('abc') + lower('DEF')", "text ABCdef"},
      {"trim('  a b  ')", "text a b"},
      {"left('Report', 3) + right('Report', 3)", "text Report"},
      {"left('Re', 5)", "text Re"},
      {"substr('Report', 2, 3)", "text epo"},
      {"substr('Report', 9)", "text "},
      {"len(Orders.Company)", "number 17"},
      {"contains(Orders.Company, 'Dive')", "boolean True"},
      {"startswith(Orders.Company, 'dive')", "boolean False"},
      {"replace('a-b-c', '-', '')", "text abc"},
      {"format(1234.5, '#,##0.00')", "text 1,234.50"},
      {"format(Orders.SaleDate, 'mmmm yyyy')", "text March 2024"},
      {"text(true)", "text True"},
      {"number(' 12.50 ')", "number 12.5"},
      {"number('abc')", "null number"},
      {"'b' > 'a'", "boolean True"},
      // dates and date-times
      {"Orders.SaleDate", "date-time 3/9/2024 2:30:00 PM"},
      {"year(Orders.SaleDate) * 100 + month(Orders.SaleDate)", "number 202403"},
      {"day(Orders.ShipDate)", "number 14"},
      {"weekday(date(2024, 3, 9))", "number 6"},
      {"weekday(date(2024, 3, 11))", "number 1"},
      {"monthname(Orders.SaleDate)", "text March"},
      {"date(2024, 2, 29)", "date 2/29/2024"},
      {"date(2023, 2, 29)", "null date"},
      {"adddays(date(2024, 2, 28), 2)", "date 3/1/2024"},
      {"date(2024, 2, 28) + 2", "date 3/1/2024"},
      {"Orders.ShipDate - 14", "date 2/29/2024"},
      {"addmonths(date(2024, 1, 31), 1)", "date 2/29/2024"},
      {"addmonths(date(2024, 11, 15), 3)", "date 2/15/2025"},
      {"datediff(date(2024, 1, 1), date(2024, 3, 1))", "number 60"},
      {"Orders.ShipDate - date(2024, 3, 1)", "number 13"},
      {"Orders.SaleDate - date(2024, 3, 9)", "number 0.604166666666666667"},
      {"Orders.ShipDate > Orders.SaleDate", "boolean True"},
      {"adddays(Orders.SaleDate, 1)", "date-time 3/10/2024 2:30:00 PM"},
      // names
      {"param.Region = 'West'", "boolean True"},
      {"page", "number 2"},
      {"sum(Orders.Amount, ByMonth) / 4", "number 10"},
      {"count(Orders)", "number 40"},
      {"max(Orders.Amount)", "number 40"},
  };
  for (const auto& c : cases) EXPECT_EQ(Value(c.Source), c.Expected) << c.Source;
}

TEST(ExpressionValues, DivisionByZeroAndBadNumbersAreCounted) {
  TEvalCounters counters;
  Value("1 / 0", &counters);
  Value("number('x') + 1", &counters);
  Value("date(2024, 13, 1)", &counters);
  EXPECT_EQ(counters.DivisionsByZero, 1);
  EXPECT_EQ(counters.NotANumber, 1);
  EXPECT_EQ(counters.OutOfRange, 1);
}

// A sum of amounts in cents stays exact where adding doubles drifts.
TEST(ExpressionValues, MoneySumsDoNotDrift) {
  TTestScope scope;
  auto& amount = static_cast<test::TMemoryField&>(*scope.Orders().FindField("Amount"));
  const TCompiled c = Compile("Orders.Amount * 1", scope);
  ASSERT_TRUE(c.Expression);
  TDecimal sum;
  double drift = 0;
  TValue v;
  TEvalContext ctx;
  for (int i = 0; i < 100000; ++i) {
    amount.Set((i % 100 + 10) / 100.0);
    c.Expression->Evaluate(v, ctx);
    sum = *(sum + v.Num);
    drift += (i % 100 + 10) / 100.0;
  }
  EXPECT_EQ(sum.ToString(), "59500");
  EXPECT_NE(drift, 59500.0);  // what doubles would have printed differs in the last places
}

TEST(ExpressionValues, DecimalEdges) {
  EXPECT_EQ((*TDecimal::Parse("1") / *TDecimal::Parse("3"))->ToString(), "0.333333333333333333");
  EXPECT_EQ((*TDecimal::Parse("2") / *TDecimal::Parse("3"))->ToString(), "0.666666666666666667");
  const auto third = *(*TDecimal::Parse("1000") / *TDecimal::Parse("3"));
  EXPECT_TRUE(third * third);  // 111111.11...: places are dropped, not the product
  const auto big = *TDecimal::Parse("100000000000000000000000000000000000");
  EXPECT_FALSE(big * big);  // beyond the range: null with a counted message
  EXPECT_EQ(TDecimal::FromDouble(1250.1)->ToString(), "1250.1");
  EXPECT_FALSE(TDecimal::FromDouble(1e300));
  EXPECT_EQ(Value("100000000000000000000 * 100000000000000000000"), "null number");
}

// Each function's example in the table holds (or, without '=', compiles).
TEST(ExpressionFunctions, ExamplesOfTheTable) {
  for (const TFunction& f : Functions()) {
    const std::string example(f.Example);
    const std::string got = Value(example);
    if (example.find('=') != std::string::npos) EXPECT_EQ(got, "boolean True") << example;
    else EXPECT_EQ(got.rfind("fault", 0), std::string::npos) << example << ": " << got;
  }
}

struct TFaultCase {
  const char* Source;
  std::size_t Offset;  // of the first fault
  const char* Message;
};

TEST(ExpressionFaults, Table) {
  const TFaultCase cases[] = {
      {"Orders.Compnay", 7, "unknown field 'Compnay' in dataset Orders; did you mean 'Company'?"},
      {"Ordrs.Amount", 0, "unknown dataset 'Ordrs'; did you mean 'Orders'?"},
      {"param.Regoin", 6, "unknown parameter 'Regoin'; did you mean 'Region'?"},
      {"grouplin + 1", 0, "unknown name 'grouplin'; did you mean 'groupline'?"},
      {"rond(1.5)", 0, "unknown function 'rond'; did you mean 'round'?"},
      {"Orders.SaleDate + 'x'", 16, "cannot add a date-time and a text (text(x) turns a value into text to join it)"},
      {"'Total: ' + 5", 10, "cannot add a text and a number (text(x) turns a value into text to join it)"},
      {"Orders.ShipDate * 2", 16, "cannot multiply a date and a number"},
      {"Orders.Company > 3", 15, "cannot compare a text and a number"},
      {"1 and true", 2, "'and' needs two booleans, not a number and a boolean"},
      {"not 'x'", 0, "'not' needs a boolean, not a text"},
      {"-'x'", 0, "cannot negate a text"},
      {"if(1, 2, 3)", 3, "the condition of if must be a boolean, not a number"},
      {"if(true, 2, 'x')", 0, "the two values of if must have one type; they are a number and a text"},
      {"coalesce(1, 'x')", 12, "the values of coalesce must have one type; the second is a text"},
      {"round('x', 2)", 6, "the first argument of round must be a number, not a text"},
      {"round(1, 2, 3)", 0, "round takes 1 to 2 arguments, got 3"},
      {"year(5)", 5, "the first argument of year must be a date, not a number"},
      {"sum(Orders.Company)", 4, "sum needs numbers, not a text"},
      {"sum(Orders.Amount, ByMnth)", 19, "unknown group 'ByMnth'; did you mean 'ByMonth'?"},
      {"sum(sum(Orders.Amount))", 4, "a total cannot hold another total"},
      {"count(Ordes)", 6, "unknown dataset 'Ordes' in count(...)"},
      {"Orders.Picture", 0, "Orders.Picture holds pictures or binary data; an expression cannot read it"},
      {"1 +", 3, "expected a value, found the end of the expression"},
      {"(1 + 2", 6, "expected ')' to close the '(' at 1, found the end of the expression"},
      {"1 + 2)", 5, "')' without '('"},
      {"1 2", 2, "expected an operator or the end, found the number 2"},
      {"'abc", 0, "the text is not closed by '"},
      {"1 < 2 < 3", 6, "comparisons do not chain; join them with and"},
      {"a & b", 2, "unexpected character '&'; join texts with +"},
      {"\"x\"", 0, "unexpected character '\"'; texts are written in single quotes"},
      {"f(1,", 4, "expected a value, found the end of the expression"},
      {"Orders.", 7, "expected a name after 'Orders.'"},
      {"", 0, "expected a value, found the end of the expression"},
  };
  for (const auto& c : cases) {
    TTestScope scope;
    const TCompiled compiled = Compile(c.Source, scope);
    ASSERT_FALSE(compiled.Faults.empty()) << c.Source;
    EXPECT_FALSE(compiled.Expression) << c.Source;
    EXPECT_EQ(compiled.Faults[0].Message, c.Message) << c.Source;
    EXPECT_EQ(compiled.Faults[0].Offset, c.Offset) << c.Source;
  }
}

TEST(ExpressionFaults, EveryFaultOfAnExpressionUpToTheLimit) {
  TTestScope scope;
  const TCompiled two = Compile("Orders.Amout + Orders.Qtty", scope);
  ASSERT_EQ(two.Faults.size(), 2u);
  EXPECT_EQ(two.Faults[1].Offset, 22u);
  std::string many = "x0";
  for (int i = 1; i < 30; ++i) many += " + x" + std::to_string(i);
  EXPECT_EQ(Compile(many, scope).Faults.size(), kMaxFaults);
}

TEST(ExpressionFaults, ConditionMustBeBoolean) {
  TTestScope scope;
  const TCompiled c = Compile("Orders.Amount + 1", scope, TType::Boolean);
  ASSERT_EQ(c.Faults.size(), 1u);
  EXPECT_EQ(c.Faults[0].Message, "expected a boolean, but this is a number");
  EXPECT_TRUE(Compile("Orders.Amount > 1", scope, TType::Boolean).Expression);
}

// Untrusted input: deep nesting and huge texts are faults, not a stack overflow.
TEST(ExpressionFaults, Bounds) {
  TTestScope scope;
  const std::string deep = std::string(5000, '(') + "1" + std::string(5000, ')');
  const TCompiled d = Compile(deep, scope);
  ASSERT_EQ(d.Faults.size(), 1u);
  EXPECT_EQ(d.Faults[0].Message, "the expression nests deeper than 64 levels");
  EXPECT_EQ(Compile(std::string(10000, '-') + "1", scope).Faults.at(0).Message,
            "the expression nests deeper than 64 levels");
  std::string big = "1";
  while (big.size() < 1024 * 1024) big += " + 1";
  EXPECT_EQ(Compile(big, scope).Faults.at(0).Message, "the expression is longer than 16 KiB");
  std::string chain = "0";
  for (int i = 0; i < 5000; ++i) chain += "+1";
  EXPECT_EQ(Compile(chain, scope).Faults.at(0).Message,
            "the expression is too deep (more than 256 levels of operators and calls)");
  std::string wide = "coalesce(0";
  for (int i = 0; i < 5000; ++i) wide += ",1";
  EXPECT_EQ(Compile(wide + ")", scope).Faults.at(0).Message, "the expression is too large (more than 4096 parts)");
  std::string ok = "0";
  for (int i = 0; i < 250; ++i) ok += "+1";
  EXPECT_EQ(Value(ok), "number 250");
}

// A deferred value is evaluated with what is known, recorded, and evaluated again at the
// end with the final totals but the record's own field values.
TEST(ExpressionDeferred, ReplayUsesRecordedFieldsAndFinalTotals) {
  TTestScope scope;
  const TCompiled c = Compile("text(Orders.Qty) + ' of ' + text(sum(Orders.Qty)) + ', page ' + text(page) + '/' + text(pages)", scope);
  ASSERT_TRUE(c.Expression);
  EXPECT_TRUE(c.Expression->Deferred());
  EXPECT_FALSE(Compile("Orders.Qty + page", scope).Expression->Deferred());
  TTape tape;
  TEvalContext record{nullptr, &tape, false};
  TValue v;
  c.Expression->Evaluate(v, record);
  EXPECT_EQ(Show(v), "text 3 of 40, page 2/3");
  static_cast<test::TMemoryField&>(*scope.Orders().FindField("Qty")).Set(9);  // the data moved on
  TEvalContext replay{nullptr, &tape, true};
  c.Expression->Evaluate(v, replay);
  EXPECT_EQ(Show(v), "text 3 of 100, page 2/7");
}

TEST(ExpressionValues, DisplayUsesTheLocaleAndMasks) {
  SetDecimalSeparator(',');
  EXPECT_EQ(Value("1.5"), "number 1,5");
  SetDecimalSeparator('.');
  TValue v;
  v.SetNumber(*TDecimal::Parse("1234.5"));
  std::string text;
  AppendValueText(v, "$#,##0.00", text);
  EXPECT_EQ(text, "$1,234.50");
}

}  // namespace
}  // namespace oxqr::expr
