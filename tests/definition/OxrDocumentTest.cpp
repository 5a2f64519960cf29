// The definition tree: what a file holds survives reading and canonical writing (text of memo
// lines and queries, comments, attributes the loader does not know), the layout is one
// element per line with attributes in the schema's order, and malformed text is a located
// error.
#include <gtest/gtest.h>

#include <filesystem>

#include "DefinitionTestSupport.h"
#include "definition/DefinitionError.h"
#include "definition/OxrDocument.h"
#include "definition/OxrSchema.h"

namespace fs = std::filesystem;

namespace oxqr {
namespace {

std::string Canonical(const std::string& text) {
  TOxrDocument doc = ReadOxrDocument(text, "t.oxr");
  return OxrDocumentText(doc);
}

// The shipped definitions and the README's tutorial: writing, reading back and writing again
// gives the same bytes.
TEST(OxrDocument, CanonicalTextIsStableForTheShippedDefinitions) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& e : fs::directory_iterator(fs::path(OXQR_TEST_SOURCE_DIR) / "Showcase" / "reports"))
    if (e.path().extension() == ".oxr") files.emplace_back(e.path().filename().string(), test::ReadText(e.path()));
  files.emplace_back("tutorial", test::TutorialBlock("oxr"));
  ASSERT_GE(files.size(), 5u);
  for (const auto& [name, text] : files) {
    const std::string once = Canonical(text);
    EXPECT_EQ(Canonical(once), once) << name;
  }
}

struct TKeptCase {
  const char* Name;
  const char* Text;
  const char* Expected;  // the canonical text after the XML declaration
};

// Text and comments read back unchanged; blanks between elements are layout.
TEST(OxrDocument, KeepsTextAndCommentsAsWritten) {
  const TKeptCase cases[] = {
      {"MemoLinesKeepTheirBlanks",
       "<report><band type=\"title\"><memo><line>  two  spaces </line><line>   </line><line/></memo></band></report>",
       "<report>\n  <band type=\"title\">\n    <memo>\n      <line>  two  spaces </line>\n      <line>   </line>\n"
       "      <line/>\n    </memo>\n  </band>\n</report>\n"},
      {"QuerySqlKeptAndCalcsOnTheirLines",
       "<report><query name=\"Q\">\n  SELECT a,\n         b FROM t\n  <calc name=\"C\" expression=\"a\"/>\n</query></report>",
       "<report>\n  <query name=\"Q\">\n  SELECT a,\n         b FROM t\n    <calc name=\"C\" expression=\"a\"/>\n"
       "  </query>\n</report>\n"},
      {"QueryWithoutCalcsKeepsItsTrailingBlanks", "<report><query name=\"Q\">SELECT 1\n</query></report>",
       "<report>\n  <query name=\"Q\">SELECT 1\n</query>\n</report>\n"},
      {"CommentsEverywhere",
       "<!-- before --><report><!-- in report --><band type=\"title\"><memo><line>a<!--x-->b</line></memo></band>"
       "</report><!-- after -->",
       "<!-- before -->\n<report>\n  <!-- in report -->\n  <band type=\"title\">\n    <memo>\n      <line>a<!--x-->b</line>\n"
       "    </memo>\n  </band>\n</report>\n<!-- after -->\n"},
      {"CommentOnlyBandDropsLayout", "<report><band type=\"title\">\n  <!-- empty -->\n</band></report>",
       "<report>\n  <band type=\"title\">\n    <!-- empty -->\n  </band>\n</report>\n"},
      {"EscapesInAttributesAndText",
       "<report title=\"a&amp;b &lt;c&gt; &quot;q&quot; tab&#9;nl&#10;cr&#13;\"><band type=\"title\"><memo>"
       "<line>&lt;x&gt; &amp; \"y\"</line></memo></band></report>",
       "<report title=\"a&amp;b &lt;c&gt; &quot;q&quot; tab&#9;nl&#10;cr&#13;\">\n  <band type=\"title\">\n    <memo>\n"
       "      <line>&lt;x&gt; &amp; \"y\"</line>\n    </memo>\n  </band>\n</report>\n"},
      {"UnknownAttributesFollowInAlphabeticalOrder",
       "<report><band zeta=\"1\" type=\"title\" alpha=\"2\" height=\"5\"/></report>",
       "<report>\n  <band type=\"title\" height=\"5\" alpha=\"2\" zeta=\"1\"/>\n</report>\n"},
  };
  const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  for (const auto& c : cases) {
    const std::string once = Canonical(c.Text);
    EXPECT_EQ(once, declaration + c.Expected) << c.Name;
    EXPECT_EQ(Canonical(once), once) << c.Name;
  }
}

