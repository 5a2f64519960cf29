// The command-line exporter end to end: the program as a user runs it, over the
// sample database of the build.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/Printer.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace fs = std::filesystem;
using namespace oxqr;

namespace {

struct TRun {
  int Status = -1;
  std::string Out;
};

TRun RunExporter(const std::string& args) {
  const std::string cmd = std::string(OXQR_EXPORTER) + " --quiet " + args + " 2>/dev/null";
  TRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf{};
  std::size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.Out.append(buf.data(), n);
  const int st = pclose(p);
  r.Status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::vector<std::string> Lines(const std::string& s, const std::string& sep = "\n") {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t pos; (pos = s.find(sep, start)) != std::string::npos; start = pos + sep.size())
    out.push_back(s.substr(start, pos - start));
  if (start < s.size()) out.push_back(s.substr(start));
  return out;
}

std::vector<std::string> Column(const std::string& sql) {
  sqlite3* db = nullptr;
  std::vector<std::string> out;
  if (sqlite3_open_v2(OXQR_DEMODATA, &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
      while (sqlite3_step(st) == SQLITE_ROW)
        out.push_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return out;
}

// A command's exit status and what it wrote on standard output and standard error.
struct TCommand {
  int Status = -1;
  std::string Out;
  std::string Err;
};

// Runs `cmd` through the shell; standard error is collected through a temporary file.
TCommand Shell(const std::string& cmd) {
  const TTempFile err("oxqr-stderr");
  TCommand r;
  FILE* p = popen((cmd + " 2>'" + err.Name() + "'").c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf{};
  std::size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.Out.append(buf.data(), n);
  const int st = pclose(p);
  r.Status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  r.Err = ReadFileBytes(err.Name());
  return r;
}

// `s` as one word of a shell command line.
std::string Quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// The exporter with `args` (already quoted where needed), quiet unless `quiet` is false.
TCommand Export(const std::string& args, bool quiet = true) {
  return Shell(std::string(OXQR_EXPORTER) + (quiet ? " --quiet " : " ") + args);
}

// Changes the sample database `db` (a copy) with one SQL statement.
void ChangeDatabase(const std::string& db, const std::string& sql) {
  sqlite3* h = nullptr;
  ASSERT_EQ(sqlite3_open(db.c_str(), &h), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(h, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(h);
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + what.size())) ++n;
  return n;
}

class ExporterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("oxqr-exporter-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // A copy of the sample database in the test's folder, under `name`.
  std::string CopyDatabase(const std::string& name) const {
    fs::copy_file(OXQR_DEMODATA, dir_ / name, fs::copy_options::overwrite_existing);
    return Path(name);
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  fs::path dir_;
};

TEST_F(ExporterTest, ListsReportsFormatsInRegistryOrderAndTheDatabase) {
  const TRun r = RunExporter("--list");
  ASSERT_EQ(r.Status, 0);
  const auto lines = Lines(r.Out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Reports:");
  EXPECT_NE(r.Out.find("customers\tCustomer Orders, Master-Detail\t/"), std::string::npos);
  EXPECT_NE(r.Out.find("/reports/customers.oxr\n"), std::string::npos) << "each sample with its definition file";
  EXPECT_NE(r.Out.find("events\t"), std::string::npos);
  const std::string formats =
      "Formats:\nhtm\tHTML Document\npdf\tAdobe Acrobat Document\nrtf\tRich Text Format\n"
      "xls\tMicrosoft Excel Worksheet\ntxt\tText Document\ngif\tGIF Image File\njpg\tJPEG Image File\n"
      "bmp\tBitmap File\nemf\tEnhanced Metafile\nwmf\tWindows Metafile\nxlsx\tExcel Workbook\n"
      "csv\tCSV (Comma-Separated Values)\nDatabase: /";
  EXPECT_NE(r.Out.find(formats), std::string::npos) << r.Out;
}

TEST_F(ExporterTest, ListShowsTheFormatsLeftVisibleBySettings) {
  const TRun r = RunExporter("--set VisibleFilters=fkText,fkPDF --list");
  ASSERT_EQ(r.Status, 0);
  EXPECT_NE(r.Out.find("Formats:\npdf\tAdobe Acrobat Document\ntxt\tText Document\nxlsx\tExcel Workbook\n"
                        "csv\tCSV (Comma-Separated Values)\nDatabase: "), std::string::npos) << r.Out;
}

TEST_F(ExporterTest, UsageErrorsExitTwo) {
  for (const char* args : {"", "customers", "--set NoSuch.Path=1 customers x.txt", "--set Text.XScaleFactor=abc customers x.txt",
                           "nosuchreport x.txt", "customers x.unknownext", "--bogus customers x.txt",
                           "--encoding latin-9 customers x.txt", "--encoding cp0 customers x.txt",
                           "--encoding customers x.txt"}) {
    EXPECT_EQ(RunExporter(args).Status, 2) << args;
  }
}

TEST_F(ExporterTest, MissingDatabaseIsAnErrorNamingTheFile) {
  const std::string cmd = std::string(OXQR_EXPORTER) + " --quiet --db /nonexistent/db.sqlite customers " +
                          (dir_ / "c.txt").string() + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string out;
  std::array<char, 4096> buf{};
  std::size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  const int st = pclose(p);
  EXPECT_EQ(WEXITSTATUS(st), 1) << "a database that cannot be read is a run-time fault, the definition is sound";
  EXPECT_NE(out.find("/nonexistent/db.sqlite"), std::string::npos) << out;
  EXPECT_NE(out.find("customers.oxr:"), std::string::npos) << "names the definition's line: " << out;
}

TEST_F(ExporterTest, CustomersAsTextHoldsEveryCustomerAndOrderOnFullWidthPages) {
  const fs::path out = dir_ / "customers.txt";
  const TRun r = RunExporter("customers " + out.string());
  ASSERT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out, out.string() + "\n");
  const std::string text = ReadFileBytes(out.string());
  const auto rows = Lines(text, "\r\n");
  ASSERT_GT(rows.size(), 10u);
  // Every row but the form feeds is as wide as the first (the page in columns).
  const std::size_t width = rows.front().size();
  int pages = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i] == "\f") {
      ++pages;
      ASSERT_GT(i, 0u);
      EXPECT_EQ(rows[i - 1], std::string(width, '-')) << "page " << pages << " does not end with the dash row";
      continue;
    }
    EXPECT_EQ(rows[i].size(), width) << "row " << i;
  }
  EXPECT_GT(pages, 1);
  EXPECT_EQ(rows.back(), "\f");
  for (const auto& company : Column("SELECT Company FROM customer"))
    EXPECT_NE(text.find(Utf8ToAnsi(company)), std::string::npos) << company;
  for (const auto& order : Column("SELECT OrderNo FROM orders"))
    EXPECT_NE(text.find("#" + order), std::string::npos) << order;
}

TEST_F(ExporterTest, TextPerPageFilesAndPreparedReportAgreeOnPageCount) {
  const TRun qrp = RunExporter("customers " + (dir_ / "c.qrp").string());
  ASSERT_EQ(qrp.Status, 0);
  TQRPrinter printer;
  printer.LoadFromFile((dir_ / "c.qrp").string());
  ASSERT_GT(printer.PageCount(), 1);

  const TRun txt = RunExporter("--set Text.SingleFile=false customers " + (dir_ / "c.txt").string());
  ASSERT_EQ(txt.Status, 0);
  const auto files = Lines(txt.Out);
  ASSERT_EQ(static_cast<int>(files.size()), printer.PageCount());
  for (std::size_t i = 0; i < files.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "c%04zu.txt", i + 1);
    EXPECT_EQ(files[i], (dir_ / name).string());
    EXPECT_TRUE(fs::exists(files[i]));
  }
}

TEST_F(ExporterTest, PageImagesOnePerPreviewPageInPageOrder) {
  const TRun qrp = RunExporter("events " + (dir_ / "e.qrp").string());
  ASSERT_EQ(qrp.Status, 0);
  TQRPrinter printer;
  printer.LoadFromFile((dir_ / "e.qrp").string());
  for (const char* ext : {"jpg", "gif", "bmp", "emf", "wmf"}) {
    const TRun r = RunExporter("events " + (dir_ / (std::string("e.") + ext)).string());
    ASSERT_EQ(r.Status, 0) << ext;
    const auto files = Lines(r.Out);
    ASSERT_EQ(static_cast<int>(files.size()), printer.PageCount()) << ext;
    for (std::size_t i = 0; i < files.size(); ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "e%04zu.%s", i + 1, ext);
      EXPECT_EQ(files[i], (dir_ / name).string());
      EXPECT_GT(fs::file_size(files[i]), 0u);
    }
  }
}

