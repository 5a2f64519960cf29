#pragma once
// Where the programs find the sample database and the sample files: beside the running
// program in the build tree (bin/, data/), or in the installed share folder.
#include <string>

#include "SampleReports.h"

namespace oxqr {

// The folder of the running program.
std::string ProgramDirectory();

// The database and resource folder for the sample reports; `databaseOverride` (a --db
// argument) wins when it is not empty.
TSampleContext DefaultSampleContext(const std::string& databaseOverride = {});

// The folder of the sample definitions: ctx.ReportDir when set, else reports/ beside the
// program, else the installed share/oxqrfilters/reports, else the build tree's bin/reports.
std::string SampleReportsDir(const TSampleContext& ctx);

}  // namespace oxqr
