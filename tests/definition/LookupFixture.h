#pragma once
// An invoice per order that looks up its own customer: the orders drive the report, a
// dataset linked to them (a table or a query with the order as its master) gives the
// customer's name to a group header, the detail and the group's footer, and a sub-detail
// band lists each order's items. The SQL runs on SQLite
// and PostgreSQL alike.
#include <filesystem>
#include <string>
#include <vector>

#include "DefinitionTestSupport.h"
#include "definition/ReportDefinition.h"

namespace oxqr::test {

inline const char* const kInvoiceSql =
    "CREATE TABLE customers (CustNo INTEGER, Company TEXT);\n"
    "INSERT INTO customers VALUES (1, 'Alpha Tools'), (2, 'Beta Boats'), (3, 'Gamma Gears');\n"
    "CREATE TABLE orders (OrderNo INTEGER, CustNo INTEGER);\n"
    "INSERT INTO orders VALUES (101, 3), (102, 1), (103, 3), (104, 9), (105, 2);\n"
    "CREATE TABLE items (OrderNo INTEGER, Part TEXT);\n"
    "INSERT INTO items VALUES (101, 'bolt'), (101, 'nut'), (103, 'gear'), (105, 'sail'), (105, 'rope'),"
    " (105, 'mast');\n";

// The ways a definition looks a customer up from its order.
struct TLookupCase {
  const char* Name;
  const char* Dataset;
};
inline const std::vector<TLookupCase>& LookupCases() {
  static const std::vector<TLookupCase> cases{
      {"table", R"(<table name="Customer" table="customers" master="Orders" masterFields="CustNo" index="CustNo"/>)"},
      {"query",
       R"(<query name="Customer" master="Orders">SELECT Company FROM customers WHERE CustNo = :CustNo</query>)"},
  };
  return cases;
}

inline std::string InvoiceDefinition(const TLookupCase& lookup) {
  return std::string(R"(<?xml version="1.0" encoding="UTF-8"?>
<report title="Invoices" paper="A4" topMargin="10" bottomMargin="10" leftMargin="10" rightMargin="10"
        dataset="Orders">
  <table name="Orders" table="orders" index="OrderNo"/>
  )") + lookup.Dataset + R"(
  <table name="Items" table="items" master="Orders" masterFields="OrderNo" index="OrderNo"/>
  <band type="groupHeader" name="ByCustomer" field="Orders.CustNo" footer="CustomerEnd" height="5">
    <label left="0" top="0" width="150" height="5" text="Customer: {Customer.Company}"/>
  </band>
  <band type="detail" height="6">
    <label left="0" top="0" width="150" height="5" text="Invoice {Orders.OrderNo} to [{Customer.Company}]"/>
  </band>
  <band type="subDetail" name="Lines" dataset="Items" height="5">
    <text left="20" top="0" width="60" height="5" field="Items.Part"/>
  </band>
  <band type="groupFooter" name="CustomerEnd" height="5">
    <label left="0" top="0" width="150" height="5" text="End of {Customer.Company}"/>
  </band>
</report>
)";
}

// What every invoice must show: its own customer (none for an unknown number) in its group's
// header, its own line and its group's footer (printed when the orders have moved on), and
// all its items.
inline const std::vector<std::string> kInvoiceLines{
    "Customer: Gamma Gears", "Invoice 101 to [Gamma Gears]", "bolt", "nut", "End of Gamma Gears",
    "Customer: Alpha Tools", "Invoice 102 to [Alpha Tools]", "End of Alpha Tools",
    "Customer: Gamma Gears", "Invoice 103 to [Gamma Gears]", "gear", "End of Gamma Gears",
    "Customer:", "Invoice 104 to []", "End of",
    "Customer: Beta Boats", "Invoice 105 to [Beta Boats]", "sail", "rope", "mast", "End of Beta Boats"};

// The report of `lookup` over `database` exported as text, one trimmed line per line that
// holds text (the page's end line left out).
inline std::vector<std::string> InvoiceLines(const TLookupCase& lookup, const std::string& database,
                                             const std::filesystem::path& dir) {
  TDefinitionOptions options;
  options.DatabasePath = database;
  const auto definition = LoadReportDefinitionText(InvoiceDefinition(lookup), (dir / "invoices.oxr").string(), options);
  SaveTypes(definition->Report(), dir / "invoices", {"txt"});
  std::vector<std::string> lines;
  std::istringstream text(ReadText(dir / "invoices.txt"));
  for (std::string line; std::getline(text, line);) {
    const auto first = line.find_first_not_of(" \r\f");
    if (first == std::string::npos || line.find_first_not_of("- \r\f", first) == std::string::npos) continue;
    lines.push_back(line.substr(first, line.find_last_not_of(" \r\f") - first + 1));
  }
  return lines;
}

}  // namespace oxqr::test
