#pragma once
// Datasets as the report engine reads them: a cursor over records with typed fields.
// Text reaches the engine as 8-bit ANSI; conversion from the database's UTF-8 happens here.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Errors.h"

namespace oxqr {

class TStream;

// A database error; what() names the file, table or field concerned.
class EDatabaseError : public EOxQRError {
 public:
  using EOxQRError::EOxQRError;
};

enum class TFieldType : std::uint8_t {
  ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency,
  ftDate, ftTime, ftDateTime, ftAutoInc, ftLargeint, ftMemo, ftGraphic, ftBlob
};

class TField {
 public:
  virtual ~TField() = default;
  std::string FieldName;
  TFieldType DataType = TFieldType::ftUnknown;
  // Display format mask ("'#'0000", "0.00", "dd/mm/yyyy"; see DisplayFormat.h); empty = default display.
  std::string DisplayFormat;

  virtual bool IsNull() const = 0;
  // The value as text without display format (ANSI).
  virtual std::string AsString() const = 0;
  virtual double AsFloat() const = 0;
  virtual std::int64_t AsInteger() const = 0;
  virtual bool AsBoolean() const = 0;
  // Raw bytes of a blob or memo field.
  virtual std::string AsBytes() const = 0;
  // The value as a report prints it: display format applied, currency with the
  // currency format, dates and times in the locale's short formats (ANSI).
  virtual std::string DisplayText() const = 0;

  bool IsBlob() const {
    return DataType == TFieldType::ftMemo || DataType == TFieldType::ftGraphic || DataType == TFieldType::ftBlob;
  }
  // A memory stream over the blob's bytes, positioned at 0.
  std::unique_ptr<TStream> CreateBlobStream() const;
};

class TDataSet {
 public:
  virtual ~TDataSet() = default;
  virtual void Open() = 0;   // throws EDatabaseError naming the file or table
  virtual void Close() = 0;
  virtual bool Active() const = 0;
  virtual void First() = 0;  // re-reads a detail table for its master's current record
  virtual void Next() = 0;
  virtual bool Eof() const = 0;
  virtual bool IsEmpty() const = 0;
  virtual int RecordCount() const = 0;
  // nullptr when there is no such field.
  virtual TField* FindField(const std::string& name) = 0;
  // Throws EDatabaseError naming the field and the table when there is no such field.
  TField& FieldByName(const std::string& name);
  virtual std::vector<TField*> Fields() = 0;
  virtual std::string Name() const = 0;  // table name, for messages
  // Where the records come from, for messages (" of database ..."); empty when nowhere named.
  virtual std::string Source() const { return {}; }
  // The dataset that holds the records: itself, or the one a decorator (calculated fields)
  // wraps. Links between datasets (master and detail) follow the records.
  virtual TDataSet* Records() { return this; }
  const TDataSet* Records() const { return const_cast<TDataSet*>(this)->Records(); }
};

// Links a detail table to its master, as a data source component does.
struct TDataSource {
  TDataSet* DataSet = nullptr;
};

}  // namespace oxqr
