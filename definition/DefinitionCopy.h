#pragma once
// The text of a definition file made to run from another place: every `file` attribute
// (pictures, rich text) names its file as the caller says, and a report that names no
// database can be given one. Comments, layout and every other attribute stay as written,
// so the copy reads like the original.
#include <functional>
#include <string>

namespace oxqr {

struct TDefinitionCopy {
  // The name written for a file the definition names, given that file's full path.
  std::function<std::string(const std::string& path)> FileName;
  // Written as the report's `database` when the definition names none; empty: nothing added.
  std::string Database;
};

// Reads `fileName` (UTF-8) and returns its text with the names changed. Throws EFileError
// when the file cannot be read and EDefinitionError (file, line, column) when it is not
// well-formed XML.
std::string CopiedDefinitionText(const std::string& fileName, const TDefinitionCopy& copy);

}  // namespace oxqr
