#include "ReportSource.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "CliOptions.h"
#include "data/Connection.h"
#include "data/JsonData.h"
#include "definition/DefinitionCopy.h"
#include "platform/Errors.h"
#include "platform/Files.h"

namespace oxqr::cli {

namespace fs = std::filesystem;

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

namespace {

// The sample database as a definition names it: a full path, or nothing for a server.
std::string SampleDatabase(const TSampleContext& ctx) {
  if (ctx.DatabasePath.empty() || IsServerUri(ctx.DatabasePath)) return {};
  return fs::absolute(ctx.DatabasePath).lexically_normal().string();
}

}  // namespace

std::string SampleDefinitionText(const std::string& key, const TSampleContext& ctx) {
  TDefinitionCopy copy;
  copy.FileName = [](const std::string& path) { return fs::absolute(path).lexically_normal().string(); };
  copy.Database = SampleDatabase(ctx);
  return CopiedDefinitionText(SampleFile(key, ctx), copy);
}

std::vector<std::string> WriteSampleDefinition(const std::string& key, const TSampleContext& ctx,
                                               const std::string& folder) {
  const std::string sample = SampleFile(key, ctx);
  std::error_code ec;
  if (fs::equivalent(folder, fs::path(sample).parent_path(), ec))
    throw EUsage("the folder \"" + folder + "\" holds the samples themselves; choose another folder");
  fs::create_directories(folder, ec);
  if (ec) throw EFileError(folder, "make the folder", ec.value());

  // Each file the definition names is copied under its own name; two files of one name
  // keep the second by its full path rather than overwrite the first.
  std::map<std::string, std::string> copies;  // copy's name -> source path
  TDefinitionCopy copy;
  copy.FileName = [&copies](const std::string& path) {
    const std::string name = fs::path(path).filename().string();
    const auto [it, added] = copies.emplace(name, path);
    return added || it->second == path ? name : fs::absolute(path).lexically_normal().string();
  };
  copy.Database = SampleDatabase(ctx);
  const std::string text = CopiedDefinitionText(sample, copy);

  std::vector<std::string> written{(fs::path(folder) / (key + ".oxr")).lexically_normal().string()};
  for (const auto& [name, source] : copies) {
    written.push_back((fs::path(folder) / name).lexically_normal().string());
    WriteFileBytes(written.back(), ReadFileBytes(source));
  }
  WriteFileBytes(written.front(), text);
  return written;
}

}  // namespace oxqr::cli