// What the exporter prints are the files it wrote, wherever it is started from.
TEST_F(ExporterTest, EveryFilePrintedExists) {
  const TCommand r = Shell("cd / && " + std::string(OXQR_EXPORTER) + " --quiet events " + Path("e.htm"));
  ASSERT_EQ(r.Status, 0) << r.Err;
  const auto files = Lines(r.Out);
  EXPECT_GT(files.size(), 1u);
  for (const auto& f : files) {
    EXPECT_EQ(f.rfind(dir_.string() + "/", 0), 0u) << f;
    EXPECT_TRUE(fs::is_regular_file(f)) << f;
  }
}

// ---- output safety -------------------------------------------------------------------

// The export never writes over what it reads: the database, also as one of the page files a
// per-page format would write, or through a link. Usage error naming both; input untouched.
TEST_F(ExporterTest, OutputOverItsOwnInputIsAUsageError) {
  struct Case {
    const char* Name;
    const char* DbName;
    const char* Args;  // %DB% and %DIR% are replaced
  };
  const Case cases[] = {
      {"output_is_the_database", "demo.sqlite", "--db %DB% customers %DB% --format txt"},
      {"output_links_to_the_database", "demo.sqlite", "--db %DB% customers %DIR%/alias.txt"},
      {"page_file_is_the_database", "pages0002.jpg", "--db %DB% events %DIR%/pages.jpg"},
      {"text_page_file_is_the_database", "t0001.txt", "--db %DB% --set Text.SingleFile=false customers %DIR%/t.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string db = CopyDatabase(c.DbName);
    fs::remove(Path("alias.txt"));
    fs::create_symlink(db, Path("alias.txt"));
    const std::string before = ReadFileBytes(db);
    std::string args = c.Args;
    for (std::size_t at; (at = args.find("%DB%")) != std::string::npos;) args.replace(at, 4, db);
    for (std::size_t at; (at = args.find("%DIR%")) != std::string::npos;) args.replace(at, 5, dir_.string());
    const TCommand r = Export(args);
    EXPECT_EQ(r.Status, 2) << r.Err;
    EXPECT_NE(r.Err.find(db), std::string::npos) << r.Err;
    EXPECT_TRUE(ReadFileBytes(db) == before);
    fs::remove(db);
  }
  // A single text file does not touch a page file's name.
  const std::string db = CopyDatabase("t0001.txt");
  EXPECT_EQ(Export("--db " + db + " customers " + Path("t.txt")).Status, 0);
  EXPECT_TRUE(fs::exists(Path("t.txt")));
}

// A folder or a FIFO (standing for a device) at the output path is refused and left alone;
// the message says which file and why.
TEST_F(ExporterTest, NonRegularOutputIsRefusedAndUntouched) {
  ASSERT_EQ(::mkfifo(Path("fifo.txt").c_str(), 0644), 0);
  fs::create_directory(Path("folder.txt"));
  for (const char* name : {"fifo.txt", "folder.txt"}) {
    SCOPED_TRACE(name);
    const auto type = fs::symlink_status(Path(name)).type();
    const TCommand r = Export("customers " + Path(name));
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("File could not be created!"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("\r\n" + Path(name) + ": is a "), std::string::npos) << r.Err;
    EXPECT_EQ(fs::symlink_status(Path(name)).type(), type);
  }
  EXPECT_EQ(Entries(), (std::vector<std::string>{"fifo.txt", "folder.txt"}));  // no temporary file left
}

TEST_F(ExporterTest, OutputThroughASymbolicLinkReplacesItsTarget) {
  fs::create_directory(Path("real"));
  WriteFileBytes(Path("real/customers.txt"), "old");
  fs::create_symlink(Path("real/customers.txt"), Path("link.txt"));
  ASSERT_EQ(Export("customers " + Path("link.txt")).Status, 0);
  EXPECT_TRUE(fs::is_symlink(Path("link.txt")));
  EXPECT_NE(ReadFileBytes(Path("real/customers.txt")).find("\f"), std::string::npos);
}

// A write that fails (the file size limit stands for a full disk: every write beyond it
// fails with EFBIG) keeps the previous report byte for byte and leaves no temporary file.
TEST_F(ExporterTest, FailedWriteKeepsThePreviousReport) {
  for (const char* name : {"c.txt", "c.pdf", "c.htm"}) {
    SCOPED_TRACE(name);
    const std::string previous(5000, 'p');
    WriteFileBytes(Path(name), previous);
    const TCommand r = Shell("trap '' XFSZ; ulimit -f 8; " + std::string(OXQR_EXPORTER) + " --quiet customers " +
                             Path(name));
    if (r.Status == 2) continue;  // a format not in this build
    EXPECT_EQ(r.Status, 1) << r.Err;
    EXPECT_EQ(ReadFileBytes(Path(name)), previous);
    for (const auto& e : Entries()) EXPECT_EQ(e.find(".part"), std::string::npos) << e;
  }
}

TEST_F(ExporterTest, FileNotCreatedNamesTheFileAndTheReason) {
  const TCommand r = Export("customers " + Path("missing/c.txt"));
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("File could not be created!\r\n\r\nPossible cause: It could be in use by some other "
                       "application."),
            std::string::npos)
      << r.Err;
  EXPECT_NE(r.Err.find("another file name.\r\n" + Path("missing/c.txt") + ": No such file or directory\n"),
            std::string::npos)
      << r.Err;
}

