#pragma once
// A report of customers, each with a sub-report listing its orders: the database, the two
// definitions, and what SQLite itself says the report must show.
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/data/TestDatabases.h"

namespace oxqr::test {

// 150 orders over three customers (one with a name that would end an SQL string if it were
// pasted into the query), and a fourth customer without orders.
inline const char* kSubReportSql = R"(
CREATE TABLE customer (CustNo INTEGER, Company TEXT);
CREATE TABLE orders (OrderNo INTEGER, CustNo INTEGER, Amount CURRENCY);
INSERT INTO customer VALUES (1, 'Alpha'), (2, 'O''Brien''; DROP TABLE orders; --'), (3, 'Gamma'), (4, 'Empty');
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 150)
INSERT INTO orders SELECT 1000 + i, 1 + i % 3, i * 1.25 FROM n;
)";

// Both definitions call their dataset Data: each reads its own.
inline const char* kOuterOxr = R"oxr(<?xml version="1.0" encoding="UTF-8"?>
<report title="Customers" paper="A4" topMargin="10" bottomMargin="10" leftMargin="15" rightMargin="15" dataset="Data">
  <query name="Data">SELECT CustNo, Company FROM customer ORDER BY CustNo</query>
  <band type="pageHeader" height="8">
    <label left="0" top="1" width="180" height="5" text="Outer header {page}"/>
  </band>
  <band type="groupHeader" name="ByCustomer" field="Data.CustNo" footer="CustomerEnd" height="7">
    <label left="0" top="1" width="180" height="5" fontStyle="bold" text="Customer {Data.CustNo}"/>
    <subreport name="Lines" file="parts/lines.oxr" parameters="CustNo={Data.CustNo}; Company={Data.Company}">
      <total name="Amount" expression="sum(Data.Amount)" format="0.00"/>
      <total name="Count" expression="count(Data)"/>
    </subreport>
  </band>
  <band type="detail" height="0"/>
  <band type="groupFooter" name="CustomerEnd" height="7">
    <label left="0" top="1" width="180" height="5" text="Read back {Data.CustNo}: {Lines.Count} orders {Lines.Amount}"/>
  </band>
  <band type="summary" height="8">
    <label left="0" top="1" width="180" height="5" text="Grand total {sum(Lines.Amount):0.00} of {sum(Lines.Count)} orders"/>
  </band>
  <band type="pageFooter" height="8">
    <label left="0" top="1" width="180" height="5" text="Outer footer {page}"/>
  </band>
</report>
)oxr";

inline const char* kInnerOxr = R"oxr(<?xml version="1.0" encoding="UTF-8"?>
<report title="Orders of" dataset="Data">
  <parameter name="CustNo" type="integer"/>
  <parameter name="Company" type="string"/>
  <query name="Data">SELECT o.OrderNo, o.Amount FROM orders o JOIN customer c ON c.CustNo = o.CustNo
    WHERE o.CustNo = :CustNo AND c.Company = :Company ORDER BY o.OrderNo</query>
  <band type="title" height="6">
    <label left="5" top="1" width="170" height="4" text="{title} {param:CustNo}: {count(Data)}"/>
  </band>
  <band type="pageHeader" height="6">
    <label left="5" top="1" width="170" height="4" text="Inner page header"/>
  </band>
  <band type="detail" height="5">
    <label left="5" top="0" width="170" height="5" text="Order {Data.OrderNo} {Data.Amount:0.00}"/>
  </band>
  <band type="summary" height="6">
    <label left="5" top="1" width="170" height="4" text="Inner total {sum(Data.Amount):0.00} in {count(Data)}"/>
  </band>
</report>
)oxr";

// Rows of `sql` on the database at `path`, each column as text.
inline std::vector<std::vector<std::string>> SqlRows(const std::string& path, const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return rows;
  }
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
    while (sqlite3_step(st) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        const auto* text = sqlite3_column_text(st, i);
        row.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "");
      }
      rows.push_back(std::move(row));
    }
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return rows;
}

// Writes the database and the definitions into `dir` (the sub-report in a folder of its own).
inline void WriteSubReportFixture(const std::filesystem::path& dir) {
  CreateDatabase((dir / "shop.sqlite").string(), kSubReportSql);
  std::filesystem::create_directories(dir / "parts");
  std::ofstream(dir / "customers.oxr") << kOuterOxr;
  std::ofstream(dir / "parts" / "lines.oxr") << kInnerOxr;
}

}  // namespace oxqr::test
