// The safe writer: a file is replaced whole or not at all, only regular files are replaced
// or deleted, and symbolic links are followed.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/SafeFile.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;

class SafeFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "oxqr-safe-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // Names in the folder, hidden temporary files included.
  std::vector<std::string> Entries() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  fs::path dir_;
};

TEST_F(SafeFileTest, CommitReplacesTheFileAndAnUncommittedWriteLeavesNoTrace) {
  WriteFileBytes(Path("report.txt"), "old report");
  {
    TSafeFileStream out(Path("report.txt"));
    out.Write("half of a new one");
    EXPECT_EQ(ReadFileBytes(Path("report.txt")), "old report");  // nothing shows under the name yet
    EXPECT_EQ(Entries().size(), 2u);
  }  // not committed: a failure or a cancel
  EXPECT_EQ(ReadFileBytes(Path("report.txt")), "old report");
  EXPECT_EQ(Entries(), std::vector<std::string>{"report.txt"});

  ::chmod(Path("report.txt").c_str(), 0640);
  WriteFileSafely(Path("report.txt"), "new report");
  EXPECT_EQ(ReadFileBytes(Path("report.txt")), "new report");
  EXPECT_EQ(Entries(), std::vector<std::string>{"report.txt"});
  EXPECT_EQ(fs::status(Path("report.txt")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);  // the old file's mode

  // An exception while encoding keeps the previous file.
  EXPECT_THROW(WriteFileSafelyWith(Path("report.txt"),
                                   [](TStream& s) {
                                     s.Write("partial");
                                     throw EStreamError("encoder failed");
                                   }),
               EStreamError);
  EXPECT_EQ(ReadFileBytes(Path("report.txt")), "new report");
  EXPECT_EQ(Entries(), std::vector<std::string>{"report.txt"});
}

// A library that writes by name gets the temporary name; its bytes replace the file only on
// Commit, and a write not committed leaves no trace.
TEST_F(SafeFileTest, TemporaryNameHandedToALibrary) {
  WriteFileBytes(Path("book.xlsx"), "old book");
  {
    TSafeFileStream out(Path("book.xlsx"));
    const std::string temp = out.HandOverTempName();
    EXPECT_EQ(fs::path(temp).parent_path(), dir_);
    WriteFileBytes(temp, "written by name");  // as the library does
    EXPECT_EQ(ReadFileBytes(Path("book.xlsx")), "old book");
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"book.xlsx"});
  EXPECT_EQ(ReadFileBytes(Path("book.xlsx")), "old book");

  TSafeFileStream out(Path("book.xlsx"));
  WriteFileBytes(out.HandOverTempName(), "new book");
  EXPECT_THROW(out.Write("more"), EFileError);  // the stream no longer writes
  out.Commit();
  EXPECT_EQ(ReadFileBytes(Path("book.xlsx")), "new book");
  EXPECT_EQ(Entries(), std::vector<std::string>{"book.xlsx"});
}

