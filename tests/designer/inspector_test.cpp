// The inspector: the attributes the schema gives each element, checking token text and
// expressions as they are typed (the loader's message and position), and editing several
// elements at once as one undo step.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <sstream>

#include "DesignerTestSupport.h"
#include "definition/DefinitionError.h"
#include "definition/ReportDefinition.h"
#include "designer/AttributeCheck.h"
#include "designer/Inspector.h"
#include "definition/OxrSchema.h"
#include "platform/Errors.h"

namespace oxqr {
namespace {

using test::Named;

struct TSchemaCase {
  const char* Element;
  const char* Parent;
  const char* Attribute;
  TAttributeKind Kind;
  bool Required;
  const char* OneValue;  // an enumeration value that must be offered, or ""
};

TEST(SchemaAttributes, BuiltinSchemaGivesEachElementItsTypedAttributes) {
  const TDefinitionSchema& schema = TDefinitionSchema::Builtin();
  const TSchemaCase cases[] = {
      {"report", "", "paper", TAttributeKind::Enumeration, false, "Letter"},
      {"report", "", "zoom", TAttributeKind::Integer, false, ""},
      {"report", "", "topMargin", TAttributeKind::Length, false, ""},
      {"report", "", "fontColor", TAttributeKind::Color, false, ""},  // from the font group
      {"band", "report", "type", TAttributeKind::Enumeration, true, "groupHeader"},
      {"band", "report", "field", TAttributeKind::FieldRef, false, ""},
      {"band", "report", "printIfEmpty", TAttributeKind::Boolean, false, ""},
      {"label", "band", "left", TAttributeKind::Length, false, ""},                    // from the control group
      {"label", "band", "frameStyle", TAttributeKind::Enumeration, false, "dashDot"},  // group in a group
      {"label", "band", "font", TAttributeKind::FontFamily, false, ""},
      {"label", "band", "fontStyle", TAttributeKind::FontStyle, false, ""},
      {"label", "band", "role", TAttributeKind::Enumeration, false, "heading6"},  // inline type
      {"text", "band", "field", TAttributeKind::FieldRef, true, ""},
      {"shape", "band", "penWidth", TAttributeKind::Integer, false, ""},
      {"chart", "band", "titleFont", TAttributeKind::FontFamily, false, ""},
      {"barcode", "band", "rotation", TAttributeKind::Enumeration, false, "270"},
      {"field", "json", "type", TAttributeKind::Enumeration, true, "datetime"},  // local element, named type
      {"field", "table", "format", TAttributeKind::Text, false, ""},
      {"parameter", "report", "default", TAttributeKind::Text, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Element) + "/" + c.Attribute);
    const TSchemaAttribute* a = schema.Attribute(c.Element, c.Attribute, c.Parent);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Kind, c.Kind);
    EXPECT_EQ(a->Required, c.Required);
    if (*c.OneValue) {
      EXPECT_NE(std::find(a->Values.begin(), a->Values.end(), c.OneValue), a->Values.end());
    }
  }
  EXPECT_EQ(schema.Attributes("label")->front().Name, "text");  // a label's own attribute first
  // A table's field has no type; a font size is bounded; colour names come from the pattern.
  EXPECT_EQ(schema.Attribute("field", "type", "table"), nullptr);
  const TSchemaAttribute* size = schema.Attribute("label", "fontSize");
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(size->Minimum, 1);
  EXPECT_EQ(size->Maximum, 999);
  const auto& colours = schema.ColorNames();
  for (const char* name : {"teal", "navy", "infoBk", "none"})
    EXPECT_NE(std::find(colours.begin(), colours.end(), name), colours.end()) << name;
  EXPECT_EQ(std::find(colours.begin(), colours.end(), "A"), colours.end());
}

