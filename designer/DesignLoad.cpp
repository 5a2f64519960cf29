#include "designer/DesignLoad.h"

#include <filesystem>

#include "definition/OxrDocument.h"
#include "designer/DesignDocument.h"

namespace oxqr {

std::string DesignFileName(const TDesignDocument& document) {
  if (!document.FileName().isEmpty()) return document.FileName().toStdString();
  return (std::filesystem::current_path() / "untitled.oxr").string();
}

std::unique_ptr<TReportDefinition> LoadDesign(TOxrDocument& tree, const TDesignDocument& document) {
  TDefinitionOptions options;
  options.DefaultDatabasePath = document.DefaultDatabase().toStdString();
  return LoadReportDefinitionText(OxrDocumentText(tree), DesignFileName(document), options);
}

}  // namespace oxqr