// A folder, a FIFO (standing for a device) or a socket under the name is refused and left
// as it is, by the writer and by the deletion of a previous file.
TEST_F(SafeFileTest, NonRegularTargetsAreRefusedAndUntouched) {
  struct Case {
    const char* Name;
    std::function<void(const std::string&)> Make;
    const char* Reason;
  };
  const Case cases[] = {
      {"folder", [](const std::string& p) { fs::create_directory(p); }, "is a folder, not a regular file"},
      {"fifo", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, "is a FIFO, not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = Path(c.Name);
    c.Make(path);
    const auto type = fs::symlink_status(path).type();
    for (const auto& attempt : std::vector<std::function<void()>>{
             [&] { WriteFileSafely(path, "data"); }, [&] { DeletePreviousFile(path); },
             [&] { DeletePreviousFile(Path("link")); }}) {
      fs::remove(Path("link"));
      fs::create_symlink(path, Path("link"));
      try {
        attempt();
        ADD_FAILURE() << "not refused";
      } catch (const EFileError& e) {
        EXPECT_EQ(e.Reason(), c.Reason);
        EXPECT_NE(std::string(e.what()).find(c.Reason), std::string::npos) << e.what();
      }
      EXPECT_EQ(fs::symlink_status(path).type(), type);
    }
    fs::remove(Path("link"));
    fs::remove(path);
    EXPECT_TRUE(Entries().empty());  // no temporary file left behind
  }
}

// What appears under a name that was free when the write began is checked at Commit like an
// existing file: a regular file is replaced, anything else is refused and kept.
TEST_F(SafeFileTest, WhatAppearsUnderTheNameWhileWritingIsCheckedAtCommit) {
  struct Case {
    const char* Name;
    std::function<void(const std::string&)> Make;
    bool Replaced;
  };
  const Case cases[] = {
      {"file", [](const std::string& p) { WriteFileBytes(p, "written meanwhile"); }, true},
      {"folder", [](const std::string& p) { fs::create_directory(p); }, false},
      {"fifo", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = Path(c.Name);
    TSafeFileStream out(path);
    out.Write("ours");
    c.Make(path);
    const auto type = fs::symlink_status(path).type();
    if (c.Replaced) {
      out.Commit();
      EXPECT_EQ(ReadFileBytes(path), "ours");
    } else {
      EXPECT_THROW(out.Commit(), EFileError);
      EXPECT_EQ(fs::symlink_status(path).type(), type);
    }
    EXPECT_EQ(Entries(), std::vector<std::string>{c.Name});  // no temporary file left behind
    fs::remove(path);
  }
}

// A new file gets the mode any newly created file gets (the umask applies); a replaced file
// keeps its own.
TEST_F(SafeFileTest, ANewFileTakesTheUmaskAndAReplacedFileKeepsItsMode) {
  const mode_t previous = ::umask(027);
  WriteFileSafely(Path("new.txt"), "new");
  ::umask(previous);
  EXPECT_EQ(fs::status(Path("new.txt")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ::chmod(Path("new.txt").c_str(), 0604);
  WriteFileSafely(Path("new.txt"), "replaced");
  EXPECT_EQ(fs::status(Path("new.txt")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
}

TEST_F(SafeFileTest, SymbolicLinksAreFollowedAndKept) {
  fs::create_directory(Path("real"));
  WriteFileBytes(Path("real/target.txt"), "old");
  fs::create_symlink("real/target.txt", Path("link.txt"));  // relative, as users make them
  WriteFileSafely(Path("link.txt"), "new");
  EXPECT_TRUE(fs::is_symlink(Path("link.txt")));
  EXPECT_EQ(ReadFileBytes(Path("real/target.txt")), "new");

  // Deleting the previous file keeps the link (and its target): the write replaces the target.
  DeletePreviousFile(Path("link.txt"));
  EXPECT_TRUE(fs::is_symlink(Path("link.txt")));
  EXPECT_EQ(ReadFileBytes(Path("real/target.txt")), "new");

  // A dangling link names the file to create.
  fs::create_symlink("real/later.txt", Path("dangling.txt"));
  WriteFileSafely(Path("dangling.txt"), "created");
  EXPECT_EQ(ReadFileBytes(Path("real/later.txt")), "created");
}

TEST_F(SafeFileTest, DeletePreviousFileDeletesRegularFilesOnly) {
  WriteFileBytes(Path("page0001.jpg"), "old");
  DeletePreviousFile(Path("page0001.jpg"));
  EXPECT_FALSE(fs::exists(Path("page0001.jpg")));
  EXPECT_NO_THROW(DeletePreviousFile(Path("page0001.jpg")));  // nothing there: fine
  EXPECT_NO_THROW(DeletePreviousFile(Path("missing/page0001.jpg")));
}

TEST_F(SafeFileTest, CreationFailuresNameTheFileAndTheSystemsReason) {
  const std::string path = Path("missing/out.txt");
  try {
    TSafeFileStream out(path);
    FAIL() << "created";
  } catch (const EFileError& e) {
    EXPECT_EQ(e.Path(), path);
    EXPECT_EQ(e.ErrorCode(), ENOENT);
    EXPECT_EQ(e.Reason(), "No such file or directory");
    EXPECT_EQ(std::string(e.what()), "Cannot create \"" + path + "\": No such file or directory");
  }
}

// Another run writing `path`: a child process holding its temporary file open until it is
// ended with a signal (SIGKILL when the test ends first). With `byName`, the file was handed
// over to a library that writes it by name (the stream's own handle is closed).
class TOtherRun {
 public:
  explicit TOtherRun(const std::string& path, bool byName = false) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(fds[0]);
      // A run as a shell starts it: an ignored signal (inherited from the test runner) would
      // keep the run from ending.
      for (const int sig : {SIGINT, SIGTERM}) {
        struct sigaction now {};
        if (::sigaction(sig, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) ::signal(sig, SIG_DFL);
      }
      TSafeFileStream out(path);
      if (byName) {
        // As a library writes a file it is given by name: opened again, truncated, written.
        std::FILE* f = std::fopen(out.HandOverTempName().c_str(), "wb");
        if (!f || std::fputs("half of it", f) < 0 || std::fclose(f) != 0) ::_exit(1);
      } else {
        out.Write("half of it");
      }
      const std::string& temp = out.TempName();
      if (::write(fds[1], temp.data(), temp.size()) < 0) ::_exit(1);
      ::close(fds[1]);
      for (;;) ::pause();
    }
    ::close(fds[1]);
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) temp_.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
  }
  ~TOtherRun() { End(SIGKILL); }
  TOtherRun(const TOtherRun&) = delete;
  TOtherRun& operator=(const TOtherRun&) = delete;

  // Ends the run with `sig`; returns the signal that ended it (0: it exited).
  int End(int sig) {
    if (pid_ <= 0) return 0;
    ::kill(pid_, sig);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  }
  const std::string& Temp() const { return temp_; }

 private:
  pid_t pid_ = -1;
  std::string temp_;
};

TEST_F(SafeFileTest, AKilledRunsTemporaryFileGoesWithTheNextWriteOfItsNameAndALiveRunsStays) {
  TOtherRun killed(Path("out.txt"));
  TOtherRun killedOther(Path("other.txt"));
  ASSERT_FALSE(killed.Temp().empty());
  EXPECT_EQ(killed.End(SIGKILL), SIGKILL);
  EXPECT_EQ(killedOther.End(SIGKILL), SIGKILL);
  EXPECT_TRUE(fs::exists(killed.Temp()));  // nothing could clean up after SIGKILL

  TOtherRun live(Path("out.txt"));
  ASSERT_FALSE(live.Temp().empty());
  WriteFileSafely(Path("out.txt"), "done");
  EXPECT_EQ(ReadFileBytes(Path("out.txt")), "done");
  EXPECT_FALSE(fs::exists(killed.Temp()));
  EXPECT_TRUE(fs::exists(live.Temp())) << "another run's live file was deleted";
  EXPECT_TRUE(fs::exists(killedOther.Temp())) << "only files of the name written are cleaned up";
}

// The clean-up of a job that owns its names (a shard run again) removes the files of runs
// that are gone, whatever their names say, and never one another run is still writing:
// through its own handle, by name through a library, or under the id of a live process.
TEST_F(SafeFileTest, CleanUpOfAJobsNamesRemovesOnlyFilesWhoseOwnerIsGone) {
  TOtherRun live(Path("out.txt"));
  TOtherRun liveByName(Path("out.txt"), true);
  ASSERT_FALSE(live.Temp().empty());
  ASSERT_FALSE(liveByName.Temp().empty());
  TOtherRun killed(Path("out.txt"));  // started last: its start cleans up nothing of the others
  EXPECT_EQ(killed.End(SIGKILL), SIGKILL);
  const std::string unnumbered = Path(".out.txt.Ab12Cd.part");  // as earlier versions named it
  const std::string livePid = Path(".out.txt." + std::to_string(::getpid()) + ".Zz99Yy.part");
  WriteFileBytes(unnumbered, "left by a killed run");
  WriteFileBytes(livePid, "left by a killed run on another machine");

  EXPECT_EQ(RemoveTempFilesOf(Path("out.txt")), 3);
  EXPECT_FALSE(fs::exists(killed.Temp()));
  EXPECT_FALSE(fs::exists(unnumbered));
  EXPECT_FALSE(fs::exists(livePid));
  EXPECT_TRUE(fs::exists(live.Temp())) << "another run's live file was deleted";
  EXPECT_TRUE(fs::exists(liveByName.Temp())) << "a file a library writes by name was deleted";
  EXPECT_EQ(RemoveTempFilesOf(dir_.string(), {"out.txt"}), 0);
  EXPECT_EQ(Entries().size(), 2u);
}

TEST_F(SafeFileTest, InterruptOrTerminateDeletesTheTemporaryFile) {
  for (const int sig : {SIGINT, SIGTERM}) {
    TOtherRun run(Path("out.txt"));
    ASSERT_TRUE(fs::exists(run.Temp())) << sig;
    EXPECT_EQ(run.End(sig), sig);  // still ended by the signal
    EXPECT_FALSE(fs::exists(run.Temp())) << sig;
  }
  EXPECT_FALSE(fs::exists(Path("out.txt")));
}

}  // namespace
}  // namespace oxqr
