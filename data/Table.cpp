#include "data/Table.h"

#include "data/FieldTypes.h"
#include "data/Sqlite.h"

namespace oxqr {

namespace {

// "customer.db" -> "customer": the file-style names of desktop databases map to tables.
std::string TableFromName(const std::string& name) {
  for (const std::string suffix : {".db", ".dbf"}) {
    if (name.size() > suffix.size() && SameName(name.substr(name.size() - suffix.size()), suffix))
      return name.substr(0, name.size() - suffix.size());
  }
  return name;
}

std::vector<std::string> SplitFieldList(const std::string& list) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : list + ";") {
    if (c == ';') {
      const auto b = cur.find_first_not_of(' ');
      if (b != std::string::npos) out.push_back(cur.substr(b, cur.find_last_not_of(' ') - b + 1));
      cur.clear();
    } else {
      cur += c;
    }
  }
  return out;
}

}  // namespace

TTable::TTable() = default;
TTable::~TTable() = default;

std::string TTable::Name() const { return table_.empty() ? TableFromName(TableName) : table_; }

void TTable::Open() { OpenWith(DatabaseName); }

void TTable::ReadSchema() {
  const std::string wanted = TableFromName(TableName);
  if (wanted.empty()) throw EDatabaseError("No table name given for " + Conn().Describe());
  const auto found = Conn().FindTable(wanted);
  if (!found) throw EDatabaseError("Table \"" + wanted + "\" does not exist in " + Conn().Describe());
  table_ = *found;
  const std::vector<TColumnInfo> columns = Conn().TableColumns(table_);
  std::vector<TFieldType> types;
  for (const auto& c : columns) types.push_back(FieldTypeFromDeclared(c.DeclaredType));
  SetFields(columns, types);
}

void TTable::Prepare() {
  ReadSchema();
  masterLinkFields_.clear();
  const std::vector<std::string> index = SplitFieldList(IndexName);
  for (const auto& name : index) FieldByName(name);

  std::string where;
  std::size_t params = 0;
  if (MasterSource) {
    masterLinkFields_ = SplitFieldList(MasterFields);
    if (masterLinkFields_.empty())
      throw EDatabaseError("Table \"" + table_ + "\" has a master source but no master fields");
    std::vector<std::string> detailLinkFields = index.empty() ? masterLinkFields_ : index;
    if (detailLinkFields.size() < masterLinkFields_.size())
      throw EDatabaseError("Table \"" + table_ + "\": index \"" + IndexName + "\" has fewer fields than master fields \"" +
                           MasterFields + "\"");
    detailLinkFields.resize(masterLinkFields_.size());
    for (const auto& name : detailLinkFields) {
      where += (params ? " AND " : " WHERE ") + QuoteIdentifier(FieldByName(name).FieldName) + " = " +
               Conn().Placeholder(params + 1);
      ++params;
    }
  }
  if (Restricted())
    where += (params ? " AND " : " WHERE ") + QuoteIdentifier(FieldByName(RestrictField()).FieldName) +
             RestrictionCondition(params);

  std::string sql = "SELECT ";
  const std::vector<TField*> fields = Fields();
  for (std::size_t i = 0; i < fields.size(); ++i) sql += (i ? ", " : "") + QuoteIdentifier(fields[i]->FieldName);
  std::string order;
  for (const auto& name : index) order += (order.empty() ? "" : ", ") + QuoteIdentifier(FieldByName(name).FieldName);
  if (const std::string stored = Conn().StoredOrder(table_); !stored.empty())
    order += (order.empty() ? "" : ", ") + stored;
  sql += " FROM " + QuoteIdentifier(table_) + where + (order.empty() ? "" : " ORDER BY " + order);
  const std::string what = "table \"" + table_ + "\" of " + Conn().Describe();
  SetSelect(Conn().Prepare(sql, "Cannot read " + what, IsDetail()), "SELECT COUNT(*) FROM " + QuoteIdentifier(table_) + where,
            "Cannot count " + what);
}

bool TTable::SelectParams(std::vector<TCell>& params) const {
  if (!MasterSource) return true;
  TDataSet* master = MasterSource->DataSet;
  if (!master || !master->Active() || master->IsEmpty()) return false;
  for (const auto& name : masterLinkFields_) params.push_back(MasterValue(master->FieldByName(name)));
  return true;
}

}  // namespace oxqr
