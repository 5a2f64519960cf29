// The sample reports and the README's tutorial report exported as archival and accessible
// PDF by the exporter and read by programs no one here wrote: qpdf checks the syntax,
// the rule checker over pikepdf (conformance_check.py) the machine-checkable rules,
// poppler's pdfinfo the tagging and the structure tree's text against pdftotext's, and
// poppler and MuPDF render the pages against the report's own page pictures.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QImage>

#include "platform/Files.h"
#include "platform/SafeFile.h"
#include "support/Fidelity.h"
#include "support/ReaderSupport.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using testing::CompareDarkPixels;
using testing::HaveProgram;
using testing::RunShell;
using testing::ShellQuote;

constexpr const char* kChecker = "/usr/bin/python3 " OXQR_TEST_SOURCE_DIR "/tests/OxQrExport/pdf/conformance_check.py";

struct TConformanceCase {
  std::string Report;  // sample key, or "tutorial"
  std::string Level;   // pdfA2b, pdfUA1, pdfA2bUA1
};
void PrintTo(const TConformanceCase& c, std::ostream* os) { *os << c.Report << "_" << c.Level; }

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// The text of the fenced block after `marker` in the README.
std::string ReadmeBlock(const std::string& marker) {
  const std::string readme = ReadFileBytes(OXQR_TEST_SOURCE_DIR "/README.md");
  const auto at = readme.find(marker);
  const auto open = readme.find('\n', readme.find("```", at)) + 1;
  return readme.substr(open, readme.find("```", open) - open);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The length of the longest common subsequence of two word lists.
std::size_t CommonSubsequence(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::vector<std::size_t> prev(b.size() + 1, 0), cur(b.size() + 1, 0);
  for (const auto& x : a) {
    for (std::size_t j = 0; j < b.size(); ++j) cur[j + 1] = x == b[j] ? prev[j] + 1 : std::max(prev[j + 1], cur[j]);
    std::swap(prev, cur);
  }
  return prev[b.size()];
}

int PageCount(const fs::path& pdf) {
  const std::string info = RunShell("pdfinfo " + ShellQuote(pdf.string())).Output;
  std::smatch m;
  return std::regex_search(info, m, std::regex("Pages:\\s+(\\d+)")) ? std::stoi(m[1]) : 0;
}

class PdfConformanceSamplesTest : public ::testing::TestWithParam<TConformanceCase> {
 protected:
  void SetUp() override {
    for (const char* tool : {"qpdf", "pdftoppm", "pdftotext", "pdfinfo", "mutool", "sqlite3"})
      if (!HaveProgram(tool)) GTEST_SKIP() << tool << " is not installed";
    if (RunShell(std::string(kChecker) + " --help >/dev/null 2>&1; /usr/bin/python3 -c 'import pikepdf'").Status != 0)
      GTEST_SKIP() << "python3-pikepdf is not installed";
    dir_ = fs::temp_directory_path() /
           ("oxqr-pdfa-" + GetParam().Report + "-" + GetParam().Level + "-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    if (GetParam().Report == "tutorial") {
      WriteFileSafely((dir_ / "sales.sql").string(), ReadmeBlock("<!-- tutorial:sql -->"));
      WriteFileSafely((dir_ / "sales.oxr").string(), ReadmeBlock("<!-- tutorial:oxr -->"));
      RunShell("sqlite3 " + ShellQuote((dir_ / "shop.sqlite").string()) + " < " +
               ShellQuote((dir_ / "sales.sql").string()));
      source_ = "--db " + ShellQuote((dir_ / "shop.sqlite").string()) + " " + ShellQuote((dir_ / "sales.oxr").string());
    } else {
      source_ = GetParam().Report;
    }
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  // Runs the exporter; returns its error output, empty when it succeeded.
  std::string Export(const fs::path& out, const std::string& sets = "") const {
    const auto run = RunShell(std::string(OXQR_EXPORTER) + " --quiet " + sets + " " + source_ + " " +
                              ShellQuote(out.string()) + " 2>&1 >/dev/null");
    return run.Status == 0 ? run.Output : "status " + std::to_string(run.Status) + ": " + run.Output;
  }

  fs::path dir_;
  std::string source_;
};

TEST_P(PdfConformanceSamplesTest, ReadersFindTheFileConformantTaggedAndFaithful) {
  const TConformanceCase& c = GetParam();
  const bool archival = c.Level.find("A2b") != std::string::npos;
  const bool accessible = c.Level.find("UA1") != std::string::npos;
  const fs::path pdf = dir_ / "c.pdf";
  ASSERT_EQ(Export(pdf, "--set PDF.Conformance=" + c.Level), "");

  const std::string check = RunShell("qpdf --check " + ShellQuote(pdf.string()) + " 2>&1").Output;
  EXPECT_NE(check.find("No syntax or stream encoding errors found"), std::string::npos) << check;
  EXPECT_EQ(check.find("WARNING"), std::string::npos) << check;
  const std::string rules = RunShell(std::string(kChecker) + " " + ShellQuote(pdf.string()) +
                                     (archival ? " --archival" : "") + (accessible ? " --accessible" : "") + " 2>&1")
                                .Output;
  EXPECT_EQ(rules.rfind("OK ", 0), 0u) << rules;
  // Every font is embedded, as qpdf's own object listing shows.
  const std::string fonts = RunShell("pdffonts " + ShellQuote(pdf.string()) + " | tail -n +3").Output;
  for (const auto& line : SplitLines(fonts)) {
    const auto w = Words(line);
    if (w.size() >= 7) {
      EXPECT_EQ(w[w.size() - 5], "yes") << line;
    }
  }
  const std::string json = RunShell("qpdf --json=1 --json-key=objects " + ShellQuote(pdf.string())).Output;
  const auto count = [&](const std::string& what) {
    std::size_t n = 0;
    for (auto at = json.find(what); at != std::string::npos; at = json.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_GT(count("\"/Type\": \"/FontDescriptor\""), 0u);
  EXPECT_EQ(count("\"/Type\": \"/FontDescriptor\""), count("\"/FontFile2\"")) << "every font descriptor has its program";

  const int pages = PageCount(pdf);
  ASSERT_GT(pages, 0);
  if (accessible) {
    const std::string info = RunShell("pdfinfo " + ShellQuote(pdf.string())).Output;
    EXPECT_TRUE(std::regex_search(info, std::regex("Tagged:\\s+yes"))) << info;
    // The tree's text is pdftotext's, less what is not content (the page headers and footers,
    // artifacts), in the order pdftotext reads it: by its layout or as the page draws it.
    const std::string tree = RunShell("pdfinfo -struct-text " + ShellQuote(pdf.string())).Output;
    std::string treeText;
    const std::regex quoted("\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(tree.begin(), tree.end(), quoted); it != std::sregex_iterator(); ++it)
      treeText += (*it)[1].str() + "\n";
    const std::vector<std::string> structure = Words(treeText);
    ASSERT_FALSE(structure.empty());
    std::multiset<std::string> inTree(structure.begin(), structure.end());
    double best = 0;
    for (const char* mode : {"-layout", "-raw"}) {
      const std::string text = RunShell(std::string("pdftotext ") + mode + " " + ShellQuote(pdf.string()) + " -").Output;
      std::set<std::string> pagination;  // words of each page's first and last two lines
      std::vector<std::string> read;
      std::istringstream pagesText(text);
      for (std::string page; std::getline(pagesText, page, '\f');) {
        std::vector<std::string> lines;
        for (const auto& l : SplitLines(page))
          if (!Words(l).empty()) lines.push_back(l);
        for (std::size_t i = 0; i < lines.size(); ++i) {
          if (i < 2 || i + 2 >= lines.size())
            for (const auto& w : Words(lines[i])) pagination.insert(w);
          for (const auto& w : Words(lines[i])) read.push_back(w);
        }
      }
      std::multiset<std::string> left = inTree;
      std::vector<std::string> content;  // the words read that the tree has at all
      for (const auto& w : read) {
        if (inTree.count(w)) content.push_back(w);
        if (auto it = left.find(w); it != left.end()) {
          left.erase(it);
        } else {
          EXPECT_TRUE(pagination.count(w)) << mode << ": \"" << w << "\" is neither in the tree nor pagination";
        }
      }
      EXPECT_TRUE(left.empty()) << mode << ": " << left.size() << " words of the tree are not on the pages";
      const double same = static_cast<double>(CommonSubsequence(structure, content)) / structure.size();
      std::printf("[ structure ] %s %s: %zu words in the tree, %zu more read (pagination), pdftotext %s order %.4f\n",
                  c.Report.c_str(), c.Level.c_str(), structure.size(), read.size() - structure.size(), mode, same);
      best = std::max(best, same);
    }
    EXPECT_EQ(best, 1.0) << "the tree's order is pdftotext's";
  }

  // Fidelity against the report's own page pictures, as for the plain file. The levels draw
  // the same operators (the accessible ones within marks): the file with both is rendered.
  if (c.Level != "pdfA2bUA1") return;
  ASSERT_EQ(Export(dir_ / "c.jpg"), "");
  const fs::path render = dir_ / "r";
  fs::create_directories(render);
  RunShell("pdftoppm -r 96 -png " + ShellQuote(pdf.string()) + " " + ShellQuote((render / "p").string()));
  RunShell("mutool draw -r 96 -o " + ShellQuote((render / "m%d.png").string()) + " " + ShellQuote(pdf.string()) +
           " 2>&1");
  for (int page = 1; page <= pages; ++page) {
    char jpg[32];
    std::snprintf(jpg, sizeof jpg, "c%.4d.jpg", page);
    const QImage reference((dir_ / jpg).string().c_str());
    const std::string suffix = pages >= 10 && page < 10 ? "0" + std::to_string(page) : std::to_string(page);
    const QImage poppler((render / ("p-" + suffix + ".png")).string().c_str());
    const QImage mu((render / ("m" + std::to_string(page) + ".png")).string().c_str());
    ASSERT_FALSE(reference.isNull() || poppler.isNull() || mu.isNull()) << "page " << page;
    const auto pop = CompareDarkPixels(poppler, reference);
    const auto mup = CompareDarkPixels(mu, reference);
    std::printf("[ fidelity ] %s %s page %d: pdftoppm %.4f / %.4f, mutool %.4f / %.4f\n", c.Report.c_str(),
                c.Level.c_str(), page, pop.AInB, pop.BInA, mup.AInB, mup.BInA);
    EXPECT_GE(pop.Min(), 0.9) << "pdftoppm, page " << page;
    EXPECT_GE(mup.Min(), 0.9) << "mutool, page " << page;
  }
}

std::vector<TConformanceCase> Cases() {
  std::vector<TConformanceCase> cases;
  for (const char* report : {"customers", "events", "richtext", "chart", "labels", "sales", "tutorial"})
    for (const char* level : {"pdfA2b", "pdfUA1", "pdfA2bUA1"}) cases.push_back({report, level});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Samples, PdfConformanceSamplesTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.Report + "_" + info.param.Level; });

// The customers sample marks its order rows and their caption band: each customer's orders
// are a table whose first row holds header cells.
TEST(PdfConformanceCustomersTest, OrderRowsAreTableRowsWithHeaderCells) {
  if (!HaveProgram("pdfinfo")) GTEST_SKIP() << "pdfinfo is not installed";
  const fs::path pdf = fs::temp_directory_path() / ("oxqr-pdfa-rows-" + std::to_string(::getpid()) + ".pdf");
  ASSERT_EQ(RunShell(std::string(OXQR_EXPORTER) + " --quiet --set PDF.Conformance=pdfUA1 customers " +
                     ShellQuote(pdf.string()) + " 2>&1 >/dev/null")
                .Status,
            0);
  const std::string tree = RunShell("pdfinfo -struct-text " + ShellQuote(pdf.string())).Output;
  fs::remove(pdf);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(tree, m, std::regex("Table[^\\n]*\\n\\s+TR[^\\n]*\\n\\s+TH[^\\n]*\\n(\\s+/Scope /Column\\n)?\\s+\"Order #\"")))
      << tree.substr(0, 2000);
  EXPECT_NE(tree.find("TD"), std::string::npos);
  EXPECT_NE(tree.find("H1"), std::string::npos);
  EXPECT_NE(tree.find("Figure"), std::string::npos);
}

// Settings that contradict the level and a file that would not conform, as a user meets them.
TEST(PdfConformanceCliTest, ContradictionsAndFaultsExitWithTheirMessage) {
  const fs::path dir = fs::temp_directory_path() / ("oxqr-pdfa-cli-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string out = ShellQuote((dir / "o.pdf").string());
  struct TCase {
    std::string Args;
    int Status;
    std::string Message;  // part of the error output
    bool Written;
  };
  // Small definitions: an image without alt text; a report without a title; a report that
  // asks for its own level and language.
  auto definition = [&](const std::string& name, const std::string& reportAttributes, const std::string& control) {
    WriteFileSafely((dir / name).string(), "<?xml version=\"1.0\"?>\n<report " + reportAttributes +
                                               ">\n <band type=\"detail\" height=\"20\">\n  " + control +
                                               "\n </band>\n</report>\n");
    return ShellQuote((dir / name).string());
  };
  const std::string noalt = definition("noalt.oxr", "title=\"No alt\"",
                                       "<image left=\"0\" top=\"0\" width=\"10\" height=\"10\" file=\"" OXQR_TEST_SOURCE_DIR
                                       "/Showcase/reports/logo.png\"/>");
  const std::string notitle = definition("notitle.oxr", "", "<label left=\"0\" top=\"0\" width=\"50\" height=\"5\" text=\"x\"/>");
  const std::string own = definition("own.oxr", "title=\"Eigen\" language=\"de-CH\" pdfConformance=\"pdfUA1\"",
                                     "<label left=\"0\" top=\"0\" width=\"50\" height=\"5\" text=\"Text\"/>");
  for (const TCase& c : std::vector<TCase>{
           {"--set PDF.Conformance=pdfA2b --set PDF.FontEncoding=feMacRomanEncoding customers", 1,
            "PDF.FontEncoding=feMacRomanEncoding contradicts it", false},
           {"--set PDF.Conformance=pdfUA1 " + notitle, 1, "the document has no title; give the report a title", false},
           {"--set PDF.Conformance=pdfUA1 --set PDF.Title=Named " + notitle, 0, "", true},
           {"--set PDF.Conformance=pdfUA1 " + noalt, 1, "has no alternative text (give it the attribute alt)", false},
           {"--set PDF.Conformance=pdfUA1 --set PDF.ConformanceStrict=False " + noalt, 0,
            "warning: PDF/UA-1: a picture has no alternative text", true},
           {"--set PDF.Conformance=bogus customers", 2, "PDF.Conformance", false},
           {own, 0, "", true}}) {
    SCOPED_TRACE(c.Args);
    fs::remove(dir / "o.pdf");
    const auto run = RunShell(std::string(OXQR_EXPORTER) + " --quiet " + c.Args + " " + out + " 2>&1 >/dev/null");
    EXPECT_EQ(run.Status, c.Status) << run.Output;
    EXPECT_NE(run.Output.find(c.Message), std::string::npos) << run.Output;
    EXPECT_EQ(fs::exists(dir / "o.pdf"), c.Written);
  }
  // The last file took the definition's own level and language.
  const std::string bytes = ReadFileBytes((dir / "o.pdf").string());
  EXPECT_NE(bytes.find("/Lang (de-CH)"), std::string::npos);
  EXPECT_NE(bytes.find("<pdfuaid:part>1</pdfuaid:part>"), std::string::npos);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace oxqr
