#pragma once
// The engine's registry of export filter classes (FilterLibrary), in registration order.
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "ExportFilter.h"

namespace oxqr {

// A filter class: constructs instances through the one constructor (file name).
struct TQRExportFilterClass {
  std::unique_ptr<TQRExportFilter> (*Create)(const std::string& fileName);
  const std::type_info* Type;
};

template <class T>
const TQRExportFilterClass* ClassOf() {
  static const TQRExportFilterClass cls{
      [](const std::string& f) -> std::unique_ptr<TQRExportFilter> { return std::make_unique<T>(f); }, &typeid(T)};
  return &cls;
}

struct TQRExportFilterLibraryEntry {
  const TQRExportFilterClass* ExportFilterClass = nullptr;
  std::string FilterName;  // DisplayName
  std::string Extension;
};

class TQRExportFilterLibrary {
 public:
  void AddFilter(const TQRExportFilterClass* filterClass);
  // Removes the first entry whose display name equals the class's (case-sensitive).
  void RemoveFilter(const TQRExportFilterClass* filterClass);
  // "QRReport file(*.QRP)|*.QRP" then "|Name (*.ext)|*.ext" per entry.
  std::string SaveDialogFilter() const;
  const std::vector<TQRExportFilterLibraryEntry>& Filters() const { return entries_; }

 private:
  std::vector<TQRExportFilterLibraryEntry> entries_;
};

// The one registry, alive for the whole program run.
TQRExportFilterLibrary& FilterLibrary();

}  // namespace oxqr
