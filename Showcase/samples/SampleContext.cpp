#include "SampleContext.h"

#include <filesystem>

#include "data/Connection.h"

namespace fs = std::filesystem;

namespace oxqr {
namespace {

// Installed layout: PREFIX/bin/<program>, PREFIX/share/oxqrfilters/{DEMODATA.sqlite,RichTextDemo.RTF}.
fs::path InstalledShareDir(const fs::path& programDir) {
  return (programDir.parent_path() / "share" / "oxqrfilters").lexically_normal();
}

}  // namespace

std::string ProgramDirectory() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return (ec ? fs::current_path() : exe.parent_path()).string();
}

TSampleContext DefaultSampleContext(const std::string& databaseOverride) {
  const fs::path dir = ProgramDirectory();
  const fs::path share = InstalledShareDir(dir);
  std::error_code ec;
  TSampleContext ctx;
  if (!databaseOverride.empty()) {
    ctx.DatabasePath = IsServerUri(databaseOverride) ? databaseOverride
                                                     : fs::absolute(databaseOverride).lexically_normal().string();
  } else {
    const fs::path buildTree = (dir.parent_path() / "data" / "DEMODATA.sqlite").lexically_normal();
    const fs::path installed = share / "DEMODATA.sqlite";
    ctx.DatabasePath = (!fs::exists(buildTree, ec) && fs::exists(installed, ec) ? installed : buildTree).string();
  }
  ctx.ResourceDir =
      (!fs::exists(dir / "RichTextDemo.RTF", ec) && fs::exists(share / "RichTextDemo.RTF", ec) ? share : dir).string();
  ctx.ReportDir = SampleReportsDir(ctx);
  return ctx;
}

std::string SampleReportsDir(const TSampleContext& ctx) {
  if (!ctx.ReportDir.empty()) return ctx.ReportDir;
  const fs::path dir = ProgramDirectory();
  std::error_code ec;
  for (const fs::path& candidate : {dir / "reports", InstalledShareDir(dir) / "reports"})
    if (fs::exists(candidate / "customers.oxr", ec)) return candidate.string();
  return OXQR_BUILD_REPORTS_DIR;
}

}  // namespace oxqr