TEST(SchemaAttributes, AnElementAddedToTheSchemaIsReadWithoutCodeChanges) {
  const QByteArray xsd = R"(<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema">
    <xs:simpleType name="mm"><xs:restriction base="xs:string"/></xs:simpleType>
    <xs:attributeGroup name="place"><xs:attribute name="left" type="mm"/></xs:attributeGroup>
    <xs:element name="gauge"><xs:complexType>
      <xs:attributeGroup ref="place"/>
      <xs:attribute name="needle" default="red" type="xs:string"/>
      <xs:attribute name="scale"><xs:simpleType><xs:restriction base="xs:string">
        <xs:enumeration value="linear"/><xs:enumeration value="log"/></xs:restriction></xs:simpleType></xs:attribute>
    </xs:complexType></xs:element>
  </xs:schema>)";
  const TDefinitionSchema schema(xsd);
  const auto* gauge = schema.Attributes("gauge");
  ASSERT_NE(gauge, nullptr);
  // Its own attributes first, then the group's.
  ASSERT_EQ(gauge->size(), 3u);
  EXPECT_EQ((*gauge)[0].Default, "red");
  EXPECT_EQ((*gauge)[1].Values, (std::vector<std::string>{"linear", "log"}));
  EXPECT_EQ((*gauge)[2].Name, "left");
  EXPECT_EQ((*gauge)[2].Kind, TAttributeKind::Length);

  // A reference to a group the schema lacks, and a text that is not XML, are refused.
  EXPECT_THROW(TDefinitionSchema(R"(<xs:schema xmlns:xs="x"><xs:element name="a"><xs:complexType>
      <xs:attributeGroup ref="nowhere"/></xs:complexType></xs:element></xs:schema>)"),
               EOxQRError);
  EXPECT_THROW(TDefinitionSchema("<xs:schema xmlns:xs=\"x\"><xs:element"), EOxQRError);
}

