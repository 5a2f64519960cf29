// Every shipped definition written in canonical form: xmllint still validates it against the
// schema, and the exporter makes the same bytes from it as from the original in PDF, XLSX and
// HTML, with the clock pinned.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "../DefinitionTestSupport.h"
#include "definition/OxrDocument.h"
#include "tests/OxQrExport/support/ReaderSupport.h"

namespace fs = std::filesystem;

namespace oxqr {
namespace {

using testing::HaveProgram;
using testing::RunShell;
using testing::ShellQuote;

// The bytes of every file the exporter writes for `definition` (formats such as HTML write one
// file per page, named after `output`), in the order it lists them.
std::string Export(const fs::path& definition, const fs::path& output) {
  fs::create_directories(output.parent_path());
  const auto run = RunShell("cd " + ShellQuote(definition.parent_path().string()) +
                            " && ASAN_OPTIONS=$ASAN_OPTIONS:verify_asan_link_order=0 faketime -f '2024-03-05 10:20:30' " + ShellQuote(OXQR_EXPORTER) + " --quiet --db " +
                            ShellQuote(OXQR_TEST_BINARY_DIR "/data/DEMODATA.sqlite") + " " +
                            ShellQuote(definition.string()) + " " + ShellQuote(output.string()) + " 2>/dev/null");
  EXPECT_EQ(run.Status, 0) << definition;
  std::string bytes;
  std::istringstream files(run.Output);
  for (std::string file; std::getline(files, file);)
    if (!file.empty()) bytes += file.substr(file.rfind('/') + 1) + "\n" + test::ReadText(file);
  return bytes;
}

TEST(OxrCanonicalForm, ValidatesAndExportsTheSameBytes) {
  if (!HaveProgram("xmllint") || !HaveProgram("faketime")) GTEST_SKIP() << "xmllint or faketime is missing";
  test::TScratchDir dir("canonical");
  // The definitions with the pictures and rich text files they name.
  fs::copy(fs::path(OXQR_TEST_SOURCE_DIR) / "Showcase" / "reports", dir.Path, fs::copy_options::recursive);
  fs::copy(fs::path(OXQR_TEST_BINARY_DIR) / "bin" / "RichTextDemo.RTF", dir.Path);
  const std::string schema = (fs::path(OXQR_TEST_SOURCE_DIR) / "definition" / "oxr.xsd").string();
  int files = 0;
  for (const auto& e : fs::directory_iterator(fs::path(OXQR_TEST_SOURCE_DIR) / "Showcase" / "reports")) {
    if (e.path().extension() != ".oxr") continue;
    ++files;
    const fs::path original = dir.Path / e.path().filename();
    const fs::path canonical = dir.Path / ("canonical-" + e.path().filename().string());
    TOxrDocument doc = ReadOxrDocumentFile(original.string());
    SaveReportDefinition(doc, canonical.string());
    const auto lint = RunShell("xmllint --noout --schema " + ShellQuote(schema) + " " +
                               ShellQuote(canonical.string()) + " 2>&1");
    EXPECT_EQ(lint.Status, 0) << canonical << ": " << lint.Output;
    for (const std::string ext : {"pdf", "xlsx", "htm"}) {
      // The same output name for both, since pages name each other.
      const std::string a = Export(original, dir.Path / "a" / ("out." + ext));
      const std::string b = Export(canonical, dir.Path / "b" / ("out." + ext));
      EXPECT_FALSE(a.empty()) << original << " " << ext;
      EXPECT_TRUE(a == b) << e.path().filename() << " differs in " << ext;
    }
  }
  EXPECT_GE(files, 5);
}

}  // namespace
}  // namespace oxqr
