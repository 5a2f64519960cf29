// The exporter in the Unicode mode over customers named in scripts that are shaped, as a
// user meets it: on a machine without faces for them every format is written, and the PDF
// tells once how many characters had no font, in which scripts, and which package covers
// them; Qt's own warnings stay off standard error. With the faces installed, the PDF's text
// gives the names back.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/OxQrExport/support/ReaderSupport.h"

namespace fs = std::filesystem;
using oxqr::testing::HaveProgram;
using oxqr::testing::RunShell;
using oxqr::testing::ShellQuote;

namespace {

const std::vector<std::string> kNames = {"हिन्दी प्रिया शर्मा", "বাংলা রবীন্দ্রনাথ", "ދިވެހި ރާއްޖެ"};

class ExporterScripts : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveProgram("pdftotext") || !HaveProgram("fc-list")) GTEST_SKIP() << "pdftotext or fc-list is missing";
    dir_ = fs::temp_directory_path() / ("oxqr-exporter-scripts-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    db_ = (dir_ / "shop.sqlite").string();
    fs::copy_file(OXQR_DEMODATA, db_);
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(db_.c_str(), &h), SQLITE_OK);
    for (std::size_t i = 0; i < kNames.size(); ++i) {
      const std::string sql = "UPDATE customer SET Company = '" + kNames[i] +
                              "' WHERE rowid = (SELECT rowid FROM customer ORDER BY rowid LIMIT 1 OFFSET " +
                              std::to_string(i) + ")";
      EXPECT_EQ(sqlite3_exec(h, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    }
    sqlite3_close(h);
    // The machine's fonts without the Noto faces: no face for Devanagari, Bengali or Thaana.
    noNoto_ = (dir_ / "no-noto.conf").string();
    std::ofstream(noNoto_) << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
                              "  <include ignore_missing=\"yes\">/etc/fonts/fonts.conf</include>\n"
                              "  <selectfont><rejectfont><glob>/usr/share/fonts/truetype/noto/*</glob></rejectfont>"
                              "</selectfont>\n</fontconfig>\n";
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  // The exporter's standard error (and exit status) for the customers report to `output`,
  // with the font configuration `fonts`.
  oxqr::testing::TShellRun Export(const std::string& output, const std::string& fonts) const {
    return RunShell("FONTCONFIG_FILE=" + ShellQuote(fonts) + " " + ShellQuote(OXQR_EXPORTER) +
                    " --quiet --encoding utf-8 --db " + ShellQuote(db_) + " customers " +
                    ShellQuote((dir_ / output).string()) + " 2>&1 >/dev/null");
  }
  fs::path dir_;
  std::string db_;
  std::string noNoto_;
};

TEST_F(ExporterScripts, WithoutFacesEveryFormatIsWrittenAndThePdfTellsOnce) {
  if (!RunShell("FONTCONFIG_FILE=" + ShellQuote(noNoto_) + " fc-list ':charset=0939' family").Output.empty())
    GTEST_SKIP() << "a face outside the Noto fonts draws Devanagari";
  for (const char* output : {"c.pdf", "c.htm", "c.rtf", "c.txt", "c.emf", "c.xlsx", "c.csv", "c.jpg"}) {
    const auto r = Export(output, noNoto_);
    EXPECT_TRUE(r.Status == 0 || r.Status == 1) << output << " ended with status " << r.Status << ":\n" << r.Output;
    EXPECT_EQ(r.Output.find("OpenType"), std::string::npos) << output << ":\n" << r.Output;
    if (std::string(output) == "c.pdf") {
      EXPECT_EQ(r.Status, 1);
      // One line: the three names' letters and marks, blanks not counted.
      EXPECT_EQ(r.Output,
                "oxqr-export: 45 characters in Devanagari, Bengali, Thaana had no font; "
                "fonts-noto-core covers them.\n");
      const std::string check = RunShell("qpdf --check " + ShellQuote((dir_ / output).string()) + " 2>&1").Output;
      EXPECT_NE(check.find("No syntax or stream encoding errors found"), std::string::npos) << check;
    } else {
      EXPECT_EQ(r.Output, "") << output;
    }
  }
}

TEST_F(ExporterScripts, WithTheFacesInstalledThePdfGivesTheNamesBack) {
  if (RunShell("fc-list ':charset=0939' family").Output.empty()) GTEST_SKIP() << "no Devanagari face installed";
  const auto r = Export("c.pdf", OXQR_TEST_SOURCE_DIR "/tests/readers-fonts.conf");
  // Only Thaana is left: Qt's layout rejects the face installed for it.
  EXPECT_EQ(r.Output.find("Devanagari"), std::string::npos) << r.Output;
  EXPECT_NE(r.Output.find(" in Thaana had no font the text layout can use (Noto Sans Thaana is installed"),
            std::string::npos)
      << r.Output;
  const std::string text = RunShell("pdftotext " + ShellQuote((dir_ / "c.pdf").string()) + " -").Output;
  EXPECT_NE(text.find(kNames[0]), std::string::npos) << text;
  EXPECT_NE(text.find(kNames[1]), std::string::npos) << text;
}

}  // namespace