// What the loader says about `definition`: "character N: message" with N counted in the
// value of `attribute` on the line of the fault, or "" when it loads.
std::string LoaderFault(const std::string& definition, const std::string& attribute) {
  try {
    TDefinitionOptions options;
    options.DatabasePath = test::CustomerDatabase();
    LoadReportDefinitionText(definition, "customers.oxr", options);
  } catch (const EDefinitionError& e) {
    std::istringstream lines(definition);
    std::string line;
    for (int n = 0; n < e.Line(); ++n) std::getline(lines, line);
    const int start =
        static_cast<int>(QString::fromStdString(line).indexOf(QString::fromStdString(" " + attribute + "=\"")) +
                         static_cast<qsizetype>(attribute.size()) + 3);
    // A fault of the whole attribute (a field reference) is put at its name: the value's
    // first character in the inspector.
    return "character " + std::to_string(std::max(1, e.Column() - start)) + ": " + e.Message();
  }
  return {};
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

struct TTypingCase {
  const char* Name;
  const char* Control;    // the control selected
  const char* Attribute;  // the field typed into
  const char* Old;        // the attribute as the definition has it (to make the loader's version)
  const char* Typed;
  bool Bad;
};

TEST(Inspector, TypedTokensAndExpressionsShowTheLoadersFaultAndPosition) {
  const std::string definition = test::CustomerDefinition();
  auto window = test::DesignerWith(definition);
  TDesignDocument& doc = window->Document();
  const TTypingCase cases[] = {
      {"misspelt field", "City", "text", "text=\"{Customer.City}\"", "Town: {Customer.Cty}", true},
      {"unknown dataset", "City", "text", "text=\"{Customer.City}\"", "{Custmer.City}", true},
      {"unclosed token", "City", "text", "text=\"{Customer.City}\"", "at {Customer.City", true},
      {"expression fault", "City", "text", "text=\"{Customer.City}\"", "{= Customer.CustNo + }", true},
      {"good token clears it", "City", "text", "text=\"{Customer.City}\"", "{Customer.Company} of {page}", false},
      {"condition of wrong type", "Company", "printWhen", "fontStyle=\"italic\"", "Customer.CustNo + 1", true},
      {"condition on misspelt field", "Company", "printWhen", "fontStyle=\"italic\"", "Customer.CustNoo > 2", true},
      {"good condition", "Company", "printWhen", "fontStyle=\"italic\"", "Customer.CustNo > 2", false},
      {"misspelt field reference", "Company", "field", "field=\"Customer.Company\"", "Customer.Compnay", true},
      {"good field reference", "Company", "field", "field=\"Customer.Company\"", "Customer.City", false},
      {"default not of the parameter's type", "Since", "default", "default=\"2024-01-01\"", "yesterday", true},
      {"default of the parameter's type", "Since", "default", "default=\"2024-01-01\"", "2025-02-03", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    doc.Select({Named(doc.Tree().Root(), c.Control)});
    auto* line = window->Inspector().Editor(c.Attribute)->findChild<QLineEdit*>("line");
    QLabel* fault = window->Inspector().FaultLabel(c.Attribute);
    ASSERT_NE(line, nullptr);
    ASSERT_NE(fault, nullptr);
    line->selectAll();
    QTest::keyClicks(line, c.Typed);
    const std::string wanted =
        c.Bad ? LoaderFault(Replace(definition, c.Old,
                                    std::string(c.Attribute) + "=\"" + c.Typed + "\"" +
                                        (std::string(c.Attribute) == "printWhen" ? std::string(" ") + c.Old : "")),
                            c.Attribute)
              : std::string();
    EXPECT_EQ(fault->text().toStdString(), wanted);
    EXPECT_EQ(fault->isVisibleTo(window.get()), c.Bad);
    if (c.Bad) {
      EXPECT_NE(wanted, "");  // the loader refuses it too
    }
  }
  // Typing is not an edit: nothing reached the undo stack.
  EXPECT_EQ(doc.UndoStack().count(), 0);
}

TEST(Inspector, SeveralElementsShowSharedValuesAndChangeAsOneUndoStep) {
  auto window = test::DesignerWith(test::CustomerDefinition());
  TDesignDocument& doc = window->Document();
  TOxrNode& root = doc.Tree().Root();
  const std::string before = doc.Text();
  const std::vector<TOxrNode*> picked{Named(root, "Caption"), Named(root, "Company"), Named(root, "City")};
  doc.Select(picked);
  TInspector& inspector = window->Inspector();

  // Attributes all three allow; text belongs to labels only, field to the text only.
  EXPECT_NE(inspector.Editor("left"), nullptr);
  EXPECT_EQ(inspector.Editor("text"), nullptr);
  EXPECT_EQ(inspector.Editor("field"), nullptr);
  // Shared values are shown, differing ones blank.
  auto* size = inspector.Editor("fontSize")->findChild<QSpinBox*>("spin");
  EXPECT_EQ(size->text(), "10");
  auto* left = inspector.Editor("left")->findChild<QDoubleSpinBox*>("spin");
  EXPECT_EQ(left->value(), left->minimum());
  EXPECT_EQ(left->text().trimmed(), "");

  // A colour typed once goes to all three as one step.
  auto* colour = inspector.Editor("fontColor")->findChild<QComboBox*>("combo");
  colour->lineEdit()->selectAll();
  QTest::keyClicks(colour->lineEdit(), "navy");
  QTest::keyClick(colour->lineEdit(), Qt::Key_Return);
  ASSERT_EQ(doc.UndoStack().count(), 1);
  for (TOxrNode* n : picked) EXPECT_EQ(n->Attribute("fontColor"), "navy") << n->AttributeOr("name", "");
  EXPECT_EQ(colour->currentText(), "navy");

  // Each style box on its own: none is bold, one is italic.
  auto* bold = inspector.Editor("fontStyle")->findChild<QCheckBox*>("bold");
  auto* italic = inspector.Editor("fontStyle")->findChild<QCheckBox*>("italic");
  EXPECT_EQ(bold->checkState(), Qt::Unchecked);
  EXPECT_EQ(italic->checkState(), Qt::PartiallyChecked);
  // Bold set on all keeps the italic one of them had.
  QTest::mouseClick(bold, Qt::LeftButton);
  ASSERT_EQ(doc.UndoStack().count(), 2);
  EXPECT_EQ(picked[0]->Attribute("fontStyle"), "bold");
  EXPECT_EQ(picked[1]->Attribute("fontStyle"), "bold italic");
  EXPECT_EQ(bold->checkState(), Qt::Checked);
  EXPECT_EQ(italic->checkState(), Qt::PartiallyChecked);

  // A length typed into the blank field moves all three.
  left->selectAll();
  QTest::keyClicks(left, "12.5");
  QTest::keyClick(left, Qt::Key_Return);
  ASSERT_EQ(doc.UndoStack().count(), 3);
  for (TOxrNode* n : picked) EXPECT_EQ(n->Attribute("left"), "12.5");

  doc.UndoStack().undo();
  EXPECT_EQ(picked[1]->Attribute("left"), "40");
  EXPECT_EQ(left->text().trimmed(), "");  // differing again after the undo
  doc.UndoStack().undo();
  doc.UndoStack().undo();
  EXPECT_EQ(doc.Text(), before);
}

TEST(Inspector, AValueTypedBeforeTheSelectionChangesGoesToTheElementItWasTypedFor) {
  auto window = test::DesignerWith(test::CustomerDefinition());
  TDesignDocument& doc = window->Document();
  TOxrNode* caption = Named(doc.Tree().Root(), "Caption");
  TOxrNode* city = Named(doc.Tree().Root(), "City");
  doc.Select({caption});
  QApplication::setActiveWindow(window.get());
  auto* line = window->Inspector().Editor("text")->findChild<QLineEdit*>("line");
  line->setFocus();
  line->selectAll();
  QTest::keyClicks(line, "Firm");
  doc.Select({city});  // e.g. a click on another control; the field loses the focus
  QApplication::processEvents();
  EXPECT_EQ(caption->Attribute("text"), "Firm");
  EXPECT_EQ(city->Attribute("text"), "{Customer.City}");
}

TEST(Inspector, AValueItsTypeDoesNotAllowIsNamedUnderItsField) {
  std::string definition = test::CustomerDefinition();
  definition.replace(definition.find("paper=\"A4\""), 10, "paper=\"B5\" zoom=\"5\"");
  definition.replace(definition.find("left=\"40\""), 9, "left=\"4cm\" fontColor=\"pink\" enabled=\"yes\"");
  auto window = test::DesignerWith(definition);
  TDesignDocument& doc = window->Document();
  struct TCase {
    const char* Control;  // "" for the report
    const char* Attribute;
    const char* Message;  // "" when the value fits
  };
  const TCase cases[] = {
      {"", "paper", "The file holds 'B5' is not one of: A4, Letter, custom"},
      {"", "zoom", "The file holds '5' is out of range (10..1000)"},
      {"", "topMargin", ""},
      {"Company", "left", "The file holds '4cm' is not a length in millimetres (such as 12.7)"},
      {"Company", "fontColor", "The file holds 'pink' is not a colour"},
      {"Company", "enabled", "The file holds 'yes' is not true or false"},
      {"Company", "fontStyle", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Attribute);
    doc.Select(*c.Control ? std::vector<TOxrNode*>{Named(doc.Tree().Root(), c.Control)} : std::vector<TOxrNode*>{});
    QLabel* fault = window->Inspector().FaultLabel(c.Attribute);
    ASSERT_NE(fault, nullptr);
    if (*c.Message != 0) {
      EXPECT_TRUE(fault->text().startsWith(c.Message)) << fault->text().toStdString();
    } else {
      EXPECT_TRUE(fault->text().isEmpty()) << fault->text().toStdString();
    }
    EXPECT_EQ(fault->isVisibleTo(window.get()), *c.Message != 0);
  }
  // Set right, the message goes.
  doc.Select({Named(doc.Tree().Root(), "Company")});
  doc.SetAttributes({{Named(doc.Tree().Root(), "Company"), "left", std::string("40")}}, "Move");
  EXPECT_FALSE(window->Inspector().FaultLabel("left")->isVisibleTo(window.get()));
}

TEST(Inspector, ADatabaseThatCannotBeReachedIsNotTriedAgainAtEachCheck) {
  std::string definition = test::CustomerDefinition();
  definition.replace(definition.find("<report "), 8, "<report database=\"/nonexistent/folder/none.sqlite\" ");
  auto window = test::DesignerWith(definition);
  TDesignDocument& doc = window->Document();
  TAttributeChecker checker(doc);
  const std::vector<TOxrNode*> city{Named(doc.Tree().Root(), "City")};
  const std::vector<TOxrNode*> company{Named(doc.Tree().Root(), "Company")};
  EXPECT_EQ(checker.Check(TCheckKind::TokenText, city, "text", "{Customer.Cty}"), std::nullopt);  // names unknown
  EXPECT_EQ(checker.Loads(), 1);
  EXPECT_EQ(checker.Check(TCheckKind::Condition, company, "printWhen", "Customer.CustNo > 1"), std::nullopt);
  EXPECT_EQ(checker.Loads(), 1);
  // The syntax is still checked.
  const auto fault = checker.Check(TCheckKind::Condition, company, "printWhen", "Customer.CustNo >");
  ASSERT_TRUE(fault.has_value());
  EXPECT_EQ(checker.Loads(), 1);
}

TEST(Inspector, NothingSelectedEditsTheReport) {
  auto window = test::DesignerWith(test::CustomerDefinition());
  TDesignDocument& doc = window->Document();
  ASSERT_EQ(window->Inspector().Targets(), std::vector<TOxrNode*>{&doc.Tree().Root()});
  auto* paper = window->Inspector().Editor("paper")->findChild<QComboBox*>("combo");
  ASSERT_NE(paper, nullptr);
  EXPECT_EQ(paper->currentText(), "A4");
  paper->setCurrentIndex(paper->findText("Letter"));
  emit paper->activated(paper->currentIndex());
  EXPECT_EQ(doc.Tree().Root().Attribute("paper"), "Letter");
  // A boolean cleared back to partly checked removes the attribute.
  auto* box = window->Inspector().Editor("printIfEmpty")->findChild<QCheckBox*>("check");
  EXPECT_EQ(box->checkState(), Qt::PartiallyChecked);
  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_EQ(doc.Tree().Root().Attribute("printIfEmpty"), "true");
  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_EQ(doc.Tree().Root().Attribute("printIfEmpty"), "false");
  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_EQ(doc.Tree().Root().Attribute("printIfEmpty"), std::nullopt);
}

}  // namespace
}  // namespace oxqr
