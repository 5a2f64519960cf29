// Burst runs of the command-line exporter end to end: the program as a batch scheduler
// starts it, over the sample database of the build.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "BurstTestSupport.h"
#include "Showcase/burst/BurstManifest.h"
#include "Showcase/burst/BurstNames.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "tests/OxQrExport/support/ReaderSupport.h"

namespace fs = std::filesystem;
using namespace oxqr;
using namespace oxqr::burst_test;
using oxqr::testing::RunShell;
using oxqr::testing::ShellQuote;

namespace {

class BurstExporterTest : public TFolderTest {
 protected:
  // The exporter with `args`; standard error joins standard output when `err` is true.
  oxqr::testing::TShellRun Export(const std::string& args, bool err = false) const {
    return RunShell(kExporter + " " + args + (err ? " 2>&1" : " 2>/dev/null"));
  }
};

TEST_F(BurstExporterTest, OneFilePerCustomerNamedFromTheTemplateInTheMastersOrder) {
  const auto customers = Customers();
  ASSERT_GT(customers.size(), 10u);
  const auto r = Export("--list-files --burst CustNo customers " + ShellQuote(Path("out/{CustNo} {Company}.txt")));
  ASSERT_EQ(r.Status, 0) << r.Output;
  std::vector<std::string> expected;
  for (const auto& [no, company] : customers) expected.push_back(Path("out/" + no + " " + FileNamePart(company) + ".txt"));
  EXPECT_EQ(Lines(r.Output), expected);
  const auto files = Files(dir_ / "out");
  ASSERT_EQ(files.size(), customers.size());
  // Each file holds its customer and no other (two customers may share a company name).
  for (std::size_t i = 0; i < customers.size(); ++i) {
    const std::string& text = files.at(fs::path(expected[i]).filename().string());
    for (std::size_t j = 0; j < customers.size(); ++j) {
      const bool found = text.find(Utf8ToAnsi(customers[j].second)) != std::string::npos;
      EXPECT_EQ(found, customers[j].second == customers[i].second) << customers[j].second << " in " << expected[i];
    }
  }
}

TEST_F(BurstExporterTest, RunsThatCannotStartWriteNothing) {
  struct TCase {
    const char* Name;
    std::string Args;
    int Status;
  };
  const std::string out = ShellQuote(Path("out/{CustNo}.txt"));
  const TCase cases[] = {
      {"two customers in one country give one name", "--burst CustNo customers " + ShellQuote(Path("out/{Country}.txt")), 1},
      {"no such burst field", "--burst Nope customers " + out, 1},
      {"no such template field", "--burst CustNo customers " + ShellQuote(Path("out/{Nope}.txt")), 1},
      {"a format of one file per page", "--burst CustNo customers " + ShellQuote(Path("out/{CustNo}.jpg")), 2},
      {"a shard beyond the count", "--shard 4/4 --burst CustNo customers " + out, 2},
      {"--shards without --shard-from-env", "--shards 4 --burst CustNo customers " + out, 2},
      {"a manifest without --burst", "--manifest m.jsonl customers " + out, 2},
      {"no scheduler in the environment", "--shard-from-env --burst CustNo customers " + out, 2},
  };
  for (const auto& c : cases) {
    const auto r = RunShell("env -u JOB_COMPLETION_INDEX -u SLURM_ARRAY_TASK_ID " + kExporter + " " + c.Args + " 2>&1");
    EXPECT_EQ(r.Status, c.Status) << c.Name << ": " << r.Output;
    EXPECT_FALSE(fs::exists(dir_ / "out")) << c.Name;
  }
  // A database of one customer, whose only output would be the database itself.
  fs::copy_file(OXQR_DEMODATA, Path("db.sqlite"));
  ASSERT_EQ(RunShell("sqlite3 " + ShellQuote(Path("db.sqlite")) +
                         " 'DELETE FROM customer WHERE rowid <> (SELECT MIN(rowid) FROM customer)'").Status, 0);
  const std::string before = ReadFileBytes(Path("db.sqlite"));
  const auto r = Export("--db " + ShellQuote(Path("db.sqlite")) + " --format pdf --burst CustNo customers " +
                            ShellQuote(Path("db.sqlite")),
                        true);
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Output.find("would replace the input"), std::string::npos) << r.Output;
  EXPECT_EQ(ReadFileBytes(Path("db.sqlite")), before);
}

