// Cross-tabs through the command-line exporter, read by programs no one here wrote: the
// numbers pdftotext finds are the sums sqlite3 computes from the same orders, openpyxl finds
// them as typed numbers in a grid under their headers, and the pages that poppler, Chromium
// and LibreOffice draw agree with the page picture.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "../CrossTabFixture.h"
#include "../DefinitionTestSupport.h"
#include "tests/OxQrExport/support/Fidelity.h"
#include "tests/OxQrExport/support/ReaderSupport.h"

namespace fs = std::filesystem;

namespace oxqr {
namespace {

using testing::HaveProgram;
using testing::RunShell;
using testing::ShellQuote;

const std::string kDatabase = std::string(OXQR_TEST_BINARY_DIR) + "/data/DEMODATA.sqlite";
const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};

// 1234567.5 as "1,234,567.50".
std::string Money(double v) {
  char digits[64];
  std::snprintf(digits, sizeof digits, "%.2f", std::fabs(v));
  std::string whole(digits, std::string(digits).find('.'));
  std::string out;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) out += ',';
    out += whole[i];
  }
  return (v < 0 ? "-" : "") + out + std::string(digits).substr(std::string(digits).find('.'));
}

// Lines of `sql`'s answer from sqlite3, fields split at '|'.
std::vector<std::vector<std::string>> Query(const std::string& sql) {
  std::istringstream in(RunShell("sqlite3 " + ShellQuote(kDatabase) + " " + ShellQuote(sql)).Output);
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields;
    std::istringstream f(line);
    for (std::string field; std::getline(f, field, '|');) fields.push_back(field);
    rows.push_back(fields);
  }
  return rows;
}

// The words of every line of `text` that starts with `first`, in order.
std::vector<std::string> WordsAfter(const std::string& text, const std::string& first) {
  std::vector<std::string> words;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream w(line);
    std::string word;
    if (!(w >> word) || word != first) continue;
    while (w >> word) words.push_back(word);
  }
  return words;
}

class CrossTabReaders : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveProgram("sqlite3") || !HaveProgram("pdftotext")) GTEST_SKIP() << "sqlite3 or pdftotext is missing";
  }
  // Writes `definition` as x.oxr and exports it to `output` in the scratch folder.
  void Export(const std::string& definition, const std::string& output, const std::string& options = "") {
    std::ofstream(dir_.Path / "x.oxr") << definition;
    const auto run =
        RunShell("cd " + ShellQuote(dir_.Path.string()) + " && QT_QPA_PLATFORM=offscreen " + ShellQuote(OXQR_EXPORTER) +
                 " --quiet --db " + ShellQuote(kDatabase) + " " + options + " x.oxr " + output + " 2>&1");
    ASSERT_EQ(run.Status, 0) << run.Output;
  }
  std::string Pdf(const std::string& name) {
    return RunShell("pdftotext -layout " + ShellQuote((dir_.Path / name).string()) + " -").Output;
  }
  fs::path Path(const std::string& name) const { return dir_.Path / name; }

  test::TScratchDir dir_{"crosstab-readers"};
};

// Every payment method's line holds its monthly sums in calendar order and its total, and
// the totals line the months' sums and the grand total, as sqlite3 sums the same orders.
TEST_F(CrossTabReaders, PdfNumbersAreTheSqlSums) {
  Export(test::CrossTabByMonth(), "x.pdf");
  const std::string text = Pdf("x.pdf");
  std::map<std::string, std::vector<std::string>> expected;
  for (const auto& r : Query("SELECT PaymentMethod, CAST(strftime('%m', SaleDate) AS INTEGER), SUM(AmountPaid) "
                             "FROM orders GROUP BY 1, 2 ORDER BY 1, 2"))
    expected[r[0]].push_back(Money(std::stod(r[2])));
  ASSERT_EQ(expected.size(), 7u);
  for (const auto& r : Query("SELECT PaymentMethod, SUM(AmountPaid) FROM orders GROUP BY 1"))
    expected[r[0]].push_back(Money(std::stod(r[1])));
  for (const auto& [method, numbers] : expected) EXPECT_EQ(WordsAfter(text, method), numbers) << method;

  std::vector<std::string> totals;
  for (const auto& r : Query("SELECT SUM(AmountPaid) FROM orders GROUP BY strftime('%m', SaleDate) ORDER BY 1 * "
                             "strftime('%m', SaleDate)"))
    totals.push_back(Money(std::stod(r[0])));
  totals.push_back(Money(std::stod(Query("SELECT SUM(AmountPaid) FROM orders")[0][0])));
  EXPECT_EQ(WordsAfter(text, "Total"), totals);
  // The months in calendar order over two pieces of columns, the second with the totals.
  std::vector<std::string> headers;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (line.find("January") != std::string::npos || line.find("August") != std::string::npos) {
      std::istringstream w(line);
      for (std::string word; w >> word;) headers.push_back(word);
    }
  std::vector<std::string> months(std::begin(kMonths), std::end(kMonths));
  months.push_back("Total");
  EXPECT_EQ(headers, months);
}

