#pragma once
// TTable: a dataset over one table of an SQLite database file, opened read-only.
// Field types follow the column types declared in the table's CREATE TABLE (see
// FieldTypes.h); text is converted from the database's UTF-8 to ANSI as it is read.
// A detail table (MasterSource set) re-reads its records for the master's current
// record on every First(), through one prepared statement kept while it is open.
// Records are read as the cursor moves: only the current record is held in memory, so a
// table of any size costs the same; RecordCount is counted by the database when asked.
#include <memory>
#include <string>
#include <vector>

#include "data/DataSet.h"
#include "data/Sqlite.h"

namespace oxqr {

class TTableField;

// One stored value of a record.
struct TCell {
  enum class TKind : std::uint8_t { Null, Int, Real, Text, Blob } Kind = TKind::Null;
  std::int64_t Int = 0;
  double Real = 0;
  std::string Bytes;  // Text: ANSI; Blob: raw bytes
  std::string Utf8;   // Text: as stored (used to link detail tables exactly)
};

class TTable final : public TDataSet {
 public:
  TTable();
  ~TTable() override;
  TTable(const TTable&) = delete;
  TTable& operator=(const TTable&) = delete;

  std::string DatabaseName;  // path of the SQLite file
  std::string TableName;     // "customer.db" and "customer.dbf" read table "customer"
  // Detail linking: the master's fields MasterFields ("CustNo", several separated by
  // ';') are matched with this table's IndexName fields (or the same names when
  // IndexName is empty).
  TDataSource* MasterSource = nullptr;
  std::string MasterFields;
  // The fields the records are ordered by (';'-separated); empty keeps table order.
  std::string IndexName;

  // Throws EDatabaseError naming the file (missing, unreadable, not a database), the
  // table (missing) or a linking or index field (missing). Positions on the first record.
  void Open() override;
  void Close() override;
  bool Active() const override { return db_ != nullptr; }
  void First() override;
  void Next() override;
  bool Eof() const override { return eof_; }
  bool IsEmpty() const override { return !hasRow_; }
  int RecordCount() const override;
  // Case-insensitive. Fields live from Open to destruction; a field keeps its object
  // (and DisplayFormat) when the table is closed and opened again.
  TField* FindField(const std::string& name) override;
  std::vector<TField*> Fields() override;
  std::string Name() const override;
  // 1-based number of the current record; 0 when there is none.
  int RecNo() const { return hasRow_ ? recNo_ : 0; }

  // The current record's value of column `col` (a Null cell when there is no record).
  const TCell& Cell(std::size_t col) const;

 private:
  void ReadSchema();
  void PrepareSelect();
  // Binds the master's current values to `stmt`; false when the master has no current record.
  bool BindMasterValues(sqlite3_stmt* stmt) const;
  // Steps the select statement: true with row_ holding the next record, false at the end.
  bool StepRow();

  TSqliteDb db_;
  TSqliteStmt select_;
  mutable TSqliteStmt count_;  // SELECT COUNT(*) with select_'s condition, prepared when first asked
  std::string countSql_;
  std::string table_;  // the table's name as the database spells it
  std::vector<std::unique_ptr<TTableField>> fields_;
  std::vector<std::string> detailLinkFields_;
  std::vector<std::string> masterLinkFields_;
  std::vector<TCell> row_;  // the current record
  bool hasRow_ = false;     // the last First() found a record
  int recNo_ = 0;
  mutable int recordCount_ = -1;  // counted for the current First(); -1 until asked
  bool eof_ = true;
};

// A field of a TTable: reads the table's current record.
class TTableField final : public TField {
 public:
  TTableField(const TTable& table, std::size_t column) : table_(&table), column_(column) {}
  bool IsNull() const override;
  std::string AsString() const override;
  double AsFloat() const override;
  std::int64_t AsInteger() const override;
  bool AsBoolean() const override;
  std::string AsBytes() const override;
  std::string DisplayText() const override;
  const TCell& Value() const { return table_->Cell(column_); }
  std::size_t Column() const { return column_; }
  void SetColumn(std::size_t column) { column_ = column; }

 private:
  const TTable* table_;
  std::size_t column_;
};

}  // namespace oxqr
