#pragma once
// What the definition tests share: the README's tutorial (its SQL and its definition), the
// files of a folder, and saving a report in several types with the clock pinned.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "engine/FilterLibrary.h"
#include "engine/Report.h"
#include "engine/SaveCommand.h"
#include "platform/Locale.h"

namespace oxqr::test {

inline std::string ReadText(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The code block of the README that follows the marker <!-- tutorial:NAME -->.
inline std::string TutorialBlock(const std::string& name) {
  const std::string readme = ReadText(std::filesystem::path(OXQR_TEST_SOURCE_DIR) / "README.md");
  const std::regex block("<!-- tutorial:" + name + " -->\\n```[a-z]*\\n([\\s\\S]*?)```");
  std::smatch m;
  return std::regex_search(readme, m, block) ? m[1].str() : std::string();
}

// A scratch folder removed with the object.
struct TScratchDir {
  explicit TScratchDir(const std::string& name)
      : Path(std::filesystem::temp_directory_path() / ("oxqr-def-" + name + "-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(Path);
    std::filesystem::create_directories(Path);
  }
  ~TScratchDir() { std::filesystem::remove_all(Path); }
  std::filesystem::path Path;
};

// Prepares `report` with the clock pinned and saves it as `base`.<ext> for each extension
// ("qrp" is the engine's own file).
inline void SaveTypes(TQRCustomReport& report, const std::filesystem::path& base, const std::vector<std::string>& exts) {
  TLocalTime fixed;
  fixed.Tm.tm_year = 2026 - 1900;
  fixed.Tm.tm_mon = 2;
  fixed.Tm.tm_mday = 9;
  fixed.Tm.tm_hour = 14;
  SetFixedNow(fixed);
  report.Prepare();
  const auto& filters = FilterLibrary().Filters();
  for (const std::string& ext : exts) {
    int type = ext == "qrp" ? 1 : 0;
    for (std::size_t i = 0; i < filters.size(); ++i)
      if (filters[i].Extension == ext) type = static_cast<int>(i) + 2;
    SaveReport(report, base.string() + "." + ext, type);
  }
  SetFixedNow(std::nullopt);
}

}  // namespace oxqr::test