// Values no export can use are refused before anything is written, with the allowed range.
TEST_F(ExporterTest, SetRefusesUnusableNumbersWithTheRange) {
  struct Case {
    const char* Setting;
    const char* Range;
  };
  const Case cases[] = {
      {"Text.XScaleFactor=inf", "above 0 up to 100"}, {"Text.XScaleFactor=nan", "above 0 up to 100"},
      {"Text.XScaleFactor=1e6", "above 0 up to 100"}, {"Text.XScaleFactor=0", "above 0 up to 100"},
      {"Text.XScaleFactor=-1", "above 0 up to 100"},  {"JPEG.Quality=0", "1..100"},
      {"JPEG.Quality=255", "1..100"},                 {"HTML.ImageDPI=0", "-1 or 1..1200"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Setting);
    const TCommand r = Export("--set " + std::string(c.Setting) + " customers " + Path("c.txt"));
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find(c.Range), std::string::npos) << r.Err;
    EXPECT_FALSE(fs::exists(Path("c.txt")));
  }
}

// ---- what the data cannot do to the file ------------------------------------------------

TEST_F(ExporterTest, ControlBytesInTheDataDoNotAddPagesToTheText) {
  const std::string db = CopyDatabase("demo.sqlite");
  ChangeDatabase(db, "UPDATE customer SET Company = 'Form' || char(12) || 'Feed' || char(9) || 'Tab' || char(27) || "
                     "'Esc' WHERE rowid IN (SELECT rowid FROM customer LIMIT 3)");
  ASSERT_EQ(Export("--db " + db + " customers " + Path("c.qrp")).Status, 0);
  TQRPrinter printer;
  printer.LoadFromFile(Path("c.qrp"));
  ASSERT_EQ(Export("--db " + db + " customers " + Path("c.txt")).Status, 0);
  const std::string text = ReadFileBytes(Path("c.txt"));
  EXPECT_EQ(Count(text, "\f"), static_cast<std::size_t>(printer.PageCount()));
  EXPECT_EQ(Count(text, "\t") + Count(text, "\x1b"), 0u);
  EXPECT_GE(Count(text, "Form Feed Tab Esc"), 3u);
}

