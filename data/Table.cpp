#include "data/Table.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>

#include "data/FieldTypes.h"
#include "platform/CodePage.h"

namespace oxqr {

namespace {

bool EqualsNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// "customer.db" -> "customer": the file-style names of desktop databases map to tables.
std::string TableFromName(const std::string& name) {
  for (const std::string suffix : {".db", ".dbf"}) {
    if (name.size() > suffix.size() && EqualsNoCase(name.substr(name.size() - suffix.size()), suffix))
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

TCell ReadCell(sqlite3_stmt* stmt, int col) {
  TCell c;
  switch (sqlite3_column_type(stmt, col)) {
    case SQLITE_INTEGER:
      c.Kind = TCell::TKind::Int;
      c.Int = sqlite3_column_int64(stmt, col);
      c.Real = static_cast<double>(c.Int);
      break;
    case SQLITE_FLOAT:
      c.Kind = TCell::TKind::Real;
      c.Real = sqlite3_column_double(stmt, col);
      break;
    case SQLITE_TEXT: {
      c.Kind = TCell::TKind::Text;
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
      c.Utf8.assign(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt, col)));
      // Most text is plain ASCII, which is the same in every ANSI code page.
      const bool ascii = std::all_of(c.Utf8.begin(), c.Utf8.end(), [](char ch) { return (ch & 0x80) == 0; });
      c.Bytes = ascii ? c.Utf8 : Utf8ToAnsi(c.Utf8);
      break;
    }
    case SQLITE_BLOB: {
      c.Kind = TCell::TKind::Blob;
      const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, col));
      c.Bytes.assign(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, col)));
      break;
    }
    default:
      break;
  }
  return c;
}

const TCell kNullCell{};

}  // namespace

TTable::TTable() = default;
TTable::~TTable() = default;

std::string TTable::Name() const { return table_.empty() ? TableFromName(TableName) : table_; }

void TTable::Open() {
  if (Active()) return;
  db_ = OpenDatabaseReadOnly(DatabaseName);
  try {
    ReadSchema();
    PrepareSelect();
    First();
  } catch (...) {
    Close();
    throw;
  }
}

void TTable::Close() {
  select_.reset();
  count_.reset();
  db_.reset();
  row_.clear();
  hasRow_ = false;
  recNo_ = 0;
  recordCount_ = -1;
  eof_ = true;
}

void TTable::ReadSchema() {
  const std::string wanted = TableFromName(TableName);
  if (wanted.empty()) throw EDatabaseError("No table name given for database \"" + DatabaseName + "\"");
  {
    TSqliteStmt find = Prepare(db_.get(),
                               "SELECT name FROM sqlite_master WHERE type IN ('table','view') AND name = ?1 COLLATE NOCASE",
                               "Cannot read the tables of \"" + DatabaseName + "\"");
    sqlite3_bind_text(find.get(), 1, wanted.c_str(), static_cast<int>(wanted.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(find.get()) != SQLITE_ROW)
      throw EDatabaseError("Table \"" + wanted + "\" does not exist in database \"" + DatabaseName + "\"");
    table_ = reinterpret_cast<const char*>(sqlite3_column_text(find.get(), 0));
  }
  TSqliteStmt info = Prepare(db_.get(), "PRAGMA table_info(" + QuoteIdentifier(table_) + ")",
                             "Cannot read the columns of table \"" + table_ + "\"");
  std::vector<std::unique_ptr<TTableField>> fields;
  while (sqlite3_step(info.get()) == SQLITE_ROW) {
    const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1));
    const auto* declared = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 2));
    // Keep the field object of an earlier opening, with its display format.
    auto old = std::find_if(fields_.begin(), fields_.end(), [&](const auto& f) { return f && EqualsNoCase(f->FieldName, name); });
    std::unique_ptr<TTableField> field = old != fields_.end() ? std::move(*old) : std::make_unique<TTableField>(*this, 0);
    field->SetColumn(fields.size());
    field->FieldName = name;
    field->DataType = FieldTypeFromDeclared(declared ? declared : "");
    fields.push_back(std::move(field));
  }
  fields_ = std::move(fields);
}

