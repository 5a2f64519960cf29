// The sample reports (but the labels, whose three labels across print the same values in
// three columns) and a grouped report of orders exported by the command-line program as
// .xlsx, .xls and .csv and read by openpyxl, xlrd and Python's csv module: every value that
// repeats (a caption on each page, a number format of one field) stays in one sheet column,
// a caption stands above its values, and every CSV row has the same number of fields.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>
#include <iostream>
#include <ostream>
#include <string>

#include "platform/Files.h"
#include "support/ReaderSupport.h"
#include "xlsx/WorkbookReaders.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using namespace oxqr::testing;

// Orders grouped by their payment method on several pages: captions in the page header, a
// right-aligned number and amount whose widths change from page to page, a group caption and
// a page number at the band's right edge.
constexpr const char* kGroupedReport = R"(<?xml version="1.0" encoding="UTF-8"?>
<report title="Orders by payment" paper="A4" topMargin="10" bottomMargin="10"
        leftMargin="15" rightMargin="15" dataset="Orders">
  <query name="Orders">SELECT o.PaymentMethod, o.OrderNo, c.Company, o.ShipToCity, o.AmountPaid
    FROM orders o JOIN customer c ON c.CustNo = o.CustNo ORDER BY o.PaymentMethod, o.OrderNo</query>
  <band type="title" height="10">
    <label left="0" top="1" width="180" height="8" text="Orders by payment" fontSize="14" align="center"
           alignToBand="true"/>
  </band>
  <band type="pageHeader" height="7">
    <label left="0" top="1" width="20" height="5" text="Order" fontStyle="bold" align="right"/>
    <label left="25" top="1" width="70" height="5" text="Company" fontStyle="bold"/>
    <label left="100" top="1" width="40" height="5" text="City" fontStyle="bold"/>
    <label left="145" top="1" width="35" height="5" text="Amount" fontStyle="bold" align="right"/>
  </band>
  <band type="groupHeader" name="ByMethod" field="Orders.PaymentMethod" height="7" color="silver">
    <label left="0" top="1" width="100" height="5" text="Paid by {Orders.PaymentMethod}" fontStyle="bold"/>
  </band>
  <band type="detail" height="5">
    <text left="0" top="0" width="20" height="5" field="Orders.OrderNo" align="right"/>
    <text left="25" top="0" width="70" height="5" field="Orders.Company"/>
    <text left="100" top="0" width="40" height="5" field="Orders.ShipToCity"/>
    <label left="145" top="0" width="35" height="5" align="right" text="{Orders.AmountPaid:#,##0.00}"/>
  </band>
  <band type="pageFooter" height="7">
    <label left="130" top="1" width="50" height="5" text="Page {page}" align="right" alignToBand="true"/>
  </band>
</report>
)";

// Reads a sheet or CSV file and prints, as JSON, the columns of every value that occurs in more
// than one column ("split"), the distinct field counts of the CSV rows and the columns of the
// texts that match each named pattern.
constexpr const char* kColumnsScript = R"(
import sys, json, re, csv
path, kind = sys.argv[1], sys.argv[2]
patterns = json.loads(sys.argv[3])
cells, counts = [], set()
# A whole number as the digits a pattern can match; other numbers match no pattern.
whole = lambda v: '%d' % v if isinstance(v, (int, float)) and float(v).is_integer() else None
if kind == 'xlsx':
  import openpyxl, datetime
  for row in openpyxl.load_workbook(path).worksheets[0].iter_rows():
    for c in row:
      if c.value is None: continue
      if isinstance(c.value, (int, float, datetime.datetime, datetime.date)):
        cells.append((c.column - 1, 'number ' + c.number_format, whole(c.value)))
      else:
        cells.append((c.column - 1, 'text ' + str(c.value), str(c.value)))
elif kind == 'xls':
  import xlrd
  s = xlrd.open_workbook(path).sheet_by_index(0)
  for r in range(s.nrows):
    for c in range(s.ncols):
      cell = s.cell(r, c)
      if cell.ctype == 1: cells.append((c, 'text ' + cell.value, cell.value))
      elif cell.ctype in (2, 3): cells.append((c, 'number %d' % cell.ctype, whole(cell.value)))
else:
  with open(path, newline='', encoding='utf-8') as f:
    for row in csv.reader(f, strict=True):
      counts.add(len(row))
      cells += [(c, 'text ' + v, v) for c, v in enumerate(row) if v != '']
where = {}
for col, key, _ in cells: where.setdefault(key, set()).add(col)
matched = {name: sorted({col for col, _, t in cells if t is not None and re.fullmatch(p, t)})
           for name, p in patterns.items()}
print(json.dumps({'split': {k: sorted(v) for k, v in where.items() if len(v) > 1},
                  'fieldCounts': sorted(counts), 'cells': len(cells), 'matched': matched}))
)";

