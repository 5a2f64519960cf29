#include "FilterLibrary.h"

#include <algorithm>

namespace oxqr {

void TQRExportFilterLibrary::AddFilter(const TQRExportFilterClass* filterClass) {
  // A temporary instance answers the class's display name and extension.
  const auto probe = filterClass->Create("");
  entries_.push_back({filterClass, probe->DisplayName(), probe->Extension()});
}

void TQRExportFilterLibrary::RemoveFilter(const TQRExportFilterClass* filterClass) {
  const auto probe = filterClass->Create("");
  const std::string name = probe->DisplayName();
  const auto it = std::find_if(entries_.begin(), entries_.end(),
                               [&](const TQRExportFilterLibraryEntry& e) { return e.FilterName == name; });
  if (it != entries_.end()) entries_.erase(it);
}

std::string TQRExportFilterLibrary::SaveDialogFilter() const {
  std::string s = "QRReport file(*.QRP)|*.QRP";
  for (const auto& e : entries_) s += "|" + e.FilterName + " (*." + e.Extension + ")|*." + e.Extension;
  return s;
}

TQRExportFilterLibrary& FilterLibrary() {
  static TQRExportFilterLibrary library;
  return library;
}

}  // namespace oxqr