TEST_F(ExporterTest, CharactersTheCodePageCannotHoldAreCounted) {
  const std::string db = CopyDatabase("demo.sqlite");
  // Five Greek letters the ANSI code page 1252 does not have.
  ChangeDatabase(db, "UPDATE customer SET Company = '\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 Divers' "
                     "WHERE rowid = (SELECT min(rowid) FROM customer)");
  const TCommand r = Export("--db " + db + " customers " + Path("c.txt"));
  EXPECT_EQ(r.Status, 0);
  EXPECT_NE(r.Err.find("report customers: 5 characters"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("became \"?\""), std::string::npos) << r.Err;
  EXPECT_EQ(Count(r.Err, "\n"), 1u) << r.Err;  // said once
  EXPECT_NE(ReadFileBytes(Path("c.txt")).find("????? Divers"), std::string::npos);
  // The sample data itself loses nothing.
  EXPECT_EQ(Export("customers " + Path("d.txt")).Err, "");
}

// ---- the command line explains itself ---------------------------------------------------

// The lines of --help that name options: "  -h, --help   show ..." and "      --db PATH ...".
std::vector<std::string> HelpOptions(const std::string& help) {
  std::vector<std::string> out;
  std::istringstream in(help);
  for (std::string line; std::getline(in, line);) {
    const auto first = line.find_first_not_of(' ');
    // Option names start in the first columns; their descriptions are indented further.
    if (first == std::string::npos || first == 0 || first > 6 || line[first] != '-') continue;
    std::istringstream words(line.substr(first));
    for (std::string w; words >> w && w.front() == '-';) {
      if (w.back() == ',') w.pop_back();
      out.push_back(w);
    }
  }
  return out;
}

TEST_F(ExporterTest, HelpAndVersionAnswerOnStandardOutput) {
  for (const char* option : {"--help", "-h"}) {
    SCOPED_TRACE(option);
    const TCommand r = Export(option);
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Out.rfind("Usage: oxqr-export ", 0), 0u) << r.Out;
    EXPECT_EQ(HelpOptions(r.Out),
              (std::vector<std::string>{"--db", "--param", "--data", "--definition", "--format", "--encoding", "--set", "--list",
                                        "--list-settings", "-q", "--quiet", "-h", "--help", "--version", "--burst",
                                        "--burst-defined", "--shard", "--shard-from-env", "--shards", "--manifest", "--skip-existing",
                                        "--list-files"}));
    // The reports and formats --list prints, in its order, and the examples.
    std::size_t at = 0;
    for (const auto& line : Lines(Export("--list").Out)) {
      const auto f = Lines(line, "\t");
      if (f.size() < 2) continue;
      at = r.Out.find("\n  " + f[0] + " ", at);
      ASSERT_NE(at, std::string::npos) << line;
      EXPECT_EQ(r.Out.find(f[1], at), r.Out.find_first_not_of(' ', at + 3 + f[0].size())) << line;
    }
    for (const char* example : {"--set Text.LineSpacing=lsNoBlank", "--set JPEG.Quality=80", "PDF.Title="})
      EXPECT_NE(r.Out.find(example), std::string::npos) << example;
  }
  const TCommand v = Export("--version");
  EXPECT_EQ(v.Status, 0);
  EXPECT_EQ(v.Out, "oxqr-export 2.11\n");
  // A usage error says how to get help.
  const TCommand bad = Export("--bogus");
  EXPECT_EQ(bad.Status, 2);
  EXPECT_EQ(bad.Out, "");
  EXPECT_NE(bad.Err.find("--help"), std::string::npos);
}