TEST_F(BurstExporterTest, AFailedBurstIsReportedTheOthersGoOnAndARetryWritesOnlyIt) {
  const auto customers = Customers();
  const std::string broken = customers[1].first;
  fs::create_directories(dir_ / "out" / (broken + ".pdf"));  // a folder where the file should go
  const std::string args = "--manifest " + ShellQuote(Path("m.jsonl")) + " --burst CustNo customers " +
                           ShellQuote(Path("out/{CustNo}.pdf"));
  const auto r = Export(args, true);
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Output.find("burst \"" + broken + "\""), std::string::npos) << r.Output;
  auto status = LastStatusByFile(Path("m.jsonl"));
  ASSERT_EQ(status.size(), customers.size());
  for (const auto& [no, company] : customers)
    EXPECT_EQ(status[Path("out/" + no + ".pdf")], no == broken ? "failed" : "ok") << no;

  fs::remove(dir_ / "out" / (broken + ".pdf"));
  const auto retry = Export("--list-files --skip-existing " + args);
  EXPECT_EQ(retry.Status, 0);
  EXPECT_EQ(retry.Output, Path("out/" + broken + ".pdf") + "\n");
  EXPECT_EQ(LastStatusByFile(Path("m.jsonl"))[Path("out/" + broken + ".pdf")], "ok");
  EXPECT_EQ(Files(dir_ / "out").size(), customers.size());
}

TEST_F(BurstExporterTest, FourShardsWriteTheFilesOfOneRun) {
  if (!oxqr::testing::HaveProgram("parallel")) GTEST_SKIP() << "GNU parallel is not installed";
  CheckFourShardsWriteTheFilesOfOneRun(dir_, "");
}

// The GNU parallel script takes the shards and the processes at once apart, and a rerun
// repairs: documents deleted after a run that succeeded are written again, and only they.
TEST_F(BurstExporterTest, TheParallelScriptRerunWritesWhatIsMissing) {
  if (!oxqr::testing::HaveProgram("parallel")) GTEST_SKIP() << "GNU parallel is not installed";
  const std::string run = "SOURCE_DATE_EPOCH=1700000000 PATH=" +
                          ShellQuote(fs::path(OXQR_EXPORTER).parent_path().string()) + ":\"$PATH\" " +
                          ShellQuote(OXQR_TEST_SOURCE_DIR "/deploy/burst-parallel.sh") + " -j 2 6 " +
                          ShellQuote(Path("out")) + " 2>&1";
  const auto first = RunShell(run);
  ASSERT_EQ(first.Status, 0) << first.Output;
  const auto customers = Customers();
  const auto before = Files(dir_ / "out");
  EXPECT_EQ(before.count("manifest-5.jsonl"), 1u) << "six shards";
  EXPECT_EQ(before.count("manifest-6.jsonl"), 0u);
  const std::string gone[] = {customers[1].first + ".pdf", customers[8].first + ".pdf"};
  for (const auto& name : gone) fs::remove(dir_ / "out" / name);
  const auto rerun = RunShell(run);
  ASSERT_EQ(rerun.Status, 0) << rerun.Output;
  auto after = Files(dir_ / "out");
  for (const auto& name : gone) EXPECT_EQ(after[name], before.at(name)) << name;
  std::size_t manifestLines = 0;
  for (int s = 0; s < 6; ++s) manifestLines += Lines(after["manifest-" + std::to_string(s) + ".jsonl"]).size();
  EXPECT_EQ(manifestLines, customers.size() + 2) << "only the two deleted documents were written again";
}

