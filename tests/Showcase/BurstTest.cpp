// Burst runs in parts: output names, shards from the command line and the environment, the
// plan of bursts over a master, the manifest and the files a killed run leaves behind.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "BurstTestSupport.h"
#include "Showcase/burst/BurstManifest.h"
#include "Showcase/burst/BurstNames.h"
#include "Showcase/burst/BurstPlan.h"
#include "Showcase/burst/BurstShard.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/SafeFile.h"
#include "tests/engine/FakeDataSet.h"

namespace fs = std::filesystem;
using namespace oxqr;
using oxqr::test::FakeDataSet;

namespace {

struct TNameCase {
  const char* Name;
  const char* Value;
  const char* Part;
};

TEST(BurstNamesTest, ValuesBecomeSafeFileNameParts) {
  const TNameCase cases[] = {
      {"plain", "1221", "1221"},
      {"separators", "a/b\\c", "a_b_c"},
      {"reserved", "x:*?\"<>|y", "x_______y"},
      {"control", "tab\there\nnl", "tab_here_nl"},
      {"empty", "", "_"},
      {"dot", ".", "_"},
      {"dotdot", "..", "_"},
      {"dots inside stay", "a..b", "a..b"},
      {"non-ASCII stays", "M\xC3\xBCnchen", "M\xC3\xBCnchen"},
  };
  for (const auto& c : cases) EXPECT_EQ(FileNamePart(c.Value), c.Part) << c.Name;
}

TEST(BurstNamesTest, TemplateTakesAnyFieldBracesAndKeepsFolders) {
  const std::map<std::string, std::string> record{{"CustNo", "1221"}, {"City", "Kapaa/Kauai"}};
  const TFieldLookup lookup = [&record](const std::string& f) -> std::optional<std::string> {
    const auto it = record.find(f);
    return it == record.end() ? std::nullopt : std::optional<std::string>(it->second);
  };
  EXPECT_EQ(ExpandNameTemplate("out/{City}/{CustNo}-{{x}}.pdf", lookup), "out/Kapaa_Kauai/1221-{x}.pdf");
  EXPECT_EQ(ExpandNameTemplate("fixed.pdf", lookup), "fixed.pdf");
  const std::pair<const char*, const char*> bad[] = {
      {"out/{Nope}.pdf", "no field \"Nope\" (position 5)"},
      {"out/{CustNo.pdf", "'{' at position 5 is not closed"},
      {"out/CustNo}.pdf", "'}' at position 11 closes nothing"},
  };
  for (const auto& [pattern, message] : bad) {
    try {
      ExpandNameTemplate(pattern, lookup);
      ADD_FAILURE() << pattern << " was accepted";
    } catch (const EBurstError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
}

TEST(BurstShardTest, CommandLineShards) {
  const TShard s = ParseShard("2/4");
  EXPECT_EQ(s.Index, 2);
  EXPECT_EQ(s.Count, 4);
  EXPECT_TRUE(s.Holds(2));
  EXPECT_TRUE(s.Holds(6));
  EXPECT_FALSE(s.Holds(3));
  for (const char* bad : {"4/4", "1/0", "-1/4", "1", "a/4", "1/4x", "/4", "1/"})
    EXPECT_THROW(ParseShard(bad), EBurstError) << bad;
}

struct TEnvCase {
  const char* Name;
  std::map<std::string, std::string> Env;
  int Shards;
  int Index;  // -1: an error
  int Count;
};

TEST(BurstShardTest, SchedulersEnvironments) {
  const TEnvCase cases[] = {
      {"indexed job", {{"JOB_COMPLETION_INDEX", "3"}}, 5, 3, 5},
      {"indexed job without --shards", {{"JOB_COMPLETION_INDEX", "3"}}, 0, -1, 0},
      {"index beyond the shards", {{"JOB_COMPLETION_INDEX", "5"}}, 5, -1, 0},
      {"job array from 0", {{"SLURM_ARRAY_TASK_ID", "2"}, {"SLURM_ARRAY_TASK_COUNT", "4"}}, 0, 2, 4},
      {"job array from 1",
       {{"SLURM_ARRAY_TASK_ID", "4"}, {"SLURM_ARRAY_TASK_COUNT", "4"}, {"SLURM_ARRAY_TASK_MIN", "1"}}, 0, 3, 4},
      {"task resubmitted alone with the count given",
       {{"SLURM_ARRAY_TASK_ID", "3"}, {"SLURM_ARRAY_TASK_COUNT", "1"}, {"SLURM_ARRAY_TASK_MIN", "3"}}, 16, 3, 16},
      {"job array without a count", {{"SLURM_ARRAY_TASK_ID", "1"}}, 0, -1, 0},
      {"not a number", {{"SLURM_ARRAY_TASK_ID", "x"}, {"SLURM_ARRAY_TASK_COUNT", "4"}}, 0, -1, 0},
      {"no scheduler", {}, 4, -1, 0},
  };
  for (const auto& c : cases) {
    const auto getenv = [&c](const char* name) -> const char* {
      const auto it = c.Env.find(name);
      return it == c.Env.end() ? nullptr : it->second.c_str();
    };
    if (c.Index < 0) {
      EXPECT_THROW(ShardFromEnvironment(c.Shards, getenv), EBurstError) << c.Name;
      continue;
    }
    const TShard s = ShardFromEnvironment(c.Shards, getenv);
    EXPECT_EQ(s.Index, c.Index) << c.Name;
    EXPECT_EQ(s.Count, c.Count) << c.Name;
  }
}

FakeDataSet Master(std::vector<FakeDataSet::Row> rows) {
  return FakeDataSet("customer", {"Country", "City", "CustNo"}, std::move(rows));
}

TEST(BurstPlanTest, OneBurstPerValueInOrderOfFirstAppearance) {
  FakeDataSet master = Master({{{"Country", "US"}, {"City", "Kapaa"}, {"CustNo", "1"}},
                               {{"Country", "Fiji"}, {"City", "Suva"}, {"CustNo", "2"}},
                               {{"Country", "US"}, {"City", "Eugene"}, {"CustNo", "3"}},
                               {{"Country", "Bahamas"}, {"City", "Freeport"}, {"CustNo", "4"}}});
  const auto bursts = PlanBursts(master, "Country", "out/{Country}-{City}.pdf");
  ASSERT_EQ(bursts.size(), 3u);
  const char* files[] = {"out/US-Kapaa.pdf", "out/Fiji-Suva.pdf", "out/Bahamas-Freeport.pdf"};
  const int records[] = {2, 1, 1};
  for (std::size_t i = 0; i < bursts.size(); ++i) {
    EXPECT_EQ(bursts[i].File, files[i]);
    EXPECT_EQ(bursts[i].Value.Records, records[i]);
    EXPECT_EQ(bursts[i].Position, static_cast<int>(i));
  }
}

TEST(BurstPlanTest, TwoValuesGivingOneNameAreRefusedNamingBoth) {
  FakeDataSet master = Master({{{"Country", "A/B"}, {"CustNo", "1"}}, {{"Country", "A:B"}, {"CustNo", "2"}}});
  try {
    PlanBursts(master, "Country", "{Country}.pdf");
    FAIL() << "no error";
  } catch (const EBurstError& e) {
    const std::string m = e.what();
    EXPECT_NE(m.find("\"A/B\""), std::string::npos) << m;
    EXPECT_NE(m.find("\"A:B\""), std::string::npos) << m;
    EXPECT_NE(m.find("A_B.pdf"), std::string::npos) << m;
  }
  EXPECT_THROW(PlanBursts(master, "Nope", "{Nope}.pdf"), EBurstError);
  // A field of the template that does not exist is found even when there are no records.
  FakeDataSet empty = Master({});
  EXPECT_THROW(PlanBursts(empty, "Country", "{Nope}.pdf"), EBurstError);
  EXPECT_TRUE(PlanBursts(empty, "Country", "{Country}.pdf").empty());
}

// Values whose names are one file, or no file, on a volume that ignores letter case and drops
// trailing blanks and dots (SMB shares, the usual Windows file systems) stop the plan.
TEST(BurstPlanTest, NamesThatAreOneFileOrADeviceOnOtherVolumesAreRefused) {
  struct TCase {
    const char* Name;
    std::vector<std::string> Countries;
    const char* Template;
    const char* Message;  // nullptr: planned
  };
  const TCase cases[] = {
      {"letter case", {"US", "us"}, "out/{Country}.pdf", "as \"out/US.pdf\" on a file system that ignores letter case"},
      {"non-ASCII letter case (code page 1252)", {"\xDC", "\xFC"}, "{Country}.pdf", "ignores letter case"},
      {"a trailing blank ending a folder", {"US", "US "}, "out/{Country}/{City}.pdf", "ignores letter case"},
      {"a trailing dot ending a folder", {"US", "US."}, "out/{Country}/{City}.pdf", "ignores letter case"},
      {"a blank before the extension is kept", {"US", "US "}, "out/{Country}.pdf", nullptr},
      {"a device name", {"US", "CON"}, "out/{Country}.pdf", "part \"CON.pdf\" names a device"},
      {"a device name in any case, as a folder", {"lpt1"}, "out/{Country}/{City}.pdf", "part \"lpt1\" names a device"},
      {"a longer name is no device", {"Console", "COM10", "NULL"}, "out/{Country}.pdf", nullptr},
      {"the template's own folder is the user's", {"US"}, "aux/{Country}.pdf", nullptr},
  };
  for (const auto& c : cases) {
    std::vector<FakeDataSet::Row> rows;
    for (std::size_t i = 0; i < c.Countries.size(); ++i)
      rows.push_back({{"Country", c.Countries[i]}, {"City", "Suva"}, {"CustNo", std::to_string(i + 1)}});
    FakeDataSet master = Master(rows);
    try {
      EXPECT_EQ(PlanBursts(master, "Country", c.Template).size(), c.Countries.size()) << c.Name;
      EXPECT_EQ(c.Message, nullptr) << c.Name << ": planned";
    } catch (const EBurstError& e) {
      ASSERT_NE(c.Message, nullptr) << c.Name << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << c.Name << ": " << e.what();
    }
  }
}

using BurstFilesTest = oxqr::burst_test::TFolderTest;

// A NULL value is JSON null, not a word a real value could be; a skipped file is one whose
// size and checksum are those of its "ok" line.
TEST_F(BurstFilesTest, ManifestWritesNullAndAFileMatchesOnlyItsOwnOkLine) {
  TManifestEntry e{"", "a.pdf", 1, 0, "", 0, "ok", ""};
  e.Null = true;
  EXPECT_NE(ManifestLine(e).find("\"value\":null"), std::string::npos) << ManifestLine(e);

  const std::string manifest = Path("m.jsonl");
  const std::string file = Path("a.pdf");
  WriteFileBytes(file, std::string(300, 'x'));
  e = {"1", file, 1, 300, FileSha256(file), 0, "ok", ""};
  AppendRecordSafely(manifest, ManifestLine(e));
  EXPECT_TRUE(MatchesManifest(file, LastEntryByFile(manifest).at(file)));
  struct TCase {
    const char* Name;
    std::string Bytes;
  };
  const TCase changed[] = {{"cut short", std::string(100, 'x')}, {"same size, other bytes", std::string(299, 'x') + "y"}};
  for (const auto& c : changed) {
    WriteFileBytes(file, c.Bytes);
    EXPECT_FALSE(MatchesManifest(file, LastEntryByFile(manifest).at(file))) << c.Name;
  }
  WriteFileBytes(file, std::string(300, 'x'));
  e.Status = "failed";
  AppendRecordSafely(manifest, ManifestLine(e));
  EXPECT_FALSE(MatchesManifest(file, LastEntryByFile(manifest).at(file))) << "the last line failed";
  AppendRecordSafely(manifest, "{\"file\":\"" + file + "\",\"status\":\"ok\"}\n");
  EXPECT_FALSE(MatchesManifest(file, LastEntryByFile(manifest).at(file))) << "a line without size and checksum";
  EXPECT_FALSE(MatchesManifest(Path("missing.pdf"), TManifestEntry{"", "", 1, 0, std::string(64, '0'), 0, "ok", ""}));
}

TEST_F(BurstFilesTest, ManifestKeepsTheLastStatusOfEachFileAndPassesOverTornLines) {
  const std::string manifest = Path("m.jsonl");
  TManifestEntry e{"K\xC3\xB6ln \"1\"", "out/a.pdf", 2, 1234, std::string(64, 'a'), 0.25, "failed", "disk full"};
  AppendRecordSafely(manifest, ManifestLine(e));
  e.Status = "ok";
  e.Error.clear();
  AppendRecordSafely(manifest, ManifestLine(e));
  e.File = "out/b.pdf";
  e.Status = "failed";
  AppendRecordSafely(manifest, ManifestLine(e));
  AppendRecordSafely(manifest, "{\"file\":\"out/c.pdf\",\"sta");  // a record cut short
  const auto status = LastStatusByFile(manifest);
  EXPECT_EQ(status, (std::map<std::string, std::string>{{"out/a.pdf", "ok"}, {"out/b.pdf", "failed"}}));
  const std::string first = ReadFileBytes(manifest).substr(0, ReadFileBytes(manifest).find('\n') + 1);
  EXPECT_EQ(first,
            "{\"bytes\":1234,\"error\":\"disk full\",\"file\":\"out/a.pdf\",\"pages\":2,\"seconds\":0.25,\"sha256\":\"" +
                std::string(64, 'a') + "\",\"status\":\"failed\",\"value\":\"K\xC3\xB6ln \\\"1\\\"\"}\n");
  EXPECT_TRUE(LastStatusByFile(Path("missing.jsonl")).empty());
}

TEST_F(BurstFilesTest, RecordsOfProcessesSharingAManifestStayWhole) {
  const std::string manifest = Path("shared.jsonl");
  constexpr int kProcesses = 4, kRecords = 300;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = fork();
    if (pid == 0) {
      for (int r = 0; r < kRecords; ++r)
        AppendRecordSafely(manifest, ManifestLine({std::to_string(r), "f" + std::to_string(p) + "-" + std::to_string(r),
                                                   1, r, std::string(64, '0'), 0, "ok", ""}));
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(LastStatusByFile(manifest).size(), static_cast<std::size_t>(kProcesses * kRecords));
}

TEST_F(BurstFilesTest, StaleTemporaryFilesOfOneNameAreRemovedAndOthersKept) {
  const std::string target = Path("1221.pdf");
  for (const char* name : {".1221.pdf.a1B2c3.part", ".1221.pdf.zzzzzz.part", ".1221.pdf.4242.q9W8e7.part",
                           ".1231.pdf.a1B2c3.part", ".1231.pdf.4242.q9W8e7.part", "1221.pdf.part",
                           ".1221.pdf.a1B2c3.part.keep"})
    WriteFileBytes(Path(name), "x");
  EXPECT_EQ(RemoveTempFilesOf(target), 3);
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir_)) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{".1221.pdf.a1B2c3.part.keep", ".1231.pdf.4242.q9W8e7.part",
                                            ".1231.pdf.a1B2c3.part", "1221.pdf.part"}));
  // The name a write really uses is one it finds: kept while the write goes on, removed once
  // its writer is gone.
  std::string temp;
  {
    TSafeFileStream unfinished(target);
    unfinished.Write("partial", 7);
    temp = unfinished.TempName();
    EXPECT_EQ(RemoveTempFilesOf(target), 0);
  }
  WriteFileBytes(temp, "left by a killed run");
  EXPECT_EQ(RemoveTempFilesOf(target), 1);
  EXPECT_FALSE(fs::exists(temp));
  EXPECT_FALSE(fs::exists(target));
}

TEST_F(BurstFilesTest, Sha256OfAFile) {
  WriteFileBytes(Path("abc"), "abc");
  EXPECT_EQ(FileSha256(Path("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_THROW(FileSha256(Path("missing")), EFileError);
}

}  // namespace
