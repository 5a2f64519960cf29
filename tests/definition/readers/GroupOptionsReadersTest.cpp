// Group options and growing controls through the command-line exporter, read back by
// programs no one here wrote: xmllint takes the definitions, pdftotext finds each invoice's
// own "Page N of M" and where the lines below a growing address block landed.
#include <gtest/gtest.h>

#include <QPainter>
#include <map>
#include <regex>
#include <sstream>

#include "../DefinitionTestSupport.h"
#include "definition/ReportDefinition.h"
#include "tests/OxQrExport/support/Fidelity.h"
#include "tests/OxQrExport/support/ReaderSupport.h"
#include "tests/data/TestDatabases.h"

namespace fs = std::filesystem;

namespace oxqr {
namespace {

using testing::HaveProgram;
using testing::RunShell;
using testing::ShellQuote;

const fs::path kSchema = fs::path(OXQR_TEST_SOURCE_DIR) / "definition" / "oxr.xsd";

int Validate(const fs::path& file) {
  return RunShell("xmllint --noout --schema " + ShellQuote(kSchema.string()) + " " + ShellQuote(file.string()) +
                  " 2>&1").Status;
}

std::string Export(const fs::path& dir, const std::string& args) {
  const auto run = RunShell("cd " + ShellQuote(dir.string()) + " && " + ShellQuote(OXQR_EXPORTER) + " --quiet " +
                            args);
  EXPECT_EQ(run.Status, 0) << args << "\n" << run.Output;
  return run.Output;
}

// The text a reader finds: pdftotext for PDF, Python's HTML parser for HTML (each piece of
// text between tags on a line of its own), the file itself for plain text.
std::string ReadBack(const fs::path& file) {
  const std::string ext = file.extension().string();
  if (ext == ".pdf") return RunShell("pdftotext -layout " + ShellQuote(file.string()) + " -").Output;
  if (ext == ".htm")
    return RunShell("python3 -c 'import sys, html.parser\n"
                    "class Text(html.parser.HTMLParser):\n"
                    "  def handle_data(self, data): print(data.replace(chr(160), chr(32)))\n"
                    "Text().feed(open(sys.argv[1], encoding=\"latin-1\").read())' " +
                    ShellQuote(file.string()))
        .Output;
  return test::ReadText(file);
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Invoices of 30, 5 and 30 lines: the long ones take two pages each.
const char* kInvoiceSql =
    "CREATE TABLE lines (inv INTEGER, item TEXT, amount CURRENCY);\n"
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 65)\n"
    "INSERT INTO lines SELECT CASE WHEN i <= 30 THEN 101 WHEN i <= 35 THEN 102 ELSE 103 END,\n"
    "                         'Item ' || i, i FROM n;\n";

const char* kInvoices = R"(<report title="Invoices" paper="A4" topMargin="10" bottomMargin="10" dataset="Lines">
  <query name="Lines">SELECT inv, item, amount FROM lines ORDER BY inv, item</query>
  <band type="pageFooter" height="10">
    <label left="0" top="2" width="100" height="5" autoSize="false" text="page {page} of {pages}"/>
    <label left="40" top="2" width="60" height="5" autoSize="false" text="sheet {= page} / {= pages}"/>
  </band>
  <band type="groupHeader" name="Invoice" field="Lines.inv" footer="InvoiceEnd" height="20" resetPageNumber="true" repeatHeader="true">
    <label left="0" top="5" width="120" height="8" fontSize="14" text="Invoice {Lines.inv}"/>
  </band>
  <band type="detail" height="10">
    <text left="0" top="2" width="80" height="5" field="Lines.item"/>
  </band>
  <band type="groupFooter" name="InvoiceEnd" height="10">
    <label left="0" top="2" width="120" height="5" text="Total {sum(Lines.amount, Invoice):#,##0.00}"/>
  </band>
</report>
)";

TEST(GroupOptionsReaders, EachInvoiceCountsItsOwnPagesInEveryFormat) {
  if (!HaveProgram("pdftotext") || !HaveProgram("xmllint")) GTEST_SKIP() << "pdftotext or xmllint is missing";
  test::TScratchDir dir("group-pages");
  test::CreateDatabase((dir.Path / "inv.sqlite").string(), kInvoiceSql);
  std::ofstream(dir.Path / "invoices.oxr") << kInvoices;
  ASSERT_EQ(Validate(dir.Path / "invoices.oxr"), 0);
  for (const std::string ext : {"pdf", "txt", "htm"}) {
    // The exporter names the files it wrote (HTML: one per page).
    std::istringstream files(Export(dir.Path, "--db inv.sqlite invoices.oxr invoices." + ext));
    std::string text;
    for (std::string file; std::getline(files, file);) text += ReadBack(dir.Path / file) + "\n";
    // Five pages: 101 on two, 102 on one, 103 on two, each invoice numbered from 1, by the
    // tokens and by the expressions alike.
    std::vector<std::string> pages;
    const std::regex number(R"(page (\d+) of (\d+)\s+sheet (\d+) / (\d+))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), number); it != std::sregex_iterator(); ++it) {
      EXPECT_EQ((*it)[1].str() + (*it)[2].str(), (*it)[3].str() + (*it)[4].str()) << ext;
      pages.push_back((*it)[1].str() + "/" + (*it)[2].str());
    }
    EXPECT_EQ(pages, (std::vector<std::string>{"1/2", "2/2", "1/1", "1/2", "2/2"})) << ext << "\n" << text;
    for (const char* total : {"Total 465.00", "Total 165.00", "Total 1,515.00"})
      EXPECT_EQ(Count(text, total), 1) << ext << ": " << total;
    // The header is printed again on each invoice's second page, not counted twice.
    const std::regex header(R"((^|\n)\s*Invoice 101\s*\n)");
    EXPECT_EQ(std::distance(std::sregex_iterator(text.begin(), text.end(), header), std::sregex_iterator()), 2)
        << ext;
  }
}

// The pages numbered per invoice, with their repeated headers, as poppler renders the PDF
// and as our own page pictures show them.
TEST(GroupOptionsReaders, InvoicePagesInPdfMatchThePagePictures) {
  if (!HaveProgram("pdftoppm")) GTEST_SKIP() << "pdftoppm is missing";
  test::TScratchDir dir("group-fidelity");
  test::CreateDatabase((dir.Path / "inv.sqlite").string(), kInvoiceSql);
  std::ofstream(dir.Path / "invoices.oxr") << kInvoices;
  Export(dir.Path, "--db inv.sqlite invoices.oxr invoices.pdf");
  Export(dir.Path, "--db inv.sqlite invoices.oxr invoices.jpg");
  RunShell("pdftoppm -r 96 -png " + ShellQuote((dir.Path / "invoices.pdf").string()) + " " +
           ShellQuote((dir.Path / "p").string()));
  // Pages of nothing but 10 point text: poppler's glyph edges and the picture's differ by a
  // pixel here and there, which weighs more on a page of few strokes than on the samples'
  // boxed pages (0.995 there). The same pages without group options measure the same, so
  // the floor is the one of text pages, on the five pages stacked as one picture; each
  // page's figures are printed.
  std::vector<QImage> readers, pictures;
  for (int page = 1; page <= 5; ++page) {
    char jpg[32];
    std::snprintf(jpg, sizeof jpg, "invoices%.4d.jpg", page);
    pictures.emplace_back((dir.Path / jpg).string().c_str());
    readers.emplace_back((dir.Path / ("p-" + std::to_string(page) + ".png")).string().c_str());
    ASSERT_FALSE(pictures.back().isNull() || readers.back().isNull()) << "page " << page;
    ASSERT_EQ(pictures.back().size(), readers.back().size()) << "page " << page;
    const testing::TFidelity f = testing::CompareDarkPixels(readers.back(), pictures.back());
    std::printf("page %d: pdf in picture %.4f, picture in pdf %.4f\n", page, f.AInB, f.BInA);
  }
  const auto stacked = [](const std::vector<QImage>& pages) {
    QImage all(pages[0].width(), pages[0].height() * static_cast<int>(pages.size()), QImage::Format_RGB32);
    all.fill(Qt::white);
    QPainter painter(&all);
    for (std::size_t i = 0; i < pages.size(); ++i) painter.drawImage(0, static_cast<int>(i) * pages[0].height(), pages[i]);
    return all;
  };
  const testing::TFidelity f = testing::CompareDarkPixels(stacked(readers), stacked(pictures));
  std::printf("all pages: pdf in picture %.4f, picture in pdf %.4f\n", f.AInB, f.BInA);
  EXPECT_GE(f.Min(), 0.98) << f.AInB << " / " << f.BInA;
}

// Words of a PDF page with their top edges, as pdftotext -bbox gives them.
std::vector<std::pair<std::string, double>> Words(const fs::path& pdf) {
  const std::string xml = RunShell("pdftotext -bbox " + ShellQuote(pdf.string()) + " -").Output;
  const std::regex word(R"re(<word xMin="[\d.]+" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re");
  std::vector<std::pair<std::string, double>> out;
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), word); it != std::sregex_iterator(); ++it)
    out.emplace_back((*it)[2].str(), std::stod((*it)[1].str()));
  return out;
}

