// The README's reference of definition elements names every element of the schema.
#include <gtest/gtest.h>

#include <regex>

#include "DefinitionTestSupport.h"

namespace oxqr {
namespace {

TEST(Reference, ReadmeNamesEverySchemaElement) {
  const std::string schema = test::ReadText(std::filesystem::path(OXQR_TEST_SOURCE_DIR) / "definition" / "oxr.xsd");
  const std::string readme = test::ReadText(std::filesystem::path(OXQR_TEST_SOURCE_DIR) / "README.md");
  const auto start = readme.find("### Reference of definition elements");
  ASSERT_NE(start, std::string::npos);
  const std::string reference = readme.substr(start);
  const std::regex element("<xs:element name=\"([A-Za-z]+)\"");
  int elements = 0;
  for (auto it = std::sregex_iterator(schema.begin(), schema.end(), element); it != std::sregex_iterator(); ++it) {
    const std::string name = (*it)[1].str();
    EXPECT_NE(reference.find("`<" + name + ">`"), std::string::npos) << name;
    ++elements;
  }
  EXPECT_EQ(elements, 23);  // with <style>, <json>, the typed <field> it holds, <calc>, <crosstab>, <subreport> and <total>
}

}  // namespace
}  // namespace oxqr
