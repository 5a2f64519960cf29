#pragma once
// Token text: the one syntax of all report text. Literal text with tokens in braces:
//   {Customer.Company}            a field of a dataset, in the field's display format
//   {param:Region}                a report parameter
//   {page}  {pages}               the page number and the report's page count
//   {date}  {time}  {title}       today's date, the time, the report's title
//   {sum(Orders.AmountPaid)}      an aggregate over the records of the dataset: sum, count,
//                                 min, max, avg (empty values left out); {count(Orders)}
//                                 counts records
//   {sum(Orders.AmountPaid, ByCustomer)}  the same, reset whenever the group (or sub-detail)
//                                 band named ByCustomer starts; without it, over the report
//   {= Orders.Qty * Orders.Price}  an expression (see expression/Checker.h), printed as its
//                                 value: "{= round(Orders.Total * 1.0825, 2):#,##0.00}"
// Any token takes an explicit format after a colon, written as display formats are
// ("{sum(Orders.AmountPaid):#,##0.00}", "{date:dd/mm/yyyy}", "{page:000}"). "{{" and "}}"
// write a literal brace. Names hold letters, digits and '_'; blanks around them are allowed.
// Parsing checks the syntax only; TReportEnvironment::Validate checks the names.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "expression/Compiled.h"
#include "expression/Fault.h"
#include "platform/Errors.h"

namespace oxqr {

// A fault in token text (or in a print condition's text). Offset is the 0-based byte offset
// in the text where the fault is and Length the bytes it covers (at least 1 when the text
// has a byte there); what() says what is wrong without the position, e.g.
// "unknown field 'Compnay' in dataset Customer (fields: CustNo, Company)". A loader adds the
// file, line and column.
class TTokenError : public EOxQRError {
 public:
  TTokenError(std::size_t offset, std::size_t length, const std::string& message)
      : EOxQRError(message), Offset(offset), Length(length) {}
  std::size_t Offset;
  std::size_t Length;
};

// Every fault of an expression in a text (the first is also what() and Offset).
class TExpressionFaults : public TTokenError {
 public:
  explicit TExpressionFaults(expr::TFaults faults)
      : TTokenError(faults.at(0).Offset, faults.at(0).Length, faults.at(0).Message), Faults(std::move(faults)) {}
  expr::TFaults Faults;
};

enum class TTokenKind : std::uint8_t { Literal, Field, Param, Page, Pages, Date, Time, Title, Aggregate, Expression };
enum class TAggregateFunction : std::uint8_t { Sum, Count, Min, Max, Avg };

// One literal run or one token of a text, with the offsets of its names for messages.
struct TTokenPart {
  TTokenKind Kind = TTokenKind::Literal;
  std::size_t Offset = 0;  // of the literal run, or of the token's '{'
  std::size_t Length = 0;  // through the token's '}'
  std::string Text;        // Literal: the text with doubled braces made single
  std::string DataSet;     // Field, Aggregate
  std::string Field;       // Field, Aggregate (empty in count(DataSet))
  std::string Name;        // Param: the parameter; Aggregate: the scope band (empty: the report)
  TAggregateFunction Function = TAggregateFunction::Sum;
  std::string Format;  // the explicit format; empty: the default display
  std::size_t DataSetOffset = 0, FieldOffset = 0, NameOffset = 0, FormatOffset = 0;
  // Expression: Text holds its source, NameOffset where it starts; compiled when the text
  // is first checked against the report.
  mutable std::shared_ptr<const expr::TExpression> Compiled;
};

class TTokenText {
 public:
  TTokenText() = default;
  // Parses `source`; throws TTokenError at the first fault (an unclosed '{', a lone '}',
  // an unknown token or function, a missing name, an empty format).
  explicit TTokenText(std::string source);

  const std::string& Source() const { return source_; }
  const std::vector<TTokenPart>& Parts() const { return parts_; }
  // True when the text has no token (it prints as its literal text).
  bool IsPlain() const;

 private:
  std::string source_;
  std::vector<TTokenPart> parts_;
};

// `literal` as token text that prints it unchanged: braces doubled.
std::string EscapeTokenText(std::string_view literal);

// The format that gives any field or parameter as a URL query value ({Customer.Company:url}).
inline constexpr std::string_view kUrlFormat = "url";
// `ansi` (8-bit text of the report) as a URL query value: ASCII letters and digits kept,
// blanks as '+', every other byte of its UTF-8 text as %XX.
std::string UrlQueryText(std::string_view ansi);
// "sum", "count", "min", "max", "avg".
std::string_view AggregateFunctionName(TAggregateFunction f);

}  // namespace oxqr
