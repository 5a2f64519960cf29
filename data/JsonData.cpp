#include "data/JsonData.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <nlohmann/json.hpp>

#include "data/DisplayFormat.h"

namespace oxqr {

using nlohmann::json;

namespace {

std::string Where(const std::string& source, const std::string& pointer, int line, int column) {
  std::string s = source;
  if (line > 0) s += ":" + std::to_string(line) + ":" + std::to_string(column);
  s += ": ";
  if (line == 0) s += "at " + (pointer.empty() ? std::string("the top level") : pointer) + ": ";
  return s;
}

// Line and column (from 1) of byte `offset` of `text`.
std::pair<int, int> LineColumn(std::string_view text, std::size_t offset) {
  int line = 1, column = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      ++column;  // counts characters, not UTF-8 continuation bytes
    }
  }
  return {line, column};
}

// Refuses nesting deeper than kMaxJsonDepth before the parser builds anything.
void CheckDepth(std::string_view text, const std::string& source) {
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxJsonDepth) {
        const auto [line, column] = LineColumn(text, i);
        throw EJsonDataError(source, "", line, column,
                             "the JSON nests deeper than " + std::to_string(kMaxJsonDepth) + " arrays and objects");
      }
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
}

std::string Found(const json& v) {
  std::string text = v.dump();
  if (text.size() > 40) text = text.substr(0, 37) + "...";
  return std::string(v.type_name()) + " " + text;
}

// What a value of `type` must be; empty when `v` is one (null stands for no value).
std::string Expected(TFieldType type, const json& v) {
  if (v.is_null()) return {};
  switch (type) {
    case TFieldType::ftString:
      return v.is_string() ? "" : "a string";
    case TFieldType::ftLargeint:
      if (v.is_number_unsigned() && v.get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX))
        return "an integer of 64 bits";
      return v.is_number_integer() ? "" : "an integer";
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
      return v.is_number() ? "" : "a number";
    case TFieldType::ftBoolean:
      return v.is_boolean() ? "" : "true or false";
    case TFieldType::ftDate: {
      const auto* s = v.get_ptr<const json::string_t*>();
      return s != nullptr && s->size() == 10 && ParseIsoDateTime(*s) ? "" : "an ISO 8601 date (yyyy-mm-dd)";
    }
    default: {
      const auto* s = v.get_ptr<const json::string_t*>();
      const bool ok = s != nullptr && s->size() >= 16 && ((*s)[10] == 'T' || (*s)[10] == ' ') && ParseIsoDateTime(*s);
      return ok ? "" : "an ISO 8601 date and time (yyyy-mm-ddThh:mm:ss)";
    }
  }
}

TCell CellOf(TFieldType type, const json& v) {
  if (v.is_null()) return TCell::Null();
  switch (type) {
    case TFieldType::ftLargeint: return TCell::Integer(v.get<std::int64_t>());
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency: return TCell::Float(v.get<double>());
    case TFieldType::ftBoolean: return TCell::Integer(v.get<bool>() ? 1 : 0);
    default: return TCell::FromUtf8(v.get<std::string>());
  }
}

constexpr std::pair<std::string_view, TFieldType> kTypeNames[] = {
    {"string", TFieldType::ftString},     {"integer", TFieldType::ftLargeint}, {"float", TFieldType::ftFloat},
    {"currency", TFieldType::ftCurrency}, {"boolean", TFieldType::ftBoolean},  {"date", TFieldType::ftDate},
    {"datetime", TFieldType::ftDateTime}};

}  // namespace

EJsonDataError::EJsonDataError(std::string source, std::string pointer, int line, int column, std::string message)
    : EOxQRError(Where(source, pointer, line, column) + message), source_(std::move(source)),
      pointer_(std::move(pointer)), line_(line), column_(column), message_(std::move(message)) {}

// ---- documents -------------------------------------------------------------------------------

TJsonDocument::TJsonDocument(std::unique_ptr<json> root, std::string source, std::string pointer)
    : root_(std::move(root)), source_(std::move(source)), pointer_(std::move(pointer)) {}