// The commands of the help's example of a report of one's own, as the help prints them.
std::vector<std::string> OwnReportExample(const std::string& help) {
  std::vector<std::string> out;
  const auto start = help.find("A report of one's own");
  std::istringstream in(start == std::string::npos ? std::string() : help.substr(start));
  std::string first;
  std::getline(in, first);
  for (std::string line; std::getline(in, line) && (line.empty() || line[0] == ' ');) {
    if (line.rfind("    oxqr-export ", 0) == 0) out.push_back(line.substr(4));
  }
  return out;
}

// The help's example of a report of one's own, run word for word in a folder of one's own
// (the exporter found on PATH, shop.sqlite a database with the sample's tables): the printed
// definition finds its pictures and the sample database from anywhere, --db replaces that
// database, and a folder receives the definition with its pictures and rich text.
TEST_F(ExporterTest, HelpsExampleOfAReportOfOnesOwnRunsAsPrinted) {
  const std::vector<std::string> commands = OwnReportExample(Export("--help").Out);
  ASSERT_GE(commands.size(), 4u);
  const std::string shop = CopyDatabase("shop.sqlite");
  ChangeDatabase(shop,
                 "UPDATE customer SET Company = 'Own Shop Traders' WHERE rowid = (SELECT min(rowid) FROM customer)");
  const bool pdftotext = std::system("command -v pdftotext >/dev/null 2>&1") == 0;
  const std::string path = "PATH=" + Quoted(fs::path(OXQR_EXPORTER).parent_path().string()) + ":\"$PATH\" ";
  for (const std::string& command : commands) {
    SCOPED_TRACE(command);
    const TCommand r = Shell("cd " + Quoted(dir_.string()) + " && " + path + command);
    ASSERT_EQ(r.Status, 0) << r.Err;
    if (command.find(".pdf") == std::string::npos || !pdftotext) continue;
    const std::string pdf = command.substr(command.rfind(' ') + 1);
    const std::string text = Shell("pdftotext " + Quoted(Path(pdf)) + " -").Out;
    const bool own = command.find("--db shop.sqlite") != std::string::npos;
    EXPECT_EQ(text.find("Own Shop Traders") != std::string::npos, own)
        << "the database: " << (own ? "--db" : "the sample's");
  }
  // The printed definition names the sample's files and database by their full paths.
  const std::string printed = ReadFileBytes(Path("mine.oxr"));
  EXPECT_NE(printed.find("file=\"/"), std::string::npos) << printed;
  EXPECT_NE(printed.find("database=\"/"), std::string::npos) << printed;
  EXPECT_NE(printed.find("<!-- Customers with their orders"), std::string::npos) << "comments stay";
  // The folder holds the definition, its picture and its rich text, named as written there.
  for (const char* file : {"richtext.oxr", "logo.png", "RichTextDemo.RTF"})
    EXPECT_TRUE(fs::is_regular_file(dir_ / "myreport" / file)) << file;
  EXPECT_NE(ReadFileBytes(Path("myreport/richtext.oxr")).find("file=\"RichTextDemo.RTF\""), std::string::npos);
  // Nothing is written over the samples themselves, and one folder at most.
  std::string samples;
  for (const auto& line : Lines(Export("--list").Out))
    if (line.rfind("customers\t", 0) == 0) samples = fs::path(Lines(line, "\t").back()).parent_path().string();
  ASSERT_FALSE(samples.empty());
  for (const std::string& args :
       {"--definition customers " + Quoted(samples), std::string("--definition customers a b")})
    EXPECT_EQ(Export(args).Status, 2) << args;
}

