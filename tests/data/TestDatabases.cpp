#include "TestDatabases.h"

#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <vector>

#include "data/DataSet.h"
#include "data/tools/DemoDataBuilder.h"

namespace oxqr::test {

namespace {

// Removes the files it was given when the program ends.
struct TTempFiles {
  std::vector<std::string> Paths;
  ~TTempFiles() {
    std::error_code ec;
    for (const auto& p : Paths) std::filesystem::remove(p, ec);
  }
};

TTempFiles& Temps() {
  static TTempFiles temps;
  return temps;
}

}  // namespace

std::string TempPath(const std::string& suffix) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("oxqr_data_" + std::to_string(::getpid()) + "_" + std::to_string(Temps().Paths.size()) + suffix);
  Temps().Paths.push_back(path.string());
  return path.string();
}

const std::string& DemoDatabase() {
  static const std::string path = [] {
    std::string p = TempPath("_demodata.sqlite");
    BuildDemoDatabase(p);
    return p;
  }();
  return path;
}

void CreateDatabase(const std::string& path, const std::string& sql) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot create " + path);
  }
  char* err = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
  const std::string message = err ? err : "";
  sqlite3_free(err);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("SQL failed: " + message);
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EDatabaseError& e) {
    return e.what();
  }
  return "(no EDatabaseError)";
}

}  // namespace oxqr::test
