// Charts over aggregated values through the command-line exporter, read back by programs no
// one here wrote: pdftotext finds the axis ticks, categories, legends and value labels (each
// group's chart with that group's sums only), xmllint accepts the definition, poppler's,
// Chromium's and LibreOffice's renderings agree with the page pictures, and LibreOffice reads
// the EMF and WMF pages' texts.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <QImage>

#include "tests/OxQrExport/support/ExportTestSupport.h"
#include "tests/OxQrExport/support/Fidelity.h"
#include "tests/OxQrExport/support/ReaderSupport.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using namespace oxqr::testing;

// Two customers' sales: Alpha pays 1,250 cash and 600 by card, Beta 300 cash, 2,400 by card
// and 75 by cheque; over the report, cash is 1,550.
constexpr const char* kSalesSql =
    "CREATE TABLE sales (customer VARCHAR(20), method VARCHAR(10), sold DATE, amount CURRENCY);"
    "INSERT INTO sales VALUES ('Alpha','Cash','2024-01-15',1000), ('Alpha','Cash','2024-02-10',250),"
    " ('Alpha','Card','2024-01-20',600), ('Beta','Cash','2024-02-05',300), ('Beta','Card','2024-03-01',2400),"
    " ('Beta','Cheque','2024-03-12',75);";

// A pie per customer in its group header (before its records: drawn once they are known) and
// a bar chart in its footer; in the summary a line over months, a
// horizontal stacked bar, a pie with percentages and a stacked area of record counts by month
// name, ordered by month although the records (by amount) bring February first.
constexpr const char* kChartsOxr = R"oxr(<?xml version="1.0" encoding="UTF-8"?>
<report title="Charts" paper="A4" topMargin="10" bottomMargin="10" leftMargin="10" rightMargin="10" dataset="Sales">
  <query name="Sales">SELECT customer, method, sold, amount FROM sales ORDER BY customer, amount</query>
  <band type="groupHeader" name="ByCustomer" field="Sales.customer" footer="CustomerFooter" height="42">
    <text left="0" top="1" width="60" height="5" field="Sales.customer" fontStyle="bold"/>
    <chart left="100" top="0" width="80" height="40" type="pie" dataset="Sales" category="Sales.method"
           value="sum(Sales.amount)" labels="value" legend="false"/>
  </band>
  <band type="detail" height="5">
    <text left="5" top="0" width="40" height="5" field="Sales.method"/>
    <text left="50" top="0" width="40" height="5" field="Sales.amount"/>
  </band>
  <band type="groupFooter" name="CustomerFooter" height="52">
    <chart left="0" top="1" width="120" height="50" type="bar" dataset="Sales" category="Sales.method"
           value="sum(Sales.amount)" labels="value" title="Paid by method"/>
  </band>
  <band type="summary" height="180">
    <chart left="0" top="0" width="190" height="60" type="line" dataset="Sales"
           category="date(year(Sales.sold), month(Sales.sold), 1)" value="sum(Sales.amount)" series="Sales.method"
           labels="value" title="By month"/>
    <chart left="0" top="62" width="95" height="55" type="bar" orientation="horizontal" stacked="true" dataset="Sales"
           category="Sales.customer" value="sum(Sales.amount)" series="Sales.method" colors="navy, #FF8000"
           title="Stacked"/>
    <chart left="97" top="62" width="93" height="55" type="pie" dataset="Sales" category="Sales.customer"
           value="sum(Sales.amount)" labels="percent" title="Share"/>
    <chart left="0" top="120" width="95" height="55" type="area" stacked="true" dataset="Sales"
           category="monthname(Sales.sold)" sort="month(Sales.sold)" value="count(Sales)" series="Sales.method"
           title="Orders per month"/>
  </band>
</report>
)oxr";

