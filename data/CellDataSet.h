#pragma once
// What tables and queries share: a dataset whose current record is one row of cells read
// from a prepared statement of a connection, as the cursor moves. Only the current record
// is held in memory, so a result of any size costs the same; RecordCount is counted by
// the database when asked. A restriction keeps only the records whose field equals a
// value (passed to the database as a parameter): one report per value of a field.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/Cell.h"
#include "data/Connection.h"
#include "data/DataSet.h"

namespace oxqr {

class TCellField;

// What a TCellField reads: the cells of a dataset's current record.
class TCellRecord {
 public:
  // The current record's value of column `col` (a Null cell when there is no record).
  virtual const TCell& Cell(std::size_t col) const = 0;

 protected:
  ~TCellRecord() = default;
};

// Field and table names compare without regard to ASCII case.
bool SameName(const std::string& a, const std::string& b);

class TCellDataSet : public TDataSet, public TCellRecord {
 public:
  TCellDataSet();
  ~TCellDataSet() override;
  TCellDataSet(const TCellDataSet&) = delete;
  TCellDataSet& operator=(const TCellDataSet&) = delete;

  // The master of a detail dataset, which reads its records again for the master's
  // current record on every First(). While open, a detail whose master is a table or query
  // also follows it: whenever the master moves to another record, the detail is positioned
  // on the first of its records for it (none: empty fields), whether or not anything
  // iterates it, so a dataset that only looks up a record (the customer of an order) shows
  // the master's own. A First() right after such a move reads nothing again. The records are
  // read when the detail is first looked at after the move, so walking a master whose
  // details nobody reads (a burst's plan, bands that print nothing of them) costs no reads.
  TDataSource* MasterSource = nullptr;

  void Close() override;
  bool Active() const override { return select_ != nullptr; }
  void First() override;
  void Next() override;
  bool Eof() const override {
    Settle();
    return eof_;
  }
  bool IsEmpty() const override {
    Settle();
    return !hasRow_;
  }
  int RecordCount() const override;
  // Case-insensitive. Fields live from Open to destruction; a field keeps its object
  // (and DisplayFormat) when the dataset is closed and opened again.
  TField* FindField(const std::string& name) override;
  std::vector<TField*> Fields() override;
  // " of " and the database, while open.
  std::string Source() const override;
  // 1-based number of the current record; 0 when there is none.
  int RecNo() const {
    Settle();
    return hasRow_ ? recNo_ : 0;
  }

  // Keeps only the records whose `field` equals `value` (a Null value keeps those whose
  // field is null). When only the value changed, an open dataset keeps its statement and
  // has no current record until the next First() reads the new value's records; otherwise
  // it is prepared again and reads from its first record. A missing field throws
  // EDatabaseError naming it.
  void Restrict(const std::string& field, const TCell& value);
  void ClearRestriction();

  const TCell& Cell(std::size_t col) const override;

 protected:
  // Prepares the statements for the current settings (Open's work after connecting).
  virtual void Prepare() = 0;
  // The values for the select statement's placeholders before the restriction's; false
  // when the records are none at all (a detail whose master has no current record).
  virtual bool SelectParams(std::vector<TCell>& params) const = 0;

  // Connects, prepares and positions on the first record; closes again on failure.
  void OpenWith(const std::string& databaseName);
  // Reads the records again from the first (First() without the skip after a master's move).
  void ReadFirst();
  TConnection& Conn() const { return *conn_; }
  // Replaces the fields by `columns` with `types`, keeping field objects of the same name.
  void SetFields(const std::vector<TColumnInfo>& columns, const std::vector<TFieldType>& types);
  void SetSelect(std::unique_ptr<TStatement> select, std::string countSql, std::string countContext);
  // Whether the statements run once per master record.
  bool IsDetail() const { return MasterSource != nullptr; }
  // " = ?n" (or " IS NULL") for the restriction, as the n-th parameter after `paramCount`.
  std::string RestrictionCondition(std::size_t paramCount) const;
  bool Restricted() const { return restrictField_.has_value(); }
  const std::string& RestrictField() const { return *restrictField_; }
  // The field type of a column read from the first record, where no type was declared.
  void TypeUndeclaredFromFirstRecord(const std::vector<TColumnInfo>& columns);

  // The master's current value of `field` as a parameter.
  static TCell MasterValue(TField& field);

 private:
  bool Params(std::vector<TCell>& params) const;
  bool FetchRow();
  // Prepares the statements again for a changed restriction, on the same connection, and
  // reads from the first record; closes the dataset when that fails.
  void Reprepare();
  // Queues the detail statement's executions for the master's next records (see
  // TStatement::Queue), as far as the master has them in memory.
  void QueueAhead();
  // Following the master (see MasterSource): registration while open, and the move.
  void FollowMaster();
  void StopFollowing();
  void MasterMoved();
  void TellFollowers();
  // Reads the records for the master's last move when that read is still owed (see
  // MasterSource); called before anything of the current record is looked at. Datasets
  // are never const objects, so the read may change what a const look-up sees.
  void Settle() const;

  std::shared_ptr<TConnection> conn_;
  std::unique_ptr<TStatement> select_;
  mutable std::unique_ptr<TStatement> count_;  // prepared when first asked
  std::string countSql_, countContext_;
  std::vector<std::unique_ptr<TCellField>> fields_;
  std::optional<std::string> restrictField_;
  TCell restrictValue_;
  std::vector<TCell> row_;  // the current record
  bool hasRow_ = false;     // the last First() found a record
  int recNo_ = 0;
  mutable int recordCount_ = -1;  // counted for the current First(); -1 until asked
  bool eof_ = true;
  TCellDataSet* following_ = nullptr;     // the master this open dataset follows
  std::vector<TCellDataSet*> followers_;  // open datasets following this one
  bool movePending_ = false;  // the master moved and the read for it is still owed
  bool followedMove_ = false;             // read for the master's last move, not moved since
  bool tellingFollowers_ = false;         // a master linked in a circle is told once
};

// A field of a dataset of cells: reads the dataset's current record.
class TCellField final : public TField {
 public:
  TCellField(const TCellRecord& set, std::size_t column) : set_(&set), column_(column) {}
  bool IsNull() const override;
  std::string AsString() const override;
  double AsFloat() const override;
  std::int64_t AsInteger() const override;
  bool AsBoolean() const override;
  std::string AsBytes() const override;
  std::string DisplayText() const override;
  const TCell& Value() const { return set_->Cell(column_); }
  std::size_t Column() const { return column_; }
  void SetColumn(std::size_t column) { column_ = column; }

 private:
  const TCellRecord* set_;
  std::size_t column_;
};

}  // namespace oxqr