void TTable::PrepareSelect() {
  masterLinkFields_.clear();
  detailLinkFields_.clear();
  const std::vector<std::string> index = SplitFieldList(IndexName);
  for (const auto& name : index) FieldByName(name);

  std::string where;
  if (MasterSource) {
    masterLinkFields_ = SplitFieldList(MasterFields);
    if (masterLinkFields_.empty())
      throw EDatabaseError("Table \"" + table_ + "\" has a master source but no master fields");
    detailLinkFields_ = index.empty() ? masterLinkFields_ : index;
    if (detailLinkFields_.size() < masterLinkFields_.size())
      throw EDatabaseError("Table \"" + table_ + "\": index \"" + IndexName + "\" has fewer fields than master fields \"" +
                           MasterFields + "\"");
    detailLinkFields_.resize(masterLinkFields_.size());
    for (std::size_t i = 0; i < detailLinkFields_.size(); ++i) {
      const TField& f = FieldByName(detailLinkFields_[i]);
      where += (i ? " AND " : " WHERE ") + QuoteIdentifier(f.FieldName) + " = ?" + std::to_string(i + 1);
    }
  }
  std::string sql = "SELECT ";
  for (std::size_t i = 0; i < fields_.size(); ++i) sql += (i ? ", " : "") + QuoteIdentifier(fields_[i]->FieldName);
  countSql_ = "SELECT COUNT(*) FROM " + QuoteIdentifier(table_) + where;
  count_.reset();
  sql += " FROM " + QuoteIdentifier(table_) + where + " ORDER BY ";
  for (const auto& name : index) sql += QuoteIdentifier(FieldByName(name).FieldName) + ", ";
  sql += "rowid";
  select_ = Prepare(db_.get(), sql, "Cannot read table \"" + table_ + "\" of \"" + DatabaseName + "\"");
}

bool TTable::BindMasterValues(sqlite3_stmt* stmt) const {
  TDataSet* masterSet = MasterSource->DataSet;
  if (!masterSet || !masterSet->Active() || masterSet->IsEmpty()) return false;
  TDataSet& master = *masterSet;
  for (std::size_t i = 0; i < masterLinkFields_.size(); ++i) {
    TField& mf = master.FieldByName(masterLinkFields_[i]);
    const int idx = static_cast<int>(i) + 1;
    if (const auto* tf = dynamic_cast<const TTableField*>(&mf)) {
      const TCell& v = tf->Value();
      switch (v.Kind) {
        case TCell::TKind::Int: sqlite3_bind_int64(stmt, idx, v.Int); break;
        case TCell::TKind::Real: sqlite3_bind_double(stmt, idx, v.Real); break;
        case TCell::TKind::Text: sqlite3_bind_text(stmt, idx, v.Utf8.c_str(), static_cast<int>(v.Utf8.size()), SQLITE_TRANSIENT); break;
        case TCell::TKind::Blob: sqlite3_bind_blob(stmt, idx, v.Bytes.data(), static_cast<int>(v.Bytes.size()), SQLITE_TRANSIENT); break;
        case TCell::TKind::Null: sqlite3_bind_null(stmt, idx); break;
      }
    } else if (mf.IsNull()) {
      sqlite3_bind_null(stmt, idx);
    } else {
      const std::string text = AnsiToUtf8(mf.AsString());
      sqlite3_bind_text(stmt, idx, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
  }
  return true;
}

bool TTable::StepRow() {
  sqlite3_stmt* stmt = select_.get();
  const int rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW) {
    const int columns = static_cast<int>(fields_.size());
    row_.clear();
    row_.reserve(fields_.size());
    for (int c = 0; c < columns; ++c) row_.push_back(ReadCell(stmt, c));
    return true;
  }
  sqlite3_reset(stmt);  // ends the read so that the database is not held open
  if (rc != SQLITE_DONE)
    throw EDatabaseError("Cannot read table \"" + table_ + "\" of \"" + DatabaseName + "\": " + sqlite3_errmsg(db_.get()));
  return false;
}

void TTable::First() {
  if (!Active()) throw EDatabaseError("Table \"" + Name() + "\" is not open");
  sqlite3_stmt* stmt = select_.get();
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  row_.clear();
  recordCount_ = -1;
  hasRow_ = (!MasterSource || BindMasterValues(stmt)) && StepRow();
  if (!hasRow_) row_.clear();
  recNo_ = hasRow_ ? 1 : 0;
  eof_ = !hasRow_;
}

void TTable::Next() {
  if (eof_) return;
  // At the last record the cursor stays on it and Eof becomes true.
  if (StepRow()) ++recNo_;
  else eof_ = true;
}

int TTable::RecordCount() const {
  if (!Active()) return 0;
  if (recordCount_ >= 0) return recordCount_;
  if (!count_) count_ = Prepare(db_.get(), countSql_, "Cannot count table \"" + table_ + "\" of \"" + DatabaseName + "\"");
  sqlite3_stmt* stmt = count_.get();
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  int count = 0;
  if (!MasterSource || BindMasterValues(stmt)) {
    if (sqlite3_step(stmt) == SQLITE_ROW) count = sqlite3_column_int(stmt, 0);
    sqlite3_reset(stmt);
  }
  recordCount_ = count;
  return count;
}

TField* TTable::FindField(const std::string& name) {
  for (const auto& f : fields_)
    if (EqualsNoCase(f->FieldName, name)) return f.get();
  return nullptr;
}

std::vector<TField*> TTable::Fields() {
  std::vector<TField*> out;
  for (const auto& f : fields_) out.push_back(f.get());
  return out;
}

const TCell& TTable::Cell(std::size_t col) const {
  if (!hasRow_ || col >= row_.size()) return kNullCell;
  return row_[col];
}

}  // namespace oxqr
