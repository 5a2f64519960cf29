#pragma once
// The reports the service offers: the definition files (*.oxr) of the reports folder, each
// known by its catalogue name (the file's name without .oxr). A request names a report by
// that name only; nothing a client sends becomes part of a path.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace oxqr::serve {

struct TCatalogueParameter {
  std::string Name;
  std::string Type;  // string, integer, float, date, boolean
  std::optional<std::string> Default;
};

struct TCatalogueEntry {
  std::string Name;
  std::string Title;
  std::string File;  // the definition's full path
  std::vector<TCatalogueParameter> Parameters;
  std::vector<std::string> JsonDataSets;  // datasets whose records a request may give
};

// Catalogue names: letters, digits, '_' and '-', up to 64 characters.
bool IsCatalogueName(const std::string& name);

class TCatalogue {
 public:
  // Reads the folder's definitions; a file whose name is no catalogue name, or whose head
  // cannot be read, is left out with a warning on standard error.
  explicit TCatalogue(const std::string& dir);
  const TCatalogueEntry* Find(const std::string& name) const;
  const std::map<std::string, TCatalogueEntry>& Entries() const { return entries_; }
  const std::string& Dir() const { return dir_; }

 private:
  std::string dir_;
  std::map<std::string, TCatalogueEntry> entries_;
};

}  // namespace oxqr::serve