// A definition names the burst field and the name template; the command line need not.
TEST_F(BurstExporterTest, TheDefinitionNamesTheFieldAndTheNameTemplate) {
  fs::copy(OXQR_TEST_SOURCE_DIR "/Showcase/reports", dir_ / "reports", fs::copy_options::recursive);
  const std::string original = ReadFileBytes(Path("reports/customers.oxr"));
  const auto defineBurst = [&](const std::string& attributes) {
    std::string text = original;
    const auto at = text.find(" dataset=\"Customer\"");
    EXPECT_NE(at, std::string::npos);
    WriteFileBytes(Path("reports/burst.oxr"), text.insert(at, " " + attributes));
  };
  const std::string run = "cd " + ShellQuote(dir_.string()) + " && " + kExporter + " --db " + ShellQuote(OXQR_DEMODATA) +
                          " --burst-defined reports/burst.oxr";
  defineBurst("burstField=\"CustNo\" burstName=\"out/{CustNo}-{State}.txt\"");
  ASSERT_EQ(RunShell(run + " 2>&1").Status, 0);
  const auto customers = Customers();
  const auto files = Files(dir_ / "out");
  EXPECT_EQ(files.size(), customers.size());
  EXPECT_EQ(files.begin()->first.rfind(customers.front().first + "-", 0), 0u) << files.begin()->first;
  // OUTPUT on the command line wins over the definition's template.
  ASSERT_EQ(RunShell(run + " " + ShellQuote(Path("other/{CustNo}.txt")) + " 2>&1").Status, 0);
  EXPECT_EQ(Files(dir_ / "other").size(), customers.size());

  const std::pair<const char*, const char*> faults[] = {
      {"burstField=\"Nope\"", "unknown field 'Nope'"},
      {"burstName=\"{CustNo}.txt\"", "burstName needs burstField"},
      {"burstField=\"CustNo\"", "names no burstName"},
  };
  for (const auto& [attributes, message] : faults) {
    defineBurst(attributes);
    const auto r = RunShell(run + " 2>&1");
    EXPECT_EQ(r.Status, 2) << attributes;
    EXPECT_NE(r.Output.find(message), std::string::npos) << r.Output;
  }
}

// A document damaged after the run (cut short) is written again by a rerun: its manifest line
// records the size and checksum it must have.
TEST_F(BurstExporterTest, SkipExistingWithAManifestRewritesAFileCutShort) {
  const auto customers = Customers();
  const std::string args = "--manifest " + ShellQuote(Path("m.jsonl")) + " --burst CustNo customers " +
                           ShellQuote(Path("out/{CustNo}.pdf"));
  ASSERT_EQ(Export(args).Status, 0);
  const std::string damaged = Path("out/" + customers[2].first + ".pdf");
  const std::string whole = ReadFileBytes(damaged);
  fs::resize_file(damaged, 100);
  const auto retry = Export("--list-files --skip-existing " + args);
  EXPECT_EQ(retry.Status, 0);
  EXPECT_EQ(retry.Output, damaged + "\n");
  EXPECT_EQ(ReadFileBytes(damaged), whole);
  EXPECT_EQ(Export("--list-files --skip-existing " + args).Output, "") << "a whole set is left as it is";
}