class ChartReaders : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((Dir() + "sales.sqlite").c_str(), &db), SQLITE_OK);
    const int rc = sqlite3_exec(db, kSalesSql, nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK);
    std::ofstream(Dir() + "charts.oxr") << kChartsOxr;
  }
  void Export(const std::string& output, const std::string& settings = "") {
    const TShellRun r = RunShell("QT_QPA_PLATFORM=offscreen " + ShellQuote(OXQR_EXPORTER) + " --quiet --db " +
                                 ShellQuote(Dir() + "sales.sqlite") + " " + settings + " " +
                                 ShellQuote(Dir() + "charts.oxr") + " " + ShellQuote(Dir() + output) + " 2>&1");
    ASSERT_EQ(r.Status, 0) << r.Output;
  }
  std::vector<std::string> Files(const std::string& prefix, const std::string& extension) const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(Dir())) {
      const std::string name = e.path().filename().string();
      if (name.starts_with(prefix) && e.path().extension() == "." + extension) out.push_back(e.path().string());
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  // Each rendered page against the JPEG page of the same number, with the figures printed.
  void ExpectLikeJpegPages(const std::vector<std::string>& rendered, const std::string& what, double floor) {
    Export("p.jpg");
    const std::vector<std::string> jpegs = Files("p0", "jpg");
    ASSERT_EQ(rendered.size(), jpegs.size()) << what;
    for (std::size_t i = 0; i < rendered.size(); ++i) {
      const TFidelity f =
          CompareDarkPixels(QImage(QString::fromStdString(rendered[i])), QImage(QString::fromStdString(jpegs[i])));
      std::printf("[ fidelity ] charts %s page %zu: %.4f / %.4f\n", what.c_str(), i + 1, f.AInB, f.BInA);
      EXPECT_GE(f.Min(), floor) << what << " page " << i + 1;
    }
  }
};

TEST_F(ChartReaders, DefinitionIsValidAgainstTheSchema) {
  if (!HaveProgram("xmllint")) GTEST_SKIP() << "xmllint is missing";
  const TShellRun r = RunShell("xmllint --noout --schema " +
                               ShellQuote(std::string(OXQR_TEST_SOURCE_DIR) + "/definition/oxr.xsd") + " " +
                               ShellQuote(Dir() + "charts.oxr") + " 2>&1");
  EXPECT_EQ(r.Status, 0) << r.Output;
}