double TopOf(const std::vector<std::pair<std::string, double>>& words, const std::string& w) {
  for (const auto& [text, y] : words)
    if (text == w) return y;
  ADD_FAILURE() << "no word " << w;
  return 0;
}

TEST(GroupOptionsReaders, LinesBelowAGrowingAddressMoveDownAndBlankLinesGo) {
  if (!HaveProgram("pdftotext") || !HaveProgram("xmllint")) GTEST_SKIP() << "pdftotext or xmllint is missing";
  test::TScratchDir dir("group-shift");
  test::CreateDatabase((dir.Path / "c.sqlite").string(),
                       "CREATE TABLE c (no INTEGER, company TEXT, addr1 TEXT, addr2 TEXT, city TEXT, phone TEXT);\n"
                       "INSERT INTO c VALUES (1, 'Alpha', 'Dock Road', 'Unit 7', 'Aberdeen', 'P111');\n"
                       "INSERT INTO c VALUES (2, 'Beta', 'Mill Lane', '', 'Bristol', 'P222');\n");
  std::ofstream(dir.Path / "addr.oxr") << R"(<report dataset="C">
  <query name="C">SELECT * FROM c ORDER BY no</query>
  <band type="detail" height="12">
    <label left="0" top="0" width="80" height="5" autoSize="false" autoStretch="true" suppressBlankLines="true"
           text="{C.company}&#10;{C.addr1}&#10;{C.addr2}&#10;{C.city}"/>
    <label left="0" top="6" width="80" height="5" text="{C.phone}"/>
    <label left="100" top="6" width="40" height="5" shift="none" text="fixed{C.no}"/>
  </band>
</report>
)";
  ASSERT_EQ(Validate(dir.Path / "addr.oxr"), 0);
  Export(dir.Path, "addr.oxr addr.pdf --db c.sqlite");
  const auto words = Words(dir.Path / "addr.pdf");
  const double line = TopOf(words, "Dock") - TopOf(words, "Alpha");
  ASSERT_GT(line, 5);
  // Alpha: four lines, the phone below the last with the 1 mm it had below the first line;
  // Beta: its empty line dropped, three lines.
  const double gap = 72 / 25.4;
  EXPECT_NEAR(TopOf(words, "P111") - TopOf(words, "Aberdeen"), line + gap, 1);
  EXPECT_NEAR(TopOf(words, "Bristol") - TopOf(words, "Mill"), line, 1);
  EXPECT_NEAR(TopOf(words, "P222") - TopOf(words, "Bristol"), line + gap, 1);
  // A control that does not shift stays 6 mm (17 points) below its band's top.
  EXPECT_NEAR(TopOf(words, "fixed1") - TopOf(words, "Alpha"), 6 * 72 / 25.4, 1.5);
  EXPECT_NEAR(TopOf(words, "fixed2") - TopOf(words, "Beta"), 6 * 72 / 25.4, 1.5);
}