struct ColumnsCase {
  const char* Name;
  const char* Report;    // a sample's name, or "" for the grouped report
  const char* Format;    // xlsx, xls or csv
  const char* Patterns;  // JSON: name -> pattern of the texts that must share one column
  friend void PrintTo(const ColumnsCase& c, std::ostream* os) { *os << c.Name; }
};

class SheetColumns : public ::testing::TestWithParam<ColumnsCase> {
 protected:
  void SetUp() override {
    if (!HaveOpenpyxl() || RunShell("/usr/bin/python3 -c 'import xlrd' 2>/dev/null").Status != 0)
      GTEST_SKIP() << "python3-openpyxl or python3-xlrd missing";
    dir_ = fs::temp_directory_path() / ("oxqr-sheet-columns-" + std::string(GetParam().Name));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir_.empty() && std::getenv("OXQR_KEEP_SCRATCH") == nullptr) fs::remove_all(dir_, ec);
  }
  fs::path dir_;
};

TEST_P(SheetColumns, EveryReportColumnStaysInOneSheetColumn) {
  const auto& c = GetParam();
  std::string report = c.Report;
  if (report.empty()) {
    report = (dir_ / "grouped.oxr").string();
    WriteFileBytes(report, kGroupedReport);
  }
  const fs::path out = dir_ / ("out." + std::string(c.Format));
  const auto run = RunShell(std::string(OXQR_EXPORTER) + " --quiet --db " + ShellQuote(OXQR_DEMODATA) + " " +
                            ShellQuote(report) + " " + ShellQuote(out.string()) + " 2>&1");
  ASSERT_EQ(run.Status, 0) << run.Output;
  const auto py = RunShell("/usr/bin/python3 -c " + ShellQuote(kColumnsScript) + " " + ShellQuote(out.string()) + " " +
                           c.Format + " " + ShellQuote(c.Patterns) + " 2>&1");
  ASSERT_EQ(py.Status, 0) << py.Output;
  const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(py.Output)).object();
  const auto json = [](const QJsonValue& v) {
    return QJsonDocument(v.isObject() ? QJsonDocument(v.toObject()) : QJsonDocument(v.toArray()))
        .toJson(QJsonDocument::Compact)
        .toStdString();
  };
  EXPECT_GT(o["cells"].toInt(), 0);
  EXPECT_TRUE(o["split"].toObject().isEmpty()) << json(o["split"]);
  if (std::string(c.Format) == "csv") {
    EXPECT_EQ(o["fieldCounts"].toArray().size(), 1) << json(o["fieldCounts"]);
  }
  // Each named pair of patterns (a caption and its values) shares one column.
  const QJsonObject matched = o["matched"].toObject();
  for (auto it = matched.begin(); it != matched.end(); ++it)
    EXPECT_EQ(it.value().toArray().size(), 1) << it.key().toStdString() << " in columns " << json(it.value());
  std::cout << "[columns] " << c.Name << ": " << o["cells"].toInt() << " cells, columns " << json(matched)
            << ", CSV field counts " << json(o["fieldCounts"]) << "\n";
}

// Captions share the column of their values: "Order" with the order numbers (texts in CSV,
// numbers in the workbooks), "Amount" with the amounts; the group captions and the page
// numbers keep one column each.
constexpr const char* kGroupedPatterns =
    R"({"amount": "Amount|[0-9]{1,3}(,[0-9]{3})*\\.[0-9]{2}", "order": "Order|[0-9]{4}",)"
    R"( "group": "Paid by .*", "page": "Page [0-9]+"})";
constexpr const char* kCustomersPatterns =
    R"({"amount": "Amount Paid|\\$[0-9,]+\\.[0-9]{2}", "order": "Order #|#[0-9]{4}"})";

INSTANTIATE_TEST_SUITE_P(Reports, SheetColumns,
                         ::testing::Values(ColumnsCase{"CustomersXlsx", "customers", "xlsx", "{}"},
                                           ColumnsCase{"CustomersXls", "customers", "xls", kCustomersPatterns},
                                           ColumnsCase{"CustomersCsv", "customers", "csv", kCustomersPatterns},
                                           ColumnsCase{"EventsXlsx", "events", "xlsx", "{}"},
                                           ColumnsCase{"EventsCsv", "events", "csv", "{}"},
                                           ColumnsCase{"RichTextCsv", "richtext", "csv", "{}"},
                                           ColumnsCase{"ChartCsv", "chart", "csv", "{}"},
                                           ColumnsCase{"GroupedXlsx", "", "xlsx", kGroupedPatterns},
                                           ColumnsCase{"GroupedXls", "", "xls", kGroupedPatterns},
                                           ColumnsCase{"GroupedCsv", "", "csv", kGroupedPatterns}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace oxqr