TEST_F(ChartReaders, PdfTextShowsAxesLegendsAndEachGroupsOwnSums) {
  if (!HaveProgram("pdftotext")) GTEST_SKIP() << "pdftotext is missing";
  Export("c.pdf");
  const std::string text = RunShell("pdftotext -layout " + ShellQuote(Dir() + "c.pdf") + " -").Output;
  for (const char* expected : {"Paid by method", "1,250", "2,400", "Cheque", "1,000", "2,000", "3,000",
                               "Jan 2024", "Feb 2024", "Mar 2024", "550", "Alpha 40.0%", "Beta 60.0%",
                               "Orders per month", "1.5"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  // Alpha's chart does not count Beta's cash, nor Beta's Alpha's: no chart shows 1,550.
  EXPECT_EQ(text.find("1,550"), std::string::npos) << text;
  // The header's pie, printed before its group's records, shows them in the document; the
  // page pictures agree (the fidelity tests), so the preview's drawing was replaced too.
  EXPECT_EQ(text.find("No data"), std::string::npos) << text;
  EXPECT_NE(text.find("Card 600"), std::string::npos) << text;
  EXPECT_NE(text.find("Cheque 75"), std::string::npos) << text;
  // Month names in calendar order on the area chart's axis.
  const std::size_t area = text.find("Orders per month");
  ASSERT_NE(area, std::string::npos);
  const std::size_t jan = text.find("January", area), feb = text.find("February", area), mar = text.find("March", area);
  EXPECT_TRUE(jan < feb && feb < mar && mar != std::string::npos) << text.substr(area);
}

TEST_F(ChartReaders, HtmlDrawsInlineSvgAndWritesTheTexts) {
  Export("c.htm", "--set HTML.ShowNavigator=False");
  const std::vector<std::string> pages = Files("c", "htm");
  ASSERT_FALSE(pages.empty());
  std::string all;
  for (const auto& p : pages) {
    std::ifstream in(p, std::ios::binary);
    all += std::string(std::istreambuf_iterator<char>(in), {});
  }
  EXPECT_NE(all.find("<svg"), std::string::npos);
  EXPECT_NE(all.find("<polygon"), std::string::npos);
  EXPECT_NE(all.find("<polyline"), std::string::npos);
  EXPECT_NE(all.find("Alpha&nbsp;40.0%"), std::string::npos);
  // Each group's chart describes that group's sums only.
  EXPECT_NE(all.find("<title>Bar chart Paid by method: Cash 1,250; Card 600</title>"), std::string::npos);
  EXPECT_NE(all.find("<title>Bar chart Paid by method: Cheque 75; Cash 300; Card 2,400</title>"), std::string::npos);
}

TEST_F(ChartReaders, PdfPagesAgreeWithThePagePictures) {
  if (!HaveProgram("pdftoppm")) GTEST_SKIP() << "pdftoppm is missing";
  Export("c.pdf");
  RunShell("pdftoppm -r 96 -png " + ShellQuote(Dir() + "c.pdf") + " " + ShellQuote(Dir() + "d"));
  ExpectLikeJpegPages(Files("d-", "png"), "pdf", 0.99);
}

TEST_F(ChartReaders, HtmlPagesInChromiumAgreeWithThePagePictures) {
  if (!HaveProgram("chromium")) GTEST_SKIP() << "chromium is missing";
  Export("h.htm", "--set HTML.ShowNavigator=False");
  std::vector<std::string> shots;
  for (const auto& page : Files("h", "htm")) {
    const std::string png = page + ".png";
    RunShell("timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
             "--force-device-scale-factor=1 --window-size=794,1123 --user-data-dir=" +
             ShellQuote(Dir() + ".chromium") + " --screenshot=" + ShellQuote(png) + " " + ShellQuote(page) +
             " >/dev/null 2>&1");
    shots.push_back(png);
  }
  ExpectLikeJpegPages(shots, "html", 0.98);
}

TEST_F(ChartReaders, RtfInLibreOfficeAgreesWithThePagePictures) {
  if (!HaveProgram("soffice") || !HaveProgram("pdftoppm")) GTEST_SKIP() << "soffice or pdftoppm is missing";
  Export("r.rtf");
  const fs::path pdf = SofficeConvert(Dir() + "r.rtf", "pdf", Dir() + "rtf");
  ASSERT_TRUE(fs::exists(pdf));
  RunShell("pdftoppm -r 96 -png " + ShellQuote(pdf.string()) + " " + ShellQuote(Dir() + "r"));
  ExpectLikeJpegPages(Files("r-", "png"), "rtf", 0.9);
}

// The page recording holds the charts as vectors and text: LibreOffice's PDF of the EMF and
// WMF pages still has the ticks and values as text.
TEST_F(ChartReaders, EmfAndWmfPagesKeepTheTextsInLibreOffice) {
  if (!HaveProgram("soffice") || !HaveProgram("pdftotext")) GTEST_SKIP() << "soffice or pdftotext is missing";
  for (const std::string ext : {"emf", "wmf"}) {
    Export("m." + ext);
    const fs::path pdf = SofficeConvert(Dir() + "m0001." + ext, "pdf", Dir() + ext);
    ASSERT_TRUE(fs::exists(pdf)) << ext;
    const std::string text = RunShell("pdftotext -layout " + ShellQuote(pdf.string()) + " -").Output;
    for (const char* expected : {"Paid by method", "1,250", "2,400", "3,000", "Cheque"})
      EXPECT_NE(text.find(expected), std::string::npos) << ext << ": " << expected << "\n" << text;
  }
}

}  // namespace
}  // namespace oxqr
