#pragma once
// TTable: a dataset over one table of a database (an SQLite file or a PostgreSQL server,
// see Connection.h), read-only. Field types follow the column types declared in the
// table (see FieldTypes.h); text is converted from the database's UTF-8 to ANSI as it is
// read. A detail table (MasterSource set) re-reads its records for the master's current
// record on every First(), through one prepared statement kept while it is open.
// Records are read as the cursor moves (see CellDataSet.h).
#include <string>
#include <vector>

#include "data/CellDataSet.h"

namespace oxqr {

class TTable final : public TCellDataSet {
 public:
  TTable();
  ~TTable() override;

  std::string DatabaseName;  // path of the SQLite file, or a postgresql:// URI
  std::string TableName;     // "customer.db" and "customer.dbf" read table "customer"
  // Detail linking: the master's fields MasterFields ("CustNo", several separated by
  // ';') are matched with this table's IndexName fields (or the same names when
  // IndexName is empty).
  TDataSource* MasterSource = nullptr;
  std::string MasterFields;
  // The fields the records are ordered by (';'-separated); empty keeps table order.
  std::string IndexName;

  // Throws EDatabaseError naming the database (missing, unreadable, not a database,
  // server unreachable), the table (missing) or a linking, index or restriction field
  // (missing). Positions on the first record.
  void Open() override;
  std::string Name() const override;

 private:
  void Prepare() override;
  bool SelectParams(std::vector<TCell>& params) const override;
  bool IsDetail() const override { return MasterSource != nullptr; }
  void ReadSchema();

  std::string table_;  // the table's name as the database spells it
  std::vector<std::string> masterLinkFields_;
};

}  // namespace oxqr