TJsonDocument::~TJsonDocument() = default;

std::shared_ptr<const TJsonDocument> TJsonDocument::Parse(std::string_view text, std::string source) {
  CheckDepth(text, source);
  auto root = std::make_unique<json>();
  try {
    *root = json::parse(text.begin(), text.end());
  } catch (const json::parse_error& e) {
    const auto [line, column] = LineColumn(text, e.byte > 0 ? e.byte - 1 : 0);
    std::string what = e.what();
    // The library's message after its own position: "syntax error while parsing value - ...".
    if (const auto at = what.find(": ", what.find("column")); at != std::string::npos) what = what.substr(at + 2);
    else if (const auto colon = what.rfind(": "); colon != std::string::npos) what = what.substr(colon + 2);
    throw EJsonDataError(std::move(source), "", line, column, "malformed JSON: " + what);
  }
  return std::make_shared<const TJsonDocument>(std::move(root), std::move(source), "");
}

std::shared_ptr<const TJsonDocument> TJsonDocument::ReadFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw EJsonDataError(fileName, "", 1, 1, std::string("cannot read the file: ") + std::strerror(errno));
  std::ostringstream text;
  text << in.rdbuf();
  return Parse(text.view(), fileName);
}

std::shared_ptr<const TJsonDocument> TJsonDocument::FromValue(json value, std::string source, std::string pointer) {
  return std::make_shared<const TJsonDocument>(std::make_unique<json>(std::move(value)), std::move(source),
                                               std::move(pointer));
}

std::string JsonPointer(const std::string& pointer, std::string_view member) {
  std::string s = pointer + "/";
  for (const char c : member) {
    if (c == '~') s += "~0";
    else if (c == '/') s += "~1";
    else s += c;
  }
  return s;
}

std::optional<TFieldType> JsonFieldTypeFromName(std::string_view name) {
  for (const auto& [n, t] : kTypeNames)
    if (n == name) return t;
  return std::nullopt;
}

std::string JsonFieldTypeName(TFieldType type) {
  for (const auto& [n, t] : kTypeNames)
    if (t == type) return std::string(n);
  return "string";
}

// ---- datasets --------------------------------------------------------------------------------

TJsonDataSet::TJsonDataSet(std::string name, std::vector<TJsonFieldDecl> fields,
                           std::shared_ptr<const TJsonDocument> document, std::string path)
    : name_(std::move(name)), decls_(std::move(fields)), document_(std::move(document)), path_(std::move(path)) {}

TJsonDataSet::TJsonDataSet(std::string name, std::vector<TJsonFieldDecl> fields, TJsonDataSet& master,
                           std::string member)
    : name_(std::move(name)), decls_(std::move(fields)), document_(master.document_), path_(std::move(member)),
      master_(&master) {}

TJsonDataSet::~TJsonDataSet() = default;

const json* TJsonDataSet::TopArray(std::string* pointer) const {
  const json* v = &document_->Root();
  std::string at = document_->RootPointer();
  std::string_view rest = path_;
  while (!rest.empty()) {
    const auto dot = rest.find('.');
    const std::string member(rest.substr(0, dot));
    rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
    if (!v->is_object())
      throw EJsonDataError(document_->Source(), at, 0, 0,
                           "expected an object with the member \"" + member + "\", found " + Found(*v));
    const auto it = v->find(member);
    if (it == v->end())
      throw EJsonDataError(document_->Source(), at, 0, 0, "missing member \"" + member + "\" (path " + path_ + ")");
    v = &*it;
    at = JsonPointer(at, member);
  }
  if (!v->is_array())
    throw EJsonDataError(document_->Source(), at, 0, 0, "expected an array of records, found " + Found(*v));
  if (pointer != nullptr) *pointer = at;
  return v;
}

