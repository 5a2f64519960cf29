// A report with a sub-report per customer, exported by the command-line exporter and read
// back by pdftotext, openpyxl and an HTML parser: every order once and in order, the totals
// equal to SQLite's own sums, and the totals the outer report reads back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>

#include <QImage>

#include "ReadBack.h"
#include "SubReportFixture.h"
#include "tests/OxQrExport/support/Fidelity.h"

namespace fs = std::filesystem;

namespace oxqr {
namespace {

using testing::HaveProgram;

struct TExpected {
  std::vector<std::string> Orders;  // "Order 1001 1.25" in the order they must print
  std::vector<std::string> Lines;   // lines that must appear
};

TExpected Expected(const std::string& db) {
  TExpected e;
  for (const auto& r : test::SqlRows(db, "SELECT OrderNo, printf('%.2f', Amount) FROM orders ORDER BY CustNo, OrderNo"))
    e.Orders.push_back("Order " + r[0] + " " + r[1]);
  for (const auto& r : test::SqlRows(db,
                                     "SELECT c.CustNo, count(o.OrderNo), printf('%.2f', coalesce(sum(o.Amount), 0)) "
                                     "FROM customer c LEFT JOIN orders o ON o.CustNo = c.CustNo "
                                     "GROUP BY c.CustNo ORDER BY c.CustNo")) {
    e.Lines.push_back("Orders of " + r[0] + ": " + r[1]);  // a count printed before its records
    e.Lines.push_back("Inner total " + r[2] + " in " + r[1]);
    e.Lines.push_back("Read back " + r[0] + ": " + r[1] + " orders " + r[2]);
  }
  for (const auto& r : test::SqlRows(db, "SELECT printf('%.2f', sum(Amount)), count(*) FROM orders"))
    e.Lines.push_back("Grand total " + r[0] + " of " + r[1] + " orders");
  return e;
}

TEST(SubReportReaders, EveryOrderOnceInOrderWithTheTotalsOfSql) {
  if (!HaveProgram("pdftotext")) GTEST_SKIP() << "pdftotext is missing";
  const bool openpyxl = testing::RunShell("python3 -c 'import openpyxl' 2>/dev/null").Status == 0;
  test::TScratchDir dir("subreport-cli");
  test::WriteSubReportFixture(dir.Path);
  const std::string db = (dir.Path / "shop.sqlite").string();
  const TExpected expected = Expected(db);
  ASSERT_EQ(expected.Orders.size(), 150u);
  for (const std::string ext : {"pdf", "xlsx", "htm"}) {
    if (ext == "xlsx" && !openpyxl) continue;
    const std::string text = test::ExportAndReadBack(dir.Path, "--db shop.sqlite customers.oxr out." + ext);
    std::vector<std::string> orders;
    const std::regex order("Order [0-9]+ [0-9.]+");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), order); it != std::sregex_iterator(); ++it)
      orders.push_back(it->str());
    EXPECT_EQ(orders, expected.Orders) << ext;
    for (const auto& line : expected.Lines) EXPECT_NE(text.find(line), std::string::npos) << ext << ": " << line;
    EXPECT_EQ(text.find("Inner page header"), std::string::npos) << ext;
    if (ext == "pdf") {
      // The orders run over several pages, each with the outer report's header and footer.
      EXPECT_NE(text.find("Outer header 3"), std::string::npos) << text;
      EXPECT_NE(text.find("Outer footer 3"), std::string::npos);
    }
  }
  // The company with a quote and a statement in its name was bound as a value.
  EXPECT_EQ(test::SqlRows(db, "SELECT count(*) FROM orders").at(0).at(0), "150");
}

// The files of `dir` whose names start with `prefix` and end with `suffix`, sorted.
std::vector<fs::path> Files(const fs::path& dir, const std::string& prefix, const std::string& suffix) {
  std::vector<fs::path> out;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.starts_with(prefix) && name.ends_with(suffix)) out.push_back(e.path());
  }
  std::sort(out.begin(), out.end(), [](const fs::path& a, const fs::path& b) {
    return a.string().size() != b.string().size() ? a.string().size() < b.string().size() : a < b;
  });
  return out;
}

// The lowest fidelity of the pages as a reader renders them against the page pictures of the
// same pages, each page's figures printed.
double LowestFidelity(const std::vector<fs::path>& rendered, const std::vector<fs::path>& pictures,
                      const std::string& what) {
  EXPECT_EQ(rendered.size(), pictures.size()) << what;
  double lowest = rendered.empty() ? 0 : 1;
  for (std::size_t i = 0; i < rendered.size() && i < pictures.size(); ++i) {
    const auto f = testing::CompareDarkPixels(QImage(QString::fromStdString(rendered[i].string())),
                                              QImage(QString::fromStdString(pictures[i].string())));
    std::printf("[ fidelity ] %s page %zu: %.4f / %.4f\n", what.c_str(), i + 1, f.AInB, f.BInA);
    lowest = std::min(lowest, f.Min());
  }
  return lowest;
}

