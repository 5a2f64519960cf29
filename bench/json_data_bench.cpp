// JSON data against the same rows from SQLite: a JSON file of about 100 MB (one million orders)
// and a table holding the same rows; each is opened through a definition and read to its end,
// every field of every record as text, in a child process of its own, which gives the time and
// the peak resident memory.
//   json_data_bench [MEGABYTES]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "definition/ReportDefinition.h"

namespace fs = std::filesystem;
using namespace oxqr;

namespace {

// Runs `work` in a child process; prints its time and peak resident memory.
void Measure(const char* what, const std::function<long()>& work) {
  std::fflush(stdout);  // the child must not print the parent's buffer again
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const long records = work();
    std::printf("  %-7s %ld records read", what, records);
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf(" in %.2f s, peak resident memory %.0f MiB\n", seconds, static_cast<double>(usage.ru_maxrss) / 1024.0);
}

long ReadAll(const std::string& definition, const fs::path& dir, const std::string& database) {
  TDefinitionOptions options;
  options.DatabasePath = database;
  auto loaded = LoadReportDefinitionText(definition, (dir / "bench.oxr").string(), options);
  TDataSet& rows = *loaded->FindDataSet("R");
  long n = 0;
  std::size_t bytes = 0;
  for (rows.First(); !rows.Eof(); rows.Next(), ++n)
    for (TField* f : rows.Fields()) bytes += f->AsString().size();
  return bytes > 0 ? n : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::atol(argv[1]) : 100;
  const fs::path dir = fs::temp_directory_path() / ("oxqr-json-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const long records = megabytes * 1000 * 1000 / 126;  // bytes of a record's JSON
  {
    std::ofstream json(dir / "rows.json"), csv(dir / "rows.csv");
    json << "{\"rows\": [\n";
    for (long i = 0; i < records; ++i) {
      const std::string company = "Company number " + std::to_string(i) + " of the bench";
      json << (i ? ",\n" : "") << "{\"CustNo\": " << i << ", \"Company\": \"" << company << "\", \"Amount\": " << i % 9973
           << ".25, \"Placed\": \"2026-03-" << 10 + i % 18 << "\", \"Paid\": " << (i % 2 ? "true" : "false") << "}";
      csv << i << ',' << company << ',' << i % 9973 << ".25,2026-03-" << 10 + i % 18 << ',' << i % 2 << '\n';
    }
    json << "\n]}\n";
  }
  const std::string db = (dir / "rows.sqlite").string();
  const std::string import = "sqlite3 '" + db + "' 'CREATE TABLE rows (CustNo INTEGER, Company VARCHAR(60), Amount CURRENCY, "
                             "Placed DATE, Paid BOOLEAN)' '.mode csv' \".import '" + (dir / "rows.csv").string() + "' rows\"";
  if (std::system(import.c_str()) != 0) {
    std::fprintf(stderr, "json_data_bench: sqlite3 could not build the table\n");
    return 1;
  }
  std::printf("%ld records: JSON %.1f MB, SQLite %.1f MB\n", records,
              static_cast<double>(fs::file_size(dir / "rows.json")) / 1e6, static_cast<double>(fs::file_size(db)) / 1e6);
  Measure("JSON", [&] {
    return ReadAll(R"(<report><json name="R" file="rows.json" path="rows">
      <field name="CustNo" type="integer"/><field name="Company" type="string"/><field name="Amount" type="currency"/>
      <field name="Placed" type="date"/><field name="Paid" type="boolean"/></json></report>)",
                   dir, "");
  });
  Measure("SQLite", [&] { return ReadAll(R"(<report><table name="R" table="rows"/></report>)", dir, db); });
  fs::remove_all(dir);
  return 0;
}