struct TListedSetting {
  std::string Path, Type, Default, Allowed;
};

std::vector<TListedSetting> ListedSettings(const std::string& out) {
  std::vector<TListedSetting> list;
  for (const auto& line : Lines(out)) {
    const auto f = Lines(line, "\t");  // path, type, default (may be empty), allowed
    EXPECT_EQ(f.size(), 4u) << line;
    if (f.size() == 4) list.push_back({f[0], f[1], f[2], f[3]});
  }
  return list;
}

// Every listed path takes its listed default, every listed enumeration value is taken and an
// unlisted one is refused: the list and --set read the same table.
TEST_F(ExporterTest, ListSettingsNamesWhatSetAccepts) {
  const TCommand r = Export("--list-settings");
  ASSERT_EQ(r.Status, 0);
  const auto listed = ListedSettings(r.Out);
  ASSERT_GT(listed.size(), 60u);
  EXPECT_EQ(listed.front().Path, "VisibleFilters");
  std::string defaults, enumValues;
  for (const auto& s : listed) {
    defaults += " --set " + Quoted(s.Path + "=" + s.Default);
    if (s.Type != "enumeration") continue;
    for (const auto& value : Lines(s.Allowed, ", ")) {
      enumValues += " --set " + Quoted(s.Path + "=" + value);
    }
  }
  const TCommand d = Export(defaults + " --list-settings");
  EXPECT_EQ(d.Status, 0) << d.Err;
  EXPECT_EQ(d.Out, r.Out);  // the defaults set are the defaults listed
  const TCommand e = Export(enumValues + " --list-settings");
  EXPECT_EQ(e.Status, 0) << e.Err;
  EXPECT_EQ(Export("--set Text.LineSpacing=lsSixBlank --list-settings").Status, 2);

  const auto line = std::find_if(listed.begin(), listed.end(), [](const auto& s) { return s.Path == "Text.XScaleFactor"; });
  ASSERT_NE(line, listed.end());
  EXPECT_EQ(line->Type + "|" + line->Default + "|" + line->Allowed, "number|1.0|above 0 up to 100");

  const TCommand pdf = Export("--list-settings pdf");
  EXPECT_EQ(pdf.Status, 0);
  const auto pdfSettings = ListedSettings(pdf.Out);
  EXPECT_GT(pdfSettings.size(), 10u);
  for (const auto& s : pdfSettings) EXPECT_EQ(s.Path.rfind("PDF.", 0), 0u) << s.Path;
}

// Under a terminal (a pseudo-terminal made by script(1)) the progress shows the pages laid out
// and then the pages exported out of the total; a format made by the export run alone (text)
// counts its pages as it exports them. Not with --quiet, not on a pipe.
TEST_F(ExporterTest, ProgressOnATerminalCountsThePagesToTheTotal) {
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "script(1) is missing";
  ASSERT_EQ(Export("customers " + Path("c.qrp")).Status, 0);
  TQRPrinter printer;
  printer.LoadFromFile(Path("c.qrp"));
  const std::string total = std::to_string(printer.PageCount());

  auto underTerminal = [&](const std::string& args) {
    return Shell("script -qec " + Quoted(std::string(OXQR_EXPORTER) + " " + args + " >/dev/null") + " /dev/null").Out;
  };
  const std::string shown = underTerminal("customers " + Path("c.htm"));
  EXPECT_NE(shown.find("Laying out page 1"), std::string::npos) << shown;
  const std::string last = shown.substr(shown.rfind("Exporting page"));
  EXPECT_NE(last.find("Exporting page " + total + " of " + total + " (100 %)\r\n"), std::string::npos) << last;

  const std::string oneRun = underTerminal("customers " + Path("c.txt"));
  EXPECT_EQ(oneRun.find("Laying out"), std::string::npos) << oneRun;
  EXPECT_NE(oneRun.find("Exporting page 1"), std::string::npos) << oneRun;
  EXPECT_NE(oneRun.find("Exporting page " + total + "\r\n"), std::string::npos) << oneRun;
  EXPECT_EQ(underTerminal("--quiet customers " + Path("c.txt")).find("page"), std::string::npos);
  EXPECT_EQ(Export("customers " + Path("c.txt"), /*quiet=*/false).Err, "");  // a pipe
}

