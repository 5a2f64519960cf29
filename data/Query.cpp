#include "data/Query.h"

#include <cctype>

#include "data/FieldTypes.h"
#include "data/Sqlite.h"
#include "data/SqlParams.h"

namespace oxqr {

namespace {

// The SQL without trailing blanks and semicolons, so that it can be nested in a SELECT.
std::string StripTrailing(std::string sql) {
  while (!sql.empty() && (std::isspace(static_cast<unsigned char>(sql.back())) || sql.back() == ';')) sql.pop_back();
  return sql;
}

}  // namespace

TQuery::TQuery() = default;
TQuery::~TQuery() = default;

std::string TQuery::Name() const { return QueryName.empty() ? "query" : QueryName; }

std::string TQuery::What() const { return "Query \"" + Name() + "\" on " + Conn().Describe(); }

void TQuery::SetParam(const std::string& name, const TCell& value) {
  const std::string bare = name.starts_with(":") ? name.substr(1) : name;
  bool found = false;
  for (auto& [n, v] : params_)
    if (SameName(n, bare)) {
      v = value;
      found = true;
    }
  if (!found) params_.emplace_back(bare, value);
  if (Active()) ReadFirst();
}

void TQuery::ClearParams() { params_.clear(); }

const TCell* TQuery::ExplicitParam(const std::string& name) const {
  for (const auto& [n, v] : params_)
    if (SameName(n, name)) return &v;
  return nullptr;
}

void TQuery::Open() {
  if (Active()) return;
  OpenWith(DatabaseName);
  TypeUndeclaredFromFirstRecord(columns_);
}

void TQuery::Prepare() {
  const std::string sql = StripTrailing(SQL);
  if (sql.empty()) throw EDatabaseError(What() + ": no SQL given");
  TNamedParamSql named = RewriteNamedParams(sql, [this](std::size_t n) { return Conn().Placeholder(n); });
  paramNames_ = named.Names;
  for (const auto& name : paramNames_)
    if (!ExplicitParam(name) && !MasterSource)
      throw EDatabaseError(What() + ": parameter :" + name + " has no value");

  std::unique_ptr<TStatement> select;
  try {
    select = Conn().Prepare(named.Sql, What(), IsDetail());
  } catch (const EStatementError& e) {
    if (e.Offset < 0) throw;
    // Name the line of the query's own text; the database's message follows the context.
    const std::string reason = std::string(e.what()).substr(What().size());
    throw EStatementError(What() + ", line " + std::to_string(LineOfOffset(named.Sql, e.Offset)) + reason, e.Offset);
  }
  const std::vector<TColumnInfo> columns = select->Columns();
  std::vector<TFieldType> types;
  for (const auto& c : columns) types.push_back(FieldTypeFromDeclared(c.DeclaredType));
  SetFields(columns, types);

  std::string from = "(" + named.Sql + "\n) AS oxqr_query";
  if (Restricted()) {
    const std::string field = QuoteIdentifier(FieldByName(RestrictField()).FieldName);
    from = "(SELECT * FROM " + from + " WHERE " + field + RestrictionCondition(paramNames_.size()) + ") AS oxqr_restricted";
    select = Conn().Prepare("SELECT * FROM " + from, What(), IsDetail());
  }
  SetSelect(std::move(select), "SELECT COUNT(*) FROM " + from, What());
  columns_ = columns;
}

bool TQuery::SelectParams(std::vector<TCell>& params) const {
  TDataSet* master = MasterSource ? MasterSource->DataSet : nullptr;
  const bool masterHasRecord = master && master->Active() && !master->IsEmpty();
  for (const auto& name : paramNames_) {
    if (const TCell* v = ExplicitParam(name)) {
      params.push_back(*v);
      continue;
    }
    if (!masterHasRecord) return false;
    TField* f = master->FindField(name);
    if (!f)
      throw EDatabaseError(What() + ": parameter :" + name + " has no value and master \"" + master->Name() +
                           "\" has no field of that name");
    params.push_back(MasterValue(*f));
  }
  return true;
}

}  // namespace oxqr
