#include "designer/DesignLoad.h"

#include <filesystem>

#include "Showcase/samples/SampleContext.h"
#include "definition/OxrDocument.h"
#include "designer/DesignDocument.h"

namespace oxqr {

namespace {
std::string& ChosenDatabase() {
  static std::string path;
  return path;
}
}  // namespace

std::string DesignDatabase() {
  if (!ChosenDatabase().empty()) return ChosenDatabase();
  return DefaultSampleContext().DatabasePath;
}

void SetDesignDatabase(std::string path) { ChosenDatabase() = std::move(path); }

std::string DesignFileName(const TDesignDocument& document) {
  if (!document.FileName().isEmpty()) return document.FileName().toStdString();
  return (std::filesystem::current_path() / "untitled.oxr").string();
}

std::unique_ptr<TReportDefinition> LoadDesign(TOxrDocument& tree, const TDesignDocument& document) {
  TDefinitionOptions options;
  options.DefaultDatabasePath = DesignDatabase();
  return LoadReportDefinitionText(OxrDocumentText(tree), DesignFileName(document), options);
}

}  // namespace oxqr