void TJsonDataSet::ForEachRecord(const TRecordVisitor& visit) const {
  auto eachIn = [&visit](const json& array, const std::string& at) {
    for (std::size_t i = 0; i < array.size(); ++i) visit(array[i], at + "/" + std::to_string(i));
  };
  if (master_ == nullptr) {
    std::string at;
    eachIn(*TopArray(&at), at);
    return;
  }
  master_->ForEachRecord([&](const json& parent, const std::string& parentAt) {
    const auto it = parent.find(path_);
    if (it == parent.end() || it->is_null()) return;
    const std::string at = JsonPointer(parentAt, path_);
    if (!it->is_array())
      throw EJsonDataError(document_->Source(), at, 0, 0, "expected an array of records, found " + Found(*it));
    eachIn(*it, at);
  });
}

void TJsonDataSet::CheckRecord(const json& record, const std::string& at) const {
  if (!record.is_object())
    throw EJsonDataError(document_->Source(), at, 0, 0, "expected a record (an object), found " + Found(record));
  for (const auto& d : decls_) {
    const auto it = record.find(d.Name);
    if (it == record.end())
      throw EJsonDataError(document_->Source(), at, 0, 0,
                           "missing field \"" + d.Name + "\" (" + JsonFieldTypeName(d.Type) + ")");
    if (const std::string expected = Expected(d.Type, *it); !expected.empty())
      throw EJsonDataError(document_->Source(), JsonPointer(at, d.Name), 0, 0,
                           "expected " + expected + " (" + d.Name + ": " + JsonFieldTypeName(d.Type) + "), found " +
                               Found(*it));
  }
}

void TJsonDataSet::Open() {
  ForEachRecord([this](const json& record, const std::string& at) { CheckRecord(record, at); });
  if (fields_.empty()) {
    for (std::size_t i = 0; i < decls_.size(); ++i) {
      auto f = std::make_unique<TCellField>(*this, i);
      f->FieldName = decls_[i].Name;
      f->DataType = decls_[i].Type;
      fields_.push_back(std::move(f));
    }
  }
  active_ = true;
  First();
}

void TJsonDataSet::Close() {
  active_ = false;
  records_ = nullptr;
  eof_ = true;
  Load();
}

void TJsonDataSet::First() {
  records_ = nullptr;
  index_ = 0;
  if (!active_) {
    eof_ = true;
  } else if (master_ == nullptr) {
    records_ = TopArray(nullptr);
  } else if (master_->records_ != nullptr && master_->index_ < master_->records_->size()) {
    const json& parent = (*master_->records_)[master_->index_];
    if (const auto it = parent.find(path_); it != parent.end() && it->is_array()) records_ = &*it;
  }
  eof_ = records_ == nullptr || records_->empty();
  Load();
}

void TJsonDataSet::Next() {
  if (eof_) return;
  if (++index_ >= records_->size()) {
    // The cursor stays on the last record at the end, as a table's does.
    --index_;
    eof_ = true;
    return;
  }
  Load();
}

void TJsonDataSet::Load() {
  row_.assign(decls_.size(), TCell::Null());
  if (records_ == nullptr || index_ >= records_->size()) return;
  const json& record = (*records_)[index_];
  for (std::size_t i = 0; i < decls_.size(); ++i) row_[i] = CellOf(decls_[i].Type, record.at(decls_[i].Name));
}

int TJsonDataSet::RecordCount() const { return records_ == nullptr ? 0 : static_cast<int>(records_->size()); }

TField* TJsonDataSet::FindField(const std::string& name) {
  for (const auto& f : fields_)
    if (SameName(f->FieldName, name)) return f.get();
  return nullptr;
}

std::vector<TField*> TJsonDataSet::Fields() {
  std::vector<TField*> out;
  for (const auto& f : fields_) out.push_back(f.get());
  return out;
}

const std::string& TJsonDataSet::DocumentSource() const { return document_->Source(); }

std::string TJsonDataSet::Source() const { return " of " + document_->Source(); }

const TCell& TJsonDataSet::Cell(std::size_t col) const {
  static const TCell null;
  return col < row_.size() ? row_[col] : null;
}

}  // namespace oxqr
