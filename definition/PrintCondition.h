#pragma once
// Print conditions of a control or band on a field of a dataset: printed only when the
// field is not empty, or when it compares (=, <>, <, >) with a value. A numeric field
// compares as a number, a date or time field as a date (the value written yyyy-mm-dd
// [hh:mm[:ss]]), any other field as text (byte order, case counts). An empty (null) number
// or date satisfies no comparison; an empty text compares as "".
//
// Text form, as definitions write it:
//   Customer.Phone                 not empty
//   Orders.AmountPaid > 1000
//   Customer.Country = 'US'        a value in single quotes keeps blanks; '' inside is one quote
//   Customer.Country <> US
#include <memory>
#include <string>
#include <string_view>

#include "engine/Printable.h"

namespace oxqr {

class TDataSet;
class TReportEnvironment;

enum class TCompareOp : std::uint8_t { NotEmpty, Equal, NotEqual, Less, Greater };

class TFieldCondition final : public TQRPrintCondition {
 public:
  // `dataSetName` is the environment's name of `data` (kept for ToString).
  TFieldCondition(TDataSet& data, std::string dataSetName, std::string field, TCompareOp op, std::string value = {});

  // Reads the field of the dataset's current record. Throws EDatabaseError when the field
  // does not exist, and TTokenError when the value is not a number or date the field's
  // type needs (Parse/Check report both earlier).
  bool Holds() const override;
  // Checks that the field exists and that the value suits its type (the dataset is opened
  // when it is not, to learn its fields); throws TTokenError with offsets in ToString().
  void Check() const;
  // The text form (parses back to an equal condition).
  std::string ToString() const;

  TDataSet& DataSet() const { return data_; }
  const std::string& DataSetName() const { return dataSetName_; }
  const std::string& Field() const { return field_; }
  TCompareOp Op() const { return op_; }
  const std::string& Value() const { return value_; }

 private:
  TDataSet& data_;
  std::string dataSetName_;
  std::string field_;
  TCompareOp op_;
  std::string value_;
};

// Parses the text form against `env` and checks it (see Check); throws TTokenError with
// the offset in `text` ("unknown dataset 'Custmer' (datasets: Customer, Orders)",
// "expected =, <>, < or > after Orders.AmountPaid", "'abc' is not a number: Orders.AmountPaid
// is numeric").
std::unique_ptr<TFieldCondition> ParsePrintCondition(std::string_view text, const TReportEnvironment& env);

}  // namespace oxqr