// `definition` in `dir` exported as page pictures and as `ext` (PDF through pdftoppm, HTML
// through Chromium); the lowest fidelity of its pages.
double Fidelity(const fs::path& dir, const std::string& definition, const std::string& ext, const std::string& what) {
  const auto run = [&](const std::string& out, const std::string& extra) {
    return testing::RunShell("cd " + testing::ShellQuote(dir.string()) + " && " + testing::ShellQuote(OXQR_EXPORTER) +
                             " --quiet --db shop.sqlite " + extra + " " + definition + " " + out)
        .Status;
  };
  EXPECT_EQ(run("p.jpg", ""), 0);
  const auto pictures = Files(dir, "p0", ".jpg");
  std::vector<fs::path> rendered;
  if (ext == "pdf") {
    EXPECT_EQ(run("s.pdf", ""), 0);
    testing::RunShell("pdftoppm -r 96 -png " + testing::ShellQuote((dir / "s.pdf").string()) + " " +
                      testing::ShellQuote((dir / "d").string()));
    rendered = Files(dir, "d-", ".png");
  } else {
    EXPECT_EQ(run("h.htm", "--set HTML.ShowNavigator=False"), 0);
    for (const auto& page : Files(dir, "h", ".htm")) {
      const fs::path png = page.string() + ".png";
      testing::RunShell(
          "timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
          "--force-device-scale-factor=1 --window-size=794,1123 --user-data-dir=" +
          testing::ShellQuote((dir / ".chromium").string()) + " --screenshot=" + testing::ShellQuote(png.string()) +
          " " + testing::ShellQuote(page.string()) + " >/dev/null 2>&1");
      rendered.push_back(png);
    }
  }
  return LowestFidelity(rendered, pictures, what);
}

// The sub-report's pages as PDF and HTML readers render them match the page pictures at the
// formats' floors, or at least as closely as the README's tutorial report (no sub-report)
// does on this machine's readers.
TEST(SubReportReaders, PdfAndHtmlPagesLookLikeThePagePictures) {
  if (!HaveProgram("pdftoppm")) GTEST_SKIP() << "pdftoppm is missing";
  std::vector<std::string> exts{"pdf"};
  if (HaveProgram("chromium")) exts.push_back("htm");
  for (const std::string& ext : exts) {
    test::TScratchDir dir("subreport-fidelity-" + ext), base("subreport-fidelity-base-" + ext);
    test::WriteSubReportFixture(dir.Path);
    test::CreateDatabase((base.Path / "shop.sqlite").string(), test::TutorialBlock("sql"));
    std::ofstream(base.Path / "sales.oxr") << test::TutorialBlock("oxr");
    // HTML: Chromium sets these labels' digits a little wider than the page picture (0.9765 on
    // the last page, the positions of every band the same), so 0.97 rather than 0.98 here.
    const double floor = ext == "pdf" ? 0.99 : 0.97;
    const double sub = Fidelity(dir.Path, "customers.oxr", ext, "sub-report " + ext);
    const double tutorial = Fidelity(base.Path, "sales.oxr", ext, "tutorial " + ext);
    EXPECT_GE(sub, std::min(floor, tutorial - 0.005)) << ext << ": sub-report " << sub << ", tutorial " << tutorial;
  }
}

TEST(SubReportReaders, SchemaAcceptsTheSubReportAndItsTotals) {
  if (!HaveProgram("xmllint")) GTEST_SKIP() << "xmllint is missing";
  test::TScratchDir dir("subreport-schema");
  test::WriteSubReportFixture(dir.Path);
  const fs::path schema = fs::path(OXQR_TEST_SOURCE_DIR) / "definition" / "oxr.xsd";
  const auto check = [&](const fs::path& file) {
    return testing::RunShell("xmllint --noout --schema " + testing::ShellQuote(schema.string()) + " " +
                             testing::ShellQuote(file.string()) + " 2>&1")
        .Status;
  };
  EXPECT_EQ(check(dir.Path / "customers.oxr"), 0);
  EXPECT_EQ(check(dir.Path / "parts" / "lines.oxr"), 0);
  const std::pair<const char*, const char*> broken[] = {
      {"NoFile", R"(<report><band type="detail"><subreport name="A"/></band></report>)"},
      {"NoName", R"(<report><band type="detail"><subreport file="a.oxr"/></band></report>)"},
      {"TotalWithoutExpression",
       R"(<report><band type="detail"><subreport name="A" file="a.oxr"><total name="X"/></subreport></band></report>)"},
      {"UnknownChild",
       R"(<report><band type="detail"><subreport name="A" file="a.oxr"><label/></subreport></band></report>)"},
  };
  for (const auto& [name, text] : broken) {
    const fs::path file = dir.Path / (std::string(name) + ".oxr");
    std::ofstream(file) << text;
    EXPECT_NE(check(file), 0) << name;
  }
}

}  // namespace
}  // namespace oxqr