// A second run of a shard that is still running stops at once with a message and writes
// nothing; the first completes its set as if alone.
TEST_F(BurstExporterTest, ASecondRunOfARunningShardStopsAndTheFirstCompletes) {
  const std::string db = Path("x4.sqlite");
  ASSERT_EQ(RunShell("QT_QPA_PLATFORM=offscreen " + ShellQuote(OXQR_DEMODATA_TOOL) + " --scale 4 " + ShellQuote(db)).Status, 0);
  const auto customers = Customers(db);
  const std::string args = "--db " + ShellQuote(db) + " --skip-existing --manifest " + ShellQuote(Path("m.jsonl")) +
                           " --shard 0/1 --burst CustNo customers " + ShellQuote(Path("out/{CustNo}.pdf"));
  const pid_t first = fork();
  if (first == 0) {
    execl("/bin/sh", "sh", "-c", ("exec env " + kExporter + " " + args + " >/dev/null 2>&1").c_str(), nullptr);
    _exit(127);
  }
  ASSERT_GT(first, 0);
  int status = 0;
  while (!(FileExists(Path("m.jsonl")) && Lines(ReadFileBytes(Path("m.jsonl"))).size() >= 3))
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(waitpid(first, &status, WNOHANG), 0) << "the first run ended before the second started";
  const auto second = Export(args, true);
  EXPECT_EQ(second.Status, 1) << second.Output;
  EXPECT_NE(second.Output.find("is being written by process " + std::to_string(first)), std::string::npos)
      << second.Output;
  waitpid(first, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const auto files = Files(dir_ / "out");
  EXPECT_EQ(files.size(), customers.size()) << "temporary or lock files left, or documents missing";
  for (const auto& [name, bytes] : files)
    EXPECT_TRUE(bytes.starts_with("%PDF-") && bytes.find("%%EOF", bytes.size() - 8) != std::string::npos) << name;
  const auto recorded = LastStatusByFile(Path("m.jsonl"));
  EXPECT_EQ(recorded.size(), customers.size());
  for (const auto& [file, s] : recorded) EXPECT_EQ(s, "ok") << file;
  // Once the first is done, the shard runs again (and finds nothing to do).
  const auto after = Export(args, true);
  EXPECT_EQ(after.Status, 0) << after.Output;
  EXPECT_NE(after.Output.find("0 written, " + std::to_string(customers.size()) + " skipped"), std::string::npos)
      << after.Output;
}

// --quiet prints one summary line, not a line per document; a NULL burst value is JSON null in
// the manifest.
TEST_F(BurstExporterTest, QuietPrintsASummaryAndANullValueIsJsonNull) {
  fs::copy_file(OXQR_DEMODATA, Path("db.sqlite"));
  ASSERT_EQ(RunShell("sqlite3 " + ShellQuote(Path("db.sqlite")) +
                     " 'UPDATE customer SET Country = NULL WHERE rowid IN (SELECT rowid FROM customer LIMIT 2)'")
                .Status,
            0);
  const auto r = RunShell(kExporter + " --db " + ShellQuote(Path("db.sqlite")) + " --manifest " +
                          ShellQuote(Path("m.jsonl")) + " --burst Country customers " +
                          ShellQuote(Path("out/{Country}.txt")) + " 2>" + ShellQuote(Path("err.txt")));
  ASSERT_EQ(r.Status, 0) << ReadFileBytes(Path("err.txt"));
  EXPECT_EQ(r.Output, "") << "a line per document";
  const auto written = Files(dir_ / "out").size();
  const std::string summary = ReadFileBytes(Path("err.txt"));
  EXPECT_TRUE(std::regex_match(summary, std::regex("oxqr-export: shard 0/1: " + std::to_string(written) +
                                                   " written, 0 skipped, 0 failed in [0-9.]+ s\n")))
      << summary;
  std::size_t nulls = 0;
  for (const auto& line : Lines(ReadFileBytes(Path("m.jsonl")))) {
    if (line.find("\"file\":\"" + Path("out/_.txt") + "\"") == std::string::npos) continue;
    ++nulls;
    EXPECT_NE(line.find("\"value\":null"), std::string::npos) << line;
  }
  EXPECT_EQ(nulls, 1u);
}

// A shard killed while it writes leaves only whole files under final names; run again with
// --skip-existing it writes what is missing and leaves no temporary file.
TEST_F(BurstExporterTest, AKilledShardRunAgainCompletesTheSet) {
  const std::string db = Path("x4.sqlite");
  ASSERT_EQ(RunShell("QT_QPA_PLATFORM=offscreen " + ShellQuote(OXQR_DEMODATA_TOOL) + " --scale 4 " + ShellQuote(db)).Status, 0);
  const auto customers = Customers(db);
  const std::string args = "--db " + ShellQuote(db) + " --manifest " + ShellQuote(Path("m.jsonl")) +
                           " --burst CustNo customers " + ShellQuote(Path("out/{CustNo}.pdf"));
  const pid_t child = fork();
  if (child == 0) {
    execl("/bin/sh", "sh", "-c", ("exec env " + kExporter + " " + args + " >/dev/null 2>&1").c_str(), nullptr);
    _exit(127);
  }
  ASSERT_GT(child, 0);
  // Kill it once a few bursts are recorded (or when it ends first on a fast machine).
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (FileExists(Path("m.jsonl")) && Lines(ReadFileBytes(Path("m.jsonl"))).size() >= 5) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(WIFSIGNALED(status)) << "the run ended before it was killed";
  for (const auto& [name, bytes] : Files(dir_ / "out")) {
    if (name.starts_with(".")) continue;  // a temporary file, or the shard's lock file
    EXPECT_TRUE(bytes.starts_with("%PDF-") && bytes.find("%%EOF", bytes.size() - 8) != std::string::npos) << name;
  }
  // A temporary file of one of the missing outputs, as a kill in the middle of a write leaves.
  const std::string missing = customers.back().first + ".pdf";
  ASSERT_FALSE(fs::exists(dir_ / "out" / missing));
  WriteFileBytes(Path("out/." + missing + ".Ab12Cd.part"), "%PDF-1.4 cut short");

  const auto retry = Export("--skip-existing " + args);
  EXPECT_EQ(retry.Status, 0);
  const auto files = Files(dir_ / "out");
  EXPECT_EQ(files.size(), customers.size());
  for (const auto& [name, bytes] : files) EXPECT_TRUE(name.ends_with(".pdf") && !name.starts_with(".")) << name;
  const auto recorded = LastStatusByFile(Path("m.jsonl"));
  EXPECT_EQ(recorded.size(), customers.size());
  for (const auto& [file, s] : recorded) EXPECT_EQ(s, "ok") << file;
}

// The container's entry point as the schedulers start it: the same arguments everywhere,
// the shard in the environment.
TEST_F(BurstExporterTest, EntryPointTakesItsShardFromTheSchedulersEnvironment) {
  const auto customers = Customers();
  struct TCase {
    const char* Name;
    std::string Env;
    std::string Args;
    int Index;
    int Count;
  };
  const TCase cases[] = {
      {"indexed job", "JOB_COMPLETION_INDEX=2", "--shards 3", 2, 3},
      {"job array from 1", "SLURM_ARRAY_TASK_ID=2 SLURM_ARRAY_TASK_MIN=1 SLURM_ARRAY_TASK_COUNT=4", "", 1, 4},
  };
  for (const auto& c : cases) {
    const fs::path out = dir_ / c.Name;
    const auto r = RunShell("env -u JOB_COMPLETION_INDEX -u SLURM_ARRAY_TASK_ID " + c.Env +
                            " OXQR_EXPORTER=" + ShellQuote(OXQR_EXPORTER) + " OXQR_DATABASE=" + ShellQuote(OXQR_DEMODATA) +
                            " SOURCE_DATE_EPOCH=1700000000 " + ShellQuote(OXQR_TEST_SOURCE_DIR "/deploy/entrypoint.sh") +
                            " --quiet --shard-from-env " + c.Args + " --burst CustNo customers " +
                            ShellQuote((out / "{CustNo}.txt").string()) + " 2>&1");
    ASSERT_EQ(r.Status, 0) << c.Name << ": " << r.Output;
    std::set<std::string> expected;
    for (std::size_t i = static_cast<std::size_t>(c.Index); i < customers.size(); i += static_cast<std::size_t>(c.Count))
      expected.insert(customers[i].first + ".txt");
    std::set<std::string> written;
    for (const auto& [name, bytes] : Files(out)) written.insert(name);
    EXPECT_EQ(written, expected) << c.Name;
  }
  // The job array script as Slurm starts task 3 of it: no arguments, the task in the environment.
  const fs::path out = dir_ / "array";
  const auto r = RunShell("env -u JOB_COMPLETION_INDEX SLURM_ARRAY_TASK_ID=3 SLURM_ARRAY_TASK_COUNT=16 OUT=" +
                          ShellQuote(out.string()) + " OXQR_ENTRYPOINT=" +
                          ShellQuote(OXQR_TEST_SOURCE_DIR "/deploy/entrypoint.sh") + " OXQR_EXPORTER=" +
                          ShellQuote(OXQR_EXPORTER) + " OXQR_DATABASE=" + ShellQuote(OXQR_DEMODATA) + " sh " +
                          ShellQuote(OXQR_TEST_SOURCE_DIR "/deploy/burst-array.sbatch") + " 2>&1");
  ASSERT_EQ(r.Status, 0) << r.Output;
  std::set<std::string> expected{"manifest-3.jsonl"};
  for (std::size_t i = 3; i < customers.size(); i += 16) expected.insert(customers[i].first + ".pdf");
  std::set<std::string> written;
  for (const auto& [name, bytes] : Files(out)) written.insert(name);
  EXPECT_EQ(written, expected);
}

}  // namespace