// The options written back: the same attributes, valid against the schema, loaded again.
TEST(GroupOptionsReaders, OptionsSaveValidAndLoadAgain) {
  if (!HaveProgram("xmllint")) GTEST_SKIP() << "xmllint is missing";
  test::TScratchDir dir("group-save");
  test::CreateDatabase((dir.Path / "inv.sqlite").string(), kInvoiceSql);
  std::string text = kInvoices;
  text = std::regex_replace(text, std::regex("repeatHeader=\"true\""),
                            "repeatHeader=\"true\" keepTogether=\"true\" newPage=\"true\" orphanLines=\"3\"");
  text = std::regex_replace(text, std::regex("<text left"), "<text suppressBlankLines=\"true\" shift=\"none\" left");
  std::ofstream(dir.Path / "in.oxr") << text;
  TDefinitionOptions options;
  options.DatabasePath = (dir.Path / "inv.sqlite").string();
  auto definition = LoadReportDefinition((dir.Path / "in.oxr").string(), options);
  SaveReportDefinition(definition->Report(), (dir.Path / "saved.oxr").string(), DefinitionNames(*definition));
  const std::string saved = test::ReadText(dir.Path / "saved.oxr");
  for (const char* attr : {"repeatHeader=\"true\"", "keepTogether=\"true\"", "newPage=\"true\"",
                           "resetPageNumber=\"true\"", "orphanLines=\"3\"", "suppressBlankLines=\"true\"",
                           "shift=\"none\""})
    EXPECT_NE(saved.find(attr), std::string::npos) << attr << "\n" << saved;
  EXPECT_EQ(Validate(dir.Path / "saved.oxr"), 0) << saved;
  auto again = LoadReportDefinition((dir.Path / "saved.oxr").string(), options);
  SaveReportDefinition(again->Report(), (dir.Path / "again.oxr").string(), DefinitionNames(*again));
  EXPECT_EQ(test::ReadText(dir.Path / "again.oxr"), saved);
}

}  // namespace
}  // namespace oxqr
