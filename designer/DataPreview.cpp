#include "designer/DataPreview.h"

#include <QString>
#include <filesystem>

#include "data/Connection.h"
#include "data/Query.h"
#include "data/SqlParams.h"
#include "data/Table.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"

namespace fs = std::filesystem;

namespace oxqr {

namespace {

// A parameter's default as the loader would give it to a query.
TCell ParameterCell(const TOxrNode& p) {
  const std::string type = p.AttributeOr("type", "string"), value = p.AttributeOr("default", "");
  try {
    if (type == "integer") return TCell::Integer(std::stoll(value));
    if (type == "float") return TCell::Float(std::stod(value));
  } catch (const std::exception&) {
    return TCell::Null();  // a default that is not a number reads as no value
  }
  if (type == "boolean") return TCell::Integer(value == "true" ? 1 : 0);
  return TCell::FromUtf8(value);
}

bool HasParameter(const TOxrNode& report, const std::string& name) {
  for (const TOxrNode* p : report.Elements("parameter"))
    if (QString::fromStdString(p->AttributeOr("name", "")).compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0)
      return true;
  return false;
}

}  // namespace

std::string DefinitionDatabase(const TOxrNode& report, const std::string& fileName, const std::string& fallback) {
  const auto db = report.Attribute("database");
  if (!db || db->empty()) return fallback;
  if (IsServerUri(*db)) return *db;
  const fs::path base = fileName.empty() ? fs::current_path() : fs::absolute(fs::path(fileName)).parent_path();
  return (base / fs::path(*db)).lexically_normal().string();
}

std::string QuerySql(const TOxrNode& query) {
  std::string sql;
  for (const auto& c : query.Children())
    if (c->Kind() == TOxrNode::TKind::Text) sql += c->Name();
  return sql;
}

TDataPreview ReadDataPreview(const TOxrNode& dataset, const TOxrNode& report, const std::string& database,
                             std::size_t maxRows, const std::string& sql) {
  TDataPreview out;
  if (dataset.Name() == "json") {
    for (const TOxrNode* f : dataset.Elements("field")) out.Fields.push_back(f->AttributeOr("name", ""));
    return out;
  }
  try {
    std::unique_ptr<TDataSet> data;
    if (dataset.Name() == "table") {
      auto table = std::make_unique<TTable>();
      table->DatabaseName = database;
      table->TableName = dataset.AttributeOr("table", "");
      data = std::move(table);
    } else {
      auto query = std::make_unique<TQuery>();
      query->DatabaseName = database;
      query->QueryName = dataset.AttributeOr("name", "query");
      query->SQL = sql.empty() ? QuerySql(dataset) : sql;  // UTF-8, as the loader gives it
      for (const TOxrNode* p : report.Elements("parameter"))
        query->SetParam(p->AttributeOr("name", ""), ParameterCell(*p));
      // A detail query takes its master's fields: without a master record they are empty,
      // so that its fields are still known.
      if (dataset.Attribute("master"))
        for (const std::string& name : RewriteNamedParams(query->SQL, [](std::size_t) { return "?"; }).Names)
          if (!HasParameter(report, name)) query->SetParam(name, TCell::Null());
      data = std::move(query);
    }
    data->Open();
    for (TField* f : data->Fields()) out.Fields.push_back(AnsiToUtf8(f->FieldName));
    data->First();
    for (std::size_t n = 0; n < maxRows && !data->Eof(); ++n, data->Next()) {
      std::vector<std::string> row;
      for (TField* f : data->Fields()) row.push_back(f->IsBlob() ? "(blob)" : AnsiToUtf8(f->DisplayText()));
      out.Rows.push_back(std::move(row));
    }
  } catch (const EStatementError& e) {
    out.Error = AnsiToUtf8(e.what());
    out.Offset = e.Offset;
  } catch (const std::exception& e) {
    out.Error = AnsiToUtf8(e.what());
  }
  return out;
}

}  // namespace oxqr
