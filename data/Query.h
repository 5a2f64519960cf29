#pragma once
// TQuery: a dataset over the result of an SQL SELECT on a database (an SQLite file or a
// PostgreSQL server, see Connection.h), read-only, read as the cursor moves.
// Parameters are written ":name" in the SQL and bound as values, never pasted into the
// text. A detail query (MasterSource set) takes every parameter that was not set with
// SetParam from the master's current field of the same name on each First().
// Field types follow the declared types of the result's columns as TTable derives them;
// a computed column without a declared type takes its type from the first record's value.
#include <string>
#include <vector>

#include "data/CellDataSet.h"

namespace oxqr {

class TQuery final : public TCellDataSet {
 public:
  TQuery();
  ~TQuery() override;

  std::string DatabaseName;  // path of the SQLite file, or a postgresql:// URI
  std::string SQL;
  std::string QueryName;  // names the query in messages; "query" when empty
  TDataSource* MasterSource = nullptr;

  // Sets parameter `name` (without ':', any case) to `value`; an open query reads again
  // from its first record. TCell::FromAnsi makes a text value, TCell::Integer a number.
  void SetParam(const std::string& name, const TCell& value);
  void ClearParams();
  // The parameters the SQL names, in order of first use (known once opened).
  const std::vector<std::string>& ParamNames() const { return paramNames_; }

  // Throws EDatabaseError naming the database and the query: a statement the database
  // rejects (with the line of SQL where it says the fault is), a parameter without a
  // value (none set and no master field of its name), a missing restriction field.
  void Open() override;
  std::string Name() const override;

 private:
  void Prepare() override;
  bool SelectParams(std::vector<TCell>& params) const override;
  bool IsDetail() const override { return MasterSource != nullptr; }
  std::string What() const;
  const TCell* ExplicitParam(const std::string& name) const;

  std::vector<std::pair<std::string, TCell>> params_;  // set with SetParam
  std::vector<std::string> paramNames_;
  std::vector<TColumnInfo> columns_;  // of the result, as prepared
};

}  // namespace oxqr
