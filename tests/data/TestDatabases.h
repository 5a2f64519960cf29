#pragma once
// Databases the data tests read, built once per test program in the temporary folder
// and removed when it ends.
#include <functional>
#include <string>

namespace oxqr::test {

// The DEMODATA database built by the builder library (scale 1).
const std::string& DemoDatabase();
// A temporary file name unique to this process; `suffix` ends it.
std::string TempPath(const std::string& suffix);
// Runs SQL statements against a new database file at `path` (replaced if present).
void CreateDatabase(const std::string& path, const std::string& sql);
// The message of the EDatabaseError that `action` throws; "(no EDatabaseError)" when none.
std::string ErrorOf(const std::function<void()>& action);

}  // namespace oxqr::test
