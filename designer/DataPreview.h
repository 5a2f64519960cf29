#pragma once
// What the data panel reads from the database for a dataset of the definition: its fields and
// its first records, or the database's message with where in the SQL it found the fault.
#include <string>
#include <vector>

#include "definition/OxrDocument.h"

namespace oxqr {

struct TDataPreview {
  std::vector<std::string> Fields;
  std::vector<std::vector<std::string>> Rows;  // display text (UTF-8)
  std::string Error;  // empty when the read worked
  long Offset = -1;   // byte offset of the fault in the SQL, when the database names one
};

// The database a definition reads: its `database` attribute relative to the definition's
// folder (`fileName` empty: the working folder), a server URI as written, or `fallback`.
std::string DefinitionDatabase(const TOxrNode& report, const std::string& fileName, const std::string& fallback);

// The SQL of a query element (its text).
std::string QuerySql(const TOxrNode& query);

// Opens the table or query element `dataset` on `database`, with the report's parameters at
// their defaults (a query's `sql` given, or its own text when empty), and reads up to
// `maxRows` records. A JSON dataset gives its declared fields. Never throws.
TDataPreview ReadDataPreview(const TOxrNode& dataset, const TOxrNode& report, const std::string& database,
                             std::size_t maxRows, const std::string& sql = {});

}  // namespace oxqr