TEST_F(ExporterTest, ManualPageListsEveryOptionOfHelp) {
  const std::string page = std::string(OXQR_TEST_BINARY_DIR) + "/man/oxqr-export.1";
  if (!fs::exists(page)) GTEST_SKIP() << "no manual page in this build (help2man missing)";
  if (std::system("command -v man >/dev/null 2>&1") != 0) GTEST_SKIP() << "man is missing";
  const TCommand r = Shell("MANWIDTH=100 man -l " + Quoted(page) + " | col -b");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Out.find("oxqr-export 2.11"), std::string::npos);
  for (const auto& option : HelpOptions(Export("--help").Out)) EXPECT_NE(r.Out.find(option), std::string::npos) << option;
  EXPECT_NE(r.Out.find("Customer Orders, Master-Detail"), std::string::npos);
}

TEST_F(ExporterTest, DemoDataToolExplainsItself) {
  const std::string tool = (fs::path(OXQR_EXPORTER).parent_path() / "oxqr-demodata").string();
  const TCommand help = Shell(tool + " --help");
  EXPECT_EQ(help.Status, 0);
  EXPECT_EQ(help.Err, "");
  EXPECT_EQ(help.Out.rfind("Usage: oxqr-demodata", 0), 0u) << help.Out;
  EXPECT_NE(help.Out.find("--scale N"), std::string::npos);
  EXPECT_EQ(Shell(tool + " --version").Out, "oxqr-demodata 2.11\n");
  const TCommand bad = Shell(tool + " --scale zero x.sqlite");
  EXPECT_EQ(bad.Status, 2);
  EXPECT_NE(bad.Err.find("--help"), std::string::npos);
  EXPECT_FALSE(fs::exists("x.sqlite"));
}

// ---- JSON data -----------------------------------------------------------------------------

// Orders with their nested lines: the report prints each order, then its lines.
constexpr const char* kOrdersDefinition = R"(<report name="Orders" dataset="Orders">
  <json name="Orders" file="orders.json" path="shop.orders">
    <field name="No" type="integer"/>
    <field name="Customer" type="string"/>
    <field name="Placed" type="date" format="yyyy/mm/dd"/>
    <field name="Amount" type="currency"/>
    <field name="Paid" type="boolean"/>
  </json>
  <json name="Lines" path="shop.orders.lines">
    <field name="Item" type="string"/>
    <field name="Qty" type="integer"/>
  </json>
  <band type="detail" name="Order" height="5">
    <text left="0" top="0" width="15" height="4.5" field="Orders.No"/>
    <text left="20" top="0" width="50" height="4.5" field="Orders.Customer"/>
    <text left="75" top="0" width="30" height="4.5" field="Orders.Placed"/>
    <text left="110" top="0" width="30" height="4.5" field="Orders.Amount"/>
    <text left="145" top="0" width="20" height="4.5" field="Orders.Paid"/>
  </band>
  <band type="subDetail" name="Line" dataset="Lines" master="Order" height="5">
    <text left="30" top="0" width="60" height="4.5" field="Lines.Item"/>
    <text left="95" top="0" width="20" height="4.5" field="Lines.Qty"/>
  </band>
</report>
)";

constexpr const char* kOrdersJson = R"({"shop": {"orders": [
  {"No": 17, "Customer": "Acme", "Placed": "2026-03-09", "Amount": 1234.5, "Paid": true,
   "lines": [{"Item": "Anvil", "Qty": 2}, {"Item": "Rocket skates", "Qty": 1}]},
  {"No": 18, "Customer": "Bolt & Nut", "Placed": "2026-03-10", "Amount": 20, "Paid": false, "lines": []},
  {"No": 19, "Customer": "Cog", "Placed": "2026-03-11", "Amount": 7.25, "Paid": false,
   "lines": [{"Item": "Spring", "Qty": 40}]}
]}})";

