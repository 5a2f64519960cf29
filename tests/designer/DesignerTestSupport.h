#pragma once
// What the designer tests share: a small customer database, a definition over it, and a
// designer window holding that definition.
#include <QApplication>
#include <filesystem>
#include <memory>
#include <string>

#include "definition/OxrDocument.h"
#include "designer/DesignDocument.h"
#include "designer/DesignLoad.h"
#include "designer/DesignerWindow.h"

namespace oxqr::test {

// The sample database of the build.
inline std::string CustomerDatabase() { return OXQR_DEMODATA; }

// A report of the first five customers: a title, and a detail band of 100 mm (two to a
// page, so five customers make three pages) with a label, a text and a shape. `detail` replaces the
// detail band's controls when given.
inline std::string CustomerDefinition(const std::string& detail = {}) {
  const std::string controls =
      detail.empty()
          ? "    <label name=\"Caption\" left=\"0\" top=\"0\" width=\"30\" height=\"5\" text=\"Company\" "
            "fontSize=\"10\"/>\n"
            "    <text name=\"Company\" left=\"40\" top=\"0\" width=\"60\" height=\"5\" field=\"Customer.Company\" "
            "fontSize=\"10\" fontStyle=\"italic\"/>\n"
            "    <label name=\"City\" left=\"110\" top=\"0\" width=\"30\" height=\"5\" text=\"{Customer.City}\" "
            "fontSize=\"10\"/>\n"
            "    <shape name=\"Box\" left=\"0\" top=\"6\" width=\"190\" height=\"1\" shape=\"horizontalLine\"/>\n"
          : detail;
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<report name=\"Customers\" title=\"Customers\" paper=\"A4\" topMargin=\"10\" bottomMargin=\"10\""
         " leftMargin=\"10\" rightMargin=\"10\" dataset=\"Customer\">\n"
         "  <parameter name=\"Since\" type=\"date\" default=\"2024-01-01\"/>\n"
         "  <query name=\"Customer\">SELECT CustNo, Company, City FROM customer ORDER BY CustNo LIMIT 5</query>\n"
         "  <band type=\"title\" name=\"Title\" height=\"10\">\n"
         "    <label name=\"Heading\" left=\"0\" top=\"0\" width=\"100\" height=\"8\" text=\"Customers\"/>\n"
         "  </band>\n"
         "  <band type=\"detail\" name=\"Detail\" height=\"100\">\n" +
         controls +
         "  </band>\n"
         "</report>\n";
}

// A designer window holding `definition` as the file customers.oxr in the temporary folder.
inline std::unique_ptr<TDesignerWindow> DesignerWith(const std::string& definition) {
  auto window = std::make_unique<TDesignerWindow>();
  window->Document().SetDefaultDatabase(QString::fromStdString(CustomerDatabase()));
  const std::string file = (std::filesystem::temp_directory_path() / "customers.oxr").string();
  window->Document().Reset(ReadOxrDocument(definition, file), QString::fromStdString(file));
  window->show();  // laid out, so that clicks land on the editors
  return window;
}

// The first element named `name` (depth first), or nullptr.
inline TOxrNode* Named(TOxrNode& node, const std::string& name) {
  if (node.IsElement() && node.Attribute("name") == name) return &node;
  for (const auto& child : node.Children())
    if (TOxrNode* found = Named(*child, name)) return found;
  return nullptr;
}

}  // namespace oxqr::test
