// A definition's text made to run elsewhere: file names changed where they are written
// (entities and quotes of either kind included), a database added only when none is named,
// everything else kept byte for byte, and text that is not XML refused with its position.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "DefinitionTestSupport.h"
#include "definition/DefinitionCopy.h"
#include "definition/DefinitionError.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;

struct TCopyCase {
  const char* Name;
  const char* Text;
  const char* Expected;  // "DIR" stands for the definition's folder
};

TEST(DefinitionCopy, ChangesFileNamesAndAddsTheDatabaseOnly) {
  const TCopyCase cases[] = {
      {"FilesAndDatabase",
       "<report title='a &amp; b'>\n  <!-- file=\"x.png\" -->\n  <band type=\"title\">\n"
       "    <image file=\"pics/logo.png\"/><richtext  file = 'R&amp;D.rtf' autoStretch=\"true\"/>\n  </band>\n</report>\n",
       "<report database=\"/db/demo &amp; co.sqlite\" title='a &amp; b'>\n  <!-- file=\"x.png\" -->\n"
       "  <band type=\"title\">\n    <image file=\"[DIR/pics/logo.png]\"/><richtext  file = '[DIR/R&amp;D.rtf]' "
       "autoStretch=\"true\"/>\n  </band>\n</report>\n"},
      {"DatabaseKept", "<?xml version=\"1.0\"?>\n<report database=\"own.sqlite\"/>\n",
       "<?xml version=\"1.0\"?>\n<report database=\"own.sqlite\"/>\n"},
  };
  test::TScratchDir dir("copy");
  const std::string folder = fs::absolute(dir.Path).lexically_normal().string();
  TDefinitionCopy copy;
  copy.FileName = [](const std::string& path) { return "[" + path + "]"; };
  copy.Database = "/db/demo & co.sqlite";
  for (const TCopyCase& c : cases) {
    const fs::path file = dir.Path / (std::string(c.Name) + ".oxr");
    std::ofstream(file) << c.Text;
    std::string expected = c.Expected;
    for (auto at = expected.find("DIR"); at != std::string::npos; at = expected.find("DIR", at + folder.size()))
      expected.replace(at, 3, folder);
    EXPECT_EQ(CopiedDefinitionText(file.string(), copy), expected) << c.Name;
  }
  const fs::path broken = dir.Path / "broken.oxr";
  std::ofstream(broken) << "<report>\n  <band type=\"title\">\n</report>\n";
  try {
    CopiedDefinitionText(broken.string(), copy);
    ADD_FAILURE() << "a broken definition was copied";
  } catch (const EDefinitionError& e) {
    EXPECT_NE(std::string(e.what()).find("broken.oxr:3:"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace oxqr
