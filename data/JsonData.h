#pragma once
// Datasets read from JSON: the array of records (objects) found at a path of a document, with
// declared typed fields; a nested array of each record is a detail dataset of its parent.
// Every value is checked against its declaration when the dataset opens, so a wrong value is
// reported (where the data came from, a JSON pointer, what was expected) before a report
// reads anything.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "data/CellDataSet.h"

namespace oxqr {

// A fault of JSON data: its source (a file name, or the request), the JSON pointer of the
// value (or the line and column of malformed text) and what was expected.
class EJsonDataError : public EOxQRError {
 public:
  EJsonDataError(std::string source, std::string pointer, int line, int column, std::string message);
  const std::string& Source() const { return source_; }
  const std::string& Pointer() const { return pointer_; }
  int Line() const { return line_; }  // 0 when the fault is located by its pointer
  int Column() const { return column_; }
  const std::string& Message() const { return message_; }

 private:
  std::string source_, pointer_;
  int line_, column_;
  std::string message_;
};

// Deeper nesting is refused before a value is built (a hostile text cannot exhaust the stack).
inline constexpr int kMaxJsonDepth = 64;

// A parsed JSON value and the names it is known by in messages.
class TJsonDocument {
 public:
  // Parses `text`; throws EJsonDataError with the line and column of malformed JSON or of
  // nesting deeper than kMaxJsonDepth.
  static std::shared_ptr<const TJsonDocument> Parse(std::string_view text, std::string source);
  static std::shared_ptr<const TJsonDocument> ReadFile(const std::string& fileName);
  // A value taken from a larger document: `pointer` says where it sat ("/data/Orders").
  static std::shared_ptr<const TJsonDocument> FromValue(nlohmann::json value, std::string source, std::string pointer);

  TJsonDocument(std::unique_ptr<nlohmann::json> root, std::string source, std::string pointer);
  ~TJsonDocument();
  const nlohmann::json& Root() const { return *root_; }
  const std::string& Source() const { return source_; }
  const std::string& RootPointer() const { return pointer_; }

 private:
  std::unique_ptr<nlohmann::json> root_;
  std::string source_, pointer_;
};

// "/orders/2/Amount": `member` appended to `pointer` with ~ and / escaped.
std::string JsonPointer(const std::string& pointer, std::string_view member);

struct TJsonFieldDecl {
  std::string Name;
  TFieldType Type = TFieldType::ftString;
};

// The declarable types: string, integer, float, currency, boolean, date, datetime.
std::optional<TFieldType> JsonFieldTypeFromName(std::string_view name);
std::string JsonFieldTypeName(TFieldType type);
inline constexpr std::string_view kJsonFieldTypeNames = "string, integer, float, currency, boolean, date, datetime";

class TJsonDataSet final : public TDataSet, public TCellRecord {
 public:
  // A dataset of the records in the array at `path` of `document` (member names separated
  // by dots; empty: the document is the array).
  TJsonDataSet(std::string name, std::vector<TJsonFieldDecl> fields, std::shared_ptr<const TJsonDocument> document,
               std::string path);
  // A detail dataset: the records of the array `member` of `master`'s current record (a
  // record without that member, or with null, has none).
  TJsonDataSet(std::string name, std::vector<TJsonFieldDecl> fields, TJsonDataSet& master, std::string member);
  ~TJsonDataSet() override;

  // The definition's attributes as written, so that a saved definition names them again.
  std::string FileAttribute;
  std::string PathAttribute;
  const std::vector<TJsonFieldDecl>& Declarations() const { return decls_; }
  const TJsonDataSet* Master() const { return master_; }
  // Where the records come from: the file's name, or what the application named its data.
  const std::string& DocumentSource() const;

  // Checks every record the dataset can reach (for a detail, under every master record);
  // throws EJsonDataError for a path that does not lead to an array, a record that is not
  // an object, a missing declared field or a value of another type.
  void Open() override;
  void Close() override;
  bool Active() const override { return active_; }
  void First() override;
  void Next() override;
  bool Eof() const override { return eof_; }
  bool IsEmpty() const override { return records_ == nullptr || RecordCount() == 0; }
  int RecordCount() const override;
  TField* FindField(const std::string& name) override;
  std::vector<TField*> Fields() override;
  std::string Name() const override { return name_; }
  std::string Source() const override;
  const TCell& Cell(std::size_t col) const override;

 private:
  using TRecordVisitor = std::function<void(const nlohmann::json& record, const std::string& pointer)>;
  // Calls `visit` for every record under every record of the masters.
  void ForEachRecord(const TRecordVisitor& visit) const;
  const nlohmann::json* TopArray(std::string* pointer) const;
  void CheckRecord(const nlohmann::json& record, const std::string& pointer) const;
  void Load();  // the current record's cells

  std::string name_;
  std::vector<TJsonFieldDecl> decls_;
  std::shared_ptr<const TJsonDocument> document_;
  std::string path_;  // top level: the path; detail: the member of the master's record
  TJsonDataSet* master_ = nullptr;
  std::vector<std::unique_ptr<TCellField>> fields_;
  const nlohmann::json* records_ = nullptr;  // the array being read
  std::size_t index_ = 0;
  std::vector<TCell> row_;
  bool active_ = false;
  bool eof_ = true;
};

}  // namespace oxqr
