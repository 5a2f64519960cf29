#pragma once
// Named parameters in SQL text: ":name" placeholders are rewritten to the database's
// positional placeholders, so that values are always bound, never pasted into the text.
#include <functional>
#include <string>
#include <vector>

namespace oxqr {

struct TNamedParamSql {
  std::string Sql;                 // the text with positional placeholders
  std::vector<std::string> Names;  // parameter names in placeholder order, each once
};

// Rewrites every ":name" (a letter or '_' followed by letters, digits or '_') outside
// quoted strings, quoted identifiers, dollar-quoted strings and comments; "::" stays as it
// is (a type cast). A name used twice gets the same placeholder; names compare
// case-insensitively. Line breaks are kept, so lines in `sql` and the result match.
TNamedParamSql RewriteNamedParams(const std::string& sql, const std::function<std::string(std::size_t)>& placeholder);

// The 1-based line of byte `offset` in `text`.
int LineOfOffset(const std::string& text, long offset);

}  // namespace oxqr