// A cross-tab in a group footer starts again with each group: each country's grand total is
// its own count of orders; the summary's, reset by the group, holds only the last country.
TEST_F(CrossTabReaders, GroupFooterTablesCountTheirGroupsOrders) {
  Export(test::CrossTabPerCountry(), "x.pdf");
  const std::string text = Pdf("x.pdf");
  std::vector<std::string> grand;  // the last word of each "All" line: a table's grand total
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream w(line);
    std::string word, last;
    if (!(w >> word) || word != "All") continue;
    while (w >> word) last = word;
    grand.push_back(last);
  }
  std::vector<std::string> expected;
  for (const auto& r : Query("SELECT c.Country, COUNT(*) FROM orders o JOIN customer c ON c.CustNo = o.CustNo "
                             "GROUP BY 1 ORDER BY 1"))
    expected.push_back(r[1]);
  EXPECT_EQ(grand, expected);
  const auto last = Query(
      "SELECT MAX(o.AmountPaid) FROM orders o JOIN customer c ON c.CustNo = o.CustNo "
      "WHERE c.Country = (SELECT MAX(Country) FROM customer c2 JOIN orders o2 ON o2.CustNo = c2.CustNo)");
  char maxText[32];
  std::snprintf(maxText, sizeof maxText, "%.2f", std::stod(last[0][0]));
  const auto totals = WordsAfter(text, "Total");
  ASSERT_FALSE(totals.empty());
  EXPECT_EQ(totals.back(), maxText);
}

// openpyxl: each value is a number cell under its month's header and beside its method, in
// the mask's number format, and the totals are numbers too.
TEST_F(CrossTabReaders, WorkbookHoldsTypedNumbersInAGrid) {
  if (RunShell("/usr/bin/python3 -c 'import openpyxl' 2>/dev/null").Status != 0) GTEST_SKIP() << "openpyxl is missing";
  Export(test::CrossTabByMonth(), "x.xlsx");
  const std::string script =
      "import openpyxl, sys\n"
      "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
      "heads = {}\n"
      "for row in ws.iter_rows():\n"
      "  first = row[0].value\n"
      "  if all(c.value is None for c in row):\n"
      "    continue\n"
      "  if first is None:\n"
      "    heads = {c.column: c.value for c in row if c.value is not None}\n"
      "    continue\n"
      "  for c in row[1:]:\n"
      "    if c.value is not None:\n"
      "      print('%s|%s|%s|%r|%s' % (first, heads.get(c.column), c.data_type, c.value, c.number_format))\n";
  std::istringstream out(
      RunShell("/usr/bin/python3 -c " + ShellQuote(script) + " " + ShellQuote(Path("x.xlsx").string())).Output);
  std::map<std::pair<std::string, std::string>, double> seen;
  for (std::string line; std::getline(out, line);) {
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, '|');) f.push_back(field);
    ASSERT_EQ(f.size(), 5u) << line;
    EXPECT_EQ(f[2], "n") << line;
    EXPECT_EQ(f[4], "#,##0.00") << line;
    seen[{f[0], f[1]}] = std::stod(f[3]);
  }
  int compared = 0;
  for (const auto& r : Query("SELECT PaymentMethod, CAST(strftime('%m', SaleDate) AS INTEGER), SUM(AmountPaid) FROM "
                             "orders GROUP BY 1, 2")) {
    const auto at = seen.find({r[0], kMonths[std::stoi(r[1]) - 1]});
    ASSERT_NE(at, seen.end()) << r[0] << " " << r[1];
    EXPECT_NEAR(at->second, std::stod(r[2]), 0.005) << r[0] << " " << r[1];
    ++compared;
  }
  EXPECT_GT(compared, 70);
  const auto grand = seen.find({"Total", "Total"});
  ASSERT_NE(grand, seen.end());
  EXPECT_NEAR(grand->second, std::stod(Query("SELECT SUM(AmountPaid) FROM orders")[0][0]), 0.005);
}

