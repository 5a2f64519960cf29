#include "ReportSource.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "CliOptions.h"
#include "data/JsonData.h"

namespace oxqr::cli {

bool IsDefinitionPath(const std::string& report) {
  return report.find('/') != std::string::npos || (report.size() > 4 && report.ends_with(".oxr"));
}

namespace {

std::string SampleFile(const std::string& key, const TSampleContext& ctx) {
  try {
    return SampleReportFile(key, ctx);
  } catch (const std::invalid_argument& e) {
    throw EUsage(std::string(e.what()) + "; a definition file is named by its path (ending in .oxr)");
  }
}

}  // namespace

std::unique_ptr<TReportDefinition> OpenReport(const std::string& report, const TSampleContext& ctx,
                                              const std::string& database,
                                              const std::vector<std::pair<std::string, std::string>>& parameters,
                                              const std::map<std::string, std::string>& dataFiles) {
  TDefinitionOptions options;
  options.Parameters = parameters;
  options.JsonFiles = dataFiles;
  if (IsDefinitionPath(report)) {
    options.DatabasePath = database;
    return LoadReportDefinition(report, options);
  }
  options.DatabasePath = ctx.DatabasePath;
  return LoadReportDefinition(SampleFile(report, ctx), options);
}

std::vector<std::string> InputFiles(const TReportDefinition& definition) {
  std::vector<std::string> files{definition.FileName()};
  if (!definition.DatabasePath().empty()) files.push_back(definition.DatabasePath());
  for (const auto& [control, file] : definition.ControlFiles()) files.push_back(file);
  for (const auto& [name, data] : definition.DataSets())
    if (const auto* json = dynamic_cast<const TJsonDataSet*>(data); json && std::filesystem::exists(json->DocumentSource()))
      files.push_back(json->DocumentSource());
  return files;
}

std::string SampleDefinitionText(const std::string& key, const TSampleContext& ctx) {
  const std::string file = SampleFile(key, ctx);
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace oxqr::cli