// Attributes come in the order the schema declares them, whatever order they were read or
// set in, so a moved control changes one line.
TEST(OxrDocument, AttributesFollowTheSchemaOrder) {
  EXPECT_EQ(SchemaAttributes("label").front(), "name");
  EXPECT_LT(CanonicalAttributeRank("label", "left"), CanonicalAttributeRank("label", "font"));
  EXPECT_LT(CanonicalAttributeRank("label", "font"), CanonicalAttributeRank("label", "text"));
  // Fields of tables and of JSON datasets share one order.
  EXPECT_LT(CanonicalAttributeRank("field", "type"), CanonicalAttributeRank("field", "format"));
  EXPECT_EQ(CanonicalAttributeRank("label", "nonesuch"), 1000);

  const std::string a = Canonical(
      "<report><band type=\"detail\" height=\"8\"><label text=\"A\" top=\"1\" left=\"2\" width=\"30\" height=\"5\" "
      "font=\"Arial\" name=\"L1\"/><label name=\"L2\" left=\"40\" top=\"1\" width=\"30\" height=\"5\" text=\"B\"/>"
      "</band></report>");
  EXPECT_NE(a.find("<label name=\"L1\" left=\"2\" top=\"1\" width=\"30\" height=\"5\" font=\"Arial\" text=\"A\"/>"),
            std::string::npos)
      << a;
  TOxrDocument doc = ReadOxrDocument(a, "a.oxr");
  TOxrNode* label = doc.Root().Elements("band")[0]->Elements("label")[1];
  label->SetAttribute("left", "45");
  label->SetAttribute("color", "teal");  // added at its place, not at the end
  const std::string b = OxrDocumentText(doc);
  int changed = 0;
  std::istringstream ia(a), ib(b);
  for (std::string la, lb; std::getline(ia, la) && std::getline(ib, lb);) changed += la != lb;
  EXPECT_EQ(changed, 1);
  EXPECT_NE(b.find("<label name=\"L2\" left=\"45\" top=\"1\" width=\"30\" height=\"5\" color=\"teal\" text=\"B\"/>"),
            std::string::npos)
      << b;
  // Each element's line in the written text names it.
  EXPECT_EQ(ElementOnLine(doc.Root(), label->SourceLine()), label);
}

// One reading of a schema gives both orders: the file's (groups where they are referenced,
// an element declared twice merged into one list) and the inspector's (own attributes first,
// a local element apart from the global one of its name).
TEST(OxrDocument, OneSchemaReadingGivesTheFileOrderAndTheInspectorOrder) {
  const TDefinitionSchema schema(R"(<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema">
    <xs:attributeGroup name="place"><xs:attribute name="left"/><xs:attribute name="top"/></xs:attributeGroup>
    <xs:element name="gauge"><xs:complexType>
      <xs:attribute name="name"/><xs:attributeGroup ref="place"/><xs:attribute name="needle"/>
    </xs:complexType></xs:element>
    <xs:element name="field"><xs:complexType>
      <xs:attribute name="name"/><xs:attribute name="type"/>
    </xs:complexType></xs:element>
    <xs:element name="json"><xs:complexType><xs:sequence>
      <xs:element name="field"><xs:complexType>
        <xs:attribute name="name"/><xs:attribute name="path"/><xs:attribute name="type"/>
      </xs:complexType></xs:element>
    </xs:sequence></xs:complexType></xs:element>
  </xs:schema>)");
  using TNames = std::vector<std::string>;
  auto names = [&](std::string_view element, std::string_view parent) {
    TNames out;
    for (const auto& a : *schema.Attributes(element, parent)) out.push_back(a.Name);
    return out;
  };
  EXPECT_EQ(schema.AttributeOrder("gauge"), (TNames{"name", "left", "top", "needle"}));
  EXPECT_EQ(names("gauge", ""), (TNames{"name", "needle", "left", "top"}));
  EXPECT_EQ(schema.AttributeOrder("field"), (TNames{"name", "path", "type"}));
  EXPECT_EQ(names("field", ""), (TNames{"name", "type"}));
  EXPECT_EQ(names("field", "json"), (TNames{"name", "path", "type"}));
  EXPECT_TRUE(schema.AttributeOrder("nonesuch").empty());
}

struct TBrokenCase {
  const char* Name;
  std::string Text;
  int Line;
  const char* Message;  // part of the message
};

TEST(OxrDocument, MalformedTextIsALocatedError) {
  std::string deep = "<report>";
  for (int i = 0; i < 100; ++i) deep += "<band>";
  const TBrokenCase cases[] = {
      {"Empty", "", 1, "no <report>"},
      {"NotClosed", "<report>\n<band type=\"title\">\n</report>", 3, ""},
      {"Doctype", "<!DOCTYPE report [<!ENTITY x \"y\">]>\n<report/>", 1, "document type"},
      {"OtherRoot", "<?xml version=\"1.0\"?>\n<page/>", 2, "<page>"},
      {"SecondRoot", "<report/>\n<report/>", 2, ""},
      {"DuplicateAttribute", "<report>\n<band type=\"a\" type=\"b\"/></report>", 2, ""},
      {"UnescapedAmpersand", "<report title=\"a & b\"/>", 1, ""},
      {"TooDeep", deep, 1, "nested"},
      {"TooLarge", "<report>" + std::string(16 * 1024 * 1024, ' ') + "</report>", 1, "larger than 16 MiB"},
      {"Binary", std::string("<report>\0\x01</report>", 19), 1, ""},
  };
  for (const auto& c : cases) {
    try {
      ReadOxrDocument(c.Text, "bad.oxr");
      ADD_FAILURE() << c.Name << ": no error";
    } catch (const EDefinitionError& e) {
      EXPECT_EQ(e.Line(), c.Line) << c.Name << ": " << e.what();
      EXPECT_GE(e.Column(), 1) << c.Name;
      EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << c.Name << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find("bad.oxr"), std::string::npos) << c.Name << ": " << e.what();
    }
  }
}

}  // namespace
}  // namespace oxqr
