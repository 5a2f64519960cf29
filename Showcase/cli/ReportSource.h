#pragma once
// What REPORT on the command line names: a sample (customers, events, ...) or the path of a
// report definition file (.oxr), loaded with the database and parameters of the command line.
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Showcase/samples/SampleReports.h"
#include "definition/ReportDefinition.h"

namespace oxqr::cli {

// True when `report` names a file rather than a sample: it ends in .oxr or holds a '/'.
bool IsDefinitionPath(const std::string& report);

// Loads REPORT. A sample reads ctx.DatabasePath; a file reads `database` when given, else
// the database its definition names. Throws EUsage for an unknown sample name and
// EDefinitionError for any fault of the definition or its data.
std::unique_ptr<TReportDefinition> OpenReport(const std::string& report, const TSampleContext& ctx,
                                              const std::string& database,
                                              const std::vector<std::pair<std::string, std::string>>& parameters,
                                              const std::map<std::string, std::string>& dataFiles = {});

// The files a loaded report reads (the definition, its pictures and texts, its database and
// JSON files),
// which the export must not write over.
std::vector<std::string> InputFiles(const TReportDefinition& definition);

// The text of sample `key`'s definition file (--definition), naming its pictures and rich
// text by their full paths and, when the definition names no database, the sample database
// (a file; a server's URI is not written) so that it runs as it is from any folder. Throws
// EUsage for an unknown key.
std::string SampleDefinitionText(const std::string& key, const TSampleContext& ctx);
// Writes sample `key`'s definition into `folder` (made when missing) as KEY.oxr with a copy
// of each picture and rich text file it names beside it, and returns the files written (the
// definition first). Throws EUsage for an unknown key or a folder that is the samples' own,
// EFileError when a file cannot be read or written.
std::vector<std::string> WriteSampleDefinition(const std::string& key, const TSampleContext& ctx,
                                               const std::string& folder);

}  // namespace oxqr::cli