TEST_F(ExporterTest, JsonDataPrintsEachRecordWithItsNestedLines) {
  WriteFileBytes(Path("orders.oxr"), kOrdersDefinition);
  WriteFileBytes(Path("orders.json"), kOrdersJson);
  // The definition's own file, then another file given on the command line for the dataset.
  const TCommand r = Export(Quoted(Path("orders.oxr")) + " " + Quoted(Path("o.txt")));
  ASSERT_EQ(r.Status, 0) << r.Err;
  std::vector<std::string> rows;
  for (const auto& line : Lines(ReadFileBytes(Path("o.txt")))) {
    std::istringstream words(line);
    std::string w, joined;
    while (words >> w) joined += (joined.empty() ? "" : " ") + w;
    if (!joined.empty() && joined.find_first_not_of('-') != std::string::npos) rows.push_back(joined);  // no page ends
  }
  const std::vector<std::string> expected = {
      "17 Acme 2026/03/09 $1,234.50 True", "Anvil 2",   "Rocket skates 1", "18 Bolt & Nut 2026/03/10 $20.00 False",
      "19 Cog 2026/03/11 $7.25 False",     "Spring 40"};
  EXPECT_EQ(rows, expected);

  WriteFileBytes(Path("other.json"), R"({"shop": {"orders": [{"No": 1, "Customer": "Zed", "Placed": "2026-01-01",
      "Amount": 1, "Paid": true}]}})");
  const TCommand other = Export("--data Orders=" + Quoted(Path("other.json")) + " " + Quoted(Path("orders.oxr")) + " " +
                                Quoted(Path("z.txt")));
  ASSERT_EQ(other.Status, 0) << other.Err;
  const std::string z = ReadFileBytes(Path("z.txt"));
  EXPECT_NE(z.find("Zed"), std::string::npos);
  EXPECT_EQ(z.find("Acme"), std::string::npos);

  // The data file is an input the output must not replace.
  const TCommand over = Export("--format txt " + Quoted(Path("orders.oxr")) + " " + Quoted(Path("orders.json")));
  EXPECT_EQ(over.Status, 2);
  EXPECT_NE(over.Err.find("would overwrite the input file"), std::string::npos) << over.Err;
  EXPECT_EQ(ReadFileBytes(Path("orders.json")), kOrdersJson);
}

TEST_F(ExporterTest, JsonDataFaultsAreLocatedAndWriteNothing) {
  WriteFileBytes(Path("orders.oxr"), kOrdersDefinition);
  const std::string good = kOrdersJson;
  auto replaced = [&good](const std::string& from, const std::string& to) {
    std::string s = good;
    s.replace(s.find(from), from.size(), to);
    return s;
  };
  struct TCase {
    const char* Name;
    std::string Json;
    std::string Args;      // besides the definition and the output
    std::string Expected;  // in the message, after the file's name
  };
  const std::vector<TCase> cases = {
      {"wrong type", replaced("\"Amount\": 20", "\"Amount\": \"20,00\""), "",
       ": at /shop/orders/1/Amount: expected a number (Amount: currency), found string \"20,00\""},
      {"missing field", replaced("\"Customer\": \"Cog\", ", ""), "",
       ": at /shop/orders/2: missing field \"Customer\" (string)"},
      {"bad date", replaced("2026-03-10", "10/03/2026"), "", ": at /shop/orders/1/Placed: expected an ISO 8601 date"},
      {"nested wrong type", replaced("\"Qty\": 40", "\"Qty\": 4.5"), "",
       ": at /shop/orders/2/lines/0/Qty: expected an integer (Qty: integer), found number 4.5"},
      {"detail not an array", replaced("\"lines\": []", "\"lines\": {}"), "",
       ": at /shop/orders/1/lines: expected an array of records, found object"},
      {"path not an array", R"({"shop": {"orders": 3}})", "", ": at /shop/orders: expected an array of records"},
      {"malformed", "{\"shop\": {\"orders\": [\n  {\"No\": 1,,}]}}", "", ":2:12: malformed JSON: syntax error"},
      {"deep nesting", std::string(100000, '['), "", ":1:65: the JSON nests deeper than 64"},
      {"unknown dataset", good, "--data Nope=" + Quoted(Path("orders.json")), "data given for 'Nope'"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteFileBytes(Path("orders.json"), c.Json);
    const TCommand r = Export(c.Args + " " + Quoted(Path("orders.oxr")) + " " + Quoted(Path("out.pdf")));
    EXPECT_EQ(r.Status, 2) << r.Err;
    EXPECT_NE(r.Err.find(c.Expected), std::string::npos) << r.Err;
    if (c.Args.empty()) {
      EXPECT_NE(r.Err.find(Path("orders.json") + c.Expected), std::string::npos) << r.Err;
    }
    EXPECT_FALSE(fs::exists(Path("out.pdf")));
  }
}

}  // namespace