// xlrd and Python's csv module: each method's row holds its sums as numbers, one cell each,
// in both pieces of columns (the second ending with its total).
TEST_F(CrossTabReaders, WorksheetAndCsvRowsHoldTheSumsAsNumbers) {
  if (RunShell("/usr/bin/python3 -c 'import xlrd' 2>/dev/null").Status != 0) GTEST_SKIP() << "xlrd is missing";
  Export(test::CrossTabByMonth(), "x.xls");
  Export(test::CrossTabByMonth(), "x.csv");
  const std::string xls =
      "import xlrd, sys\n"
      "s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
      "for r in range(s.nrows):\n"
      "  if s.cell_value(r, 0) == sys.argv[2]:\n"
      "    print(' '.join('%.2f' % s.cell_value(r, c) for c in range(1, s.ncols) if s.cell_type(r, c) == 2))\n";
  const std::string csv =
      "import csv, sys\n"
      "for row in csv.reader(open(sys.argv[1], newline='')):\n"
      "  if row and row[0] == sys.argv[2]:\n"
      "    print(' '.join('%.2f' % float(v) for v in row[1:] if v))\n";
  for (const auto& r : Query("SELECT PaymentMethod FROM orders GROUP BY 1")) {
    std::string expected;
    for (const auto& m : Query("SELECT printf('%.2f', SUM(AmountPaid)) FROM orders WHERE PaymentMethod = '" + r[0] +
                               "' GROUP BY strftime('%m', SaleDate) ORDER BY strftime('%m', SaleDate)"))
      expected += m[0] + " ";
    const auto total = Query("SELECT printf('%.2f', SUM(AmountPaid)) FROM orders WHERE PaymentMethod = '" + r[0] + "'");
    expected += total[0][0];
    for (const auto& [script, file] : {std::pair{xls, "x.xls"}, {csv, "x.csv"}}) {
      std::istringstream lines(RunShell("/usr/bin/python3 -c " + ShellQuote(script) + " " +
                                        ShellQuote(Path(file).string()) + " " + ShellQuote(r[0]))
                                   .Output);
      std::string joined;
      for (std::string line; std::getline(lines, line);) joined += (joined.empty() ? "" : " ") + line;
      EXPECT_EQ(joined, expected) << file << " " << r[0];
    }
  }
}

TEST_F(CrossTabReaders, DefinitionIsValidAgainstTheSchema) {
  if (!HaveProgram("xmllint")) GTEST_SKIP() << "xmllint is missing";
  const fs::path schema = fs::path(OXQR_TEST_SOURCE_DIR) / "definition" / "oxr.xsd";
  for (const std::string& text : {test::CrossTabByMonth(), test::CrossTabPerCountry()}) {
    std::ofstream(Path("v.oxr")) << text;
    EXPECT_EQ(RunShell("xmllint --noout --schema " + ShellQuote(schema.string()) + " " +
                       ShellQuote(Path("v.oxr").string()) + " 2>&1")
                  .Status,
              0);
  }
}

// Rendered pages against the page picture (JPEG at 96 dpi) at the formats' floors.
TEST_F(CrossTabReaders, RenderedPagesAgreeWithThePagePicture) {
  Export(test::CrossTabByMonth(), "p.jpg");
  const QImage picture(QString::fromStdString(Path("p0001.jpg").string()));
  ASSERT_FALSE(picture.isNull());
  const auto expect = [&](const fs::path& rendered, const char* what, double floor) {
    const QImage image(QString::fromStdString(rendered.string()));
    ASSERT_FALSE(image.isNull()) << what;
    const testing::TFidelity f = testing::CompareDarkPixels(image, picture);
    std::printf("[ fidelity ] cross-tab %s: %.4f / %.4f\n", what, f.AInB, f.BInA);
    EXPECT_GE(f.Min(), floor) << what;
  };
  if (HaveProgram("pdftoppm")) {
    Export(test::CrossTabByMonth(), "x.pdf");
    RunShell("pdftoppm -r 96 -png -singlefile " + ShellQuote(Path("x.pdf").string()) + " " +
             ShellQuote(Path("pdf").string()));
    expect(Path("pdf.png"), "pdf", 0.99);
  }
  if (HaveProgram("chromium")) {
    Export(test::CrossTabByMonth(), "h.htm", "--set HTML.ShowNavigator=False");
    RunShell(
        "timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
        "--force-device-scale-factor=1 --window-size=794,1123 --user-data-dir=" +
        ShellQuote(Path(".chromium").string()) + " --screenshot=" + ShellQuote(Path("h.png").string()) + " " +
        ShellQuote(Path("h0001.htm").string()) + " >/dev/null 2>&1");
    expect(Path("h.png"), "html", 0.98);
  }
  if (HaveProgram("soffice") && HaveProgram("pdftoppm")) {
    Export(test::CrossTabByMonth(), "r.rtf");
    const fs::path pdf = testing::SofficeConvert(Path("r.rtf"), "pdf", Path("rtf"));
    ASSERT_TRUE(fs::exists(pdf));
    RunShell("pdftoppm -r 96 -png -singlefile " + ShellQuote(pdf.string()) + " " + ShellQuote(Path("rtf").string()));
    expect(Path("rtf.png"), "rtf", 0.9);
  }
}

}  // namespace
}  // namespace oxqr
