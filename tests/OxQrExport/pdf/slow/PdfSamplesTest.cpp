// The sample reports exported as PDF and read by programs no one here wrote: qpdf checks
// the syntax, poppler and MuPDF render every page (compared with the JPEG page export of
// the same report), pdftotext reads the text back, pdffonts, pdfimages and pdfinfo list
// fonts, images and the document information.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QImage>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "support/Fidelity.h"
#include "support/ReaderSupport.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using testing::CompareDarkPixels;
using testing::HaveProgram;
using testing::RunShell;
using testing::ShellQuote;

struct TSampleCase {
  std::string Name;    // readable test name
  std::string Report;  // sample key of the exporter
  std::string Sets;    // --set options
};

// Runs the exporter; returns its error output, empty when it succeeded.
std::string Export(const std::string& report, const fs::path& out, const std::string& sets = "") {
  const auto run = RunShell(std::string(OXQR_EXPORTER) + " --quiet " + sets + " " + report + " " +
                            ShellQuote(out.string()) + " 2>&1 >/dev/null");
  return run.Status == 0 ? run.Output : "status " + std::to_string(run.Status) + ": " + run.Output;
}

void PrintTo(const TSampleCase& c, std::ostream* os) { *os << c.Name; }

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// Finds `word` of the text grid in `read` from position `at` on and returns the position
// after it, or npos. The grid joins texts that touch and lets a later text overwrite the
// end of an earlier one ("Event:" + "Harbor" gives "EveHarbor"), so a word may also be
// the start of one word read followed by up to two whole words.
std::size_t FindWord(const std::vector<std::string>& read, std::size_t at, const std::string& word) {
  for (std::size_t i = at; i < read.size(); ++i) {
    if (read[i] == word) return i + 1;
    for (std::size_t keep = std::min(read[i].size(), word.size()); keep > 0; --keep) {
      if (read[i].compare(0, keep, word, 0, keep) != 0) continue;
      std::string joined = word.substr(0, keep);
      for (std::size_t k = i + 1; k < read.size() && k < i + 3; ++k) {
        joined += read[k];
        if (joined == word) return k + 1;
        if (word.compare(0, joined.size(), joined) != 0) break;
      }
    }
  }
  return std::string::npos;
}

// Per page: poppler and MuPDF renderings against the JPEG page; returns the lowest figure.
struct TPageFigures {
  std::vector<testing::TFidelity> Poppler, Mupdf;
};

class PdfSamplesTest : public ::testing::TestWithParam<TSampleCase> {
 protected:
  void SetUp() override {
    for (const char* tool : {"qpdf", "pdftoppm", "pdftotext", "pdffonts", "pdfimages", "pdfinfo", "mutool"})
      if (!HaveProgram(tool)) GTEST_SKIP() << tool << " is not installed";
    dir_ = fs::temp_directory_path() / ("oxqr-pdf-samples-" + GetParam().Name + "-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Renders `pdf` with both readers and compares each page with the JPEG pages `jpg`NNNN.jpg.
  TPageFigures Fidelity(const fs::path& pdf, const fs::path& jpgBase, int pages) {
    const fs::path render = dir_ / ("r-" + pdf.stem().string());
    fs::create_directories(render);
    RunShell("pdftoppm -r 96 -png " + ShellQuote(pdf.string()) + " " + ShellQuote((render / "p").string()));
    const std::string mutool = RunShell("mutool draw -r 96 -o " + ShellQuote((render / "m%d.png").string()) + " " +
                                        ShellQuote(pdf.string()) + " 2>&1")
                                   .Output;
    EXPECT_EQ(mutool.find("error:"), std::string::npos) << mutool;
    TPageFigures figures;
    for (int page = 1; page <= pages; ++page) {
      char jpg[32];
      std::snprintf(jpg, sizeof jpg, "%.4d.jpg", page);
      const QImage reference((jpgBase.string() + jpg).c_str());
      const std::string suffix = pages >= 10 && page < 10 ? "0" + std::to_string(page) : std::to_string(page);
      const QImage poppler((render / ("p-" + suffix + ".png")).string().c_str());
      const QImage mu((render / ("m" + std::to_string(page) + ".png")).string().c_str());
      EXPECT_FALSE(reference.isNull() || poppler.isNull() || mu.isNull()) << "page " << page;
      EXPECT_EQ(poppler.size(), reference.size()) << "page " << page;
      figures.Poppler.push_back(CompareDarkPixels(poppler, reference));
      figures.Mupdf.push_back(CompareDarkPixels(mu, reference));
    }
    return figures;
  }

  fs::path dir_;
};

int PageCount(const fs::path& pdf) {
  const std::string info = RunShell("pdfinfo " + ShellQuote(pdf.string())).Output;
  std::smatch m;
  return std::regex_search(info, m, std::regex("Pages:\\s+(\\d+)")) ? std::stoi(m[1]) : 0;
}

TEST_P(PdfSamplesTest, ReadersAcceptRenderAndReadTheReport) {
  const TSampleCase& c = GetParam();
  const fs::path pdf = dir_ / "c.pdf";
  ASSERT_EQ(Export(c.Report, pdf, c.Sets), "");
  ASSERT_EQ(Export(c.Report, dir_ / "c.jpg"), "");

  const std::string check = RunShell("qpdf --check " + ShellQuote(pdf.string()) + " 2>&1").Output;
  EXPECT_NE(check.find("No syntax or stream encoding errors found"), std::string::npos) << check;
  EXPECT_EQ(check.find("WARNING"), std::string::npos) << check;

  const int pages = PageCount(pdf);
  ASSERT_GT(pages, 0);
  char last[32];
  std::snprintf(last, sizeof last, "c%.4d.jpg", pages);
  EXPECT_TRUE(fs::exists(dir_ / last)) << "as many JPEG pages as PDF pages";
  const TPageFigures figures = Fidelity(pdf, dir_ / "c", pages);
  for (int p = 0; p < pages; ++p) {
    const auto& pop = figures.Poppler[static_cast<std::size_t>(p)];
    const auto& mu = figures.Mupdf[static_cast<std::size_t>(p)];
    std::printf("[ fidelity ] %s page %d: pdftoppm %.4f / %.4f, mutool %.4f / %.4f\n", c.Name.c_str(), p + 1,
                pop.AInB, pop.BInA, mu.AInB, mu.BInA);
    EXPECT_GE(pop.Min(), 0.9) << "pdftoppm, page " << p + 1;
    EXPECT_GE(mu.Min(), 0.9) << "mutool, page " << p + 1;
  }

  // Fonts: TrueType in WinAnsi, embedded as subsets when asked for, and the titles' Impact
  // always (no reader finds the face that drew it under that name).
  const bool embedded = c.Sets.find("PDF.EmbedFonts=True") != std::string::npos;
  const std::string fonts = RunShell("pdffonts " + ShellQuote(pdf.string())).Output;
  int fontCount = 0;
  std::istringstream fontLines(fonts);
  std::string line;
  std::getline(fontLines, line);  // the two header lines
  std::getline(fontLines, line);
  while (std::getline(fontLines, line)) {
    ++fontCount;
    const auto w = Words(line);
    ASSERT_GE(w.size(), 7u) << line;
    // name, type, encoding, emb, sub, uni, object ID
    EXPECT_EQ(w[w.size() - 7], "TrueType") << line;
    EXPECT_EQ(w[w.size() - 6], "WinAnsi") << line;
    const bool asDrawn = embedded || w[0].substr(w[0].find('+') + 1).rfind("Impact", 0) == 0;
    EXPECT_EQ(w[w.size() - 5], asDrawn ? "yes" : "no") << line;
    EXPECT_EQ(w[w.size() - 4], asDrawn ? "yes" : "no") << line;
  }
  EXPECT_GT(fontCount, 0) << fonts;

  const std::string bytes = ReadFileBytes(pdf.string());
  EXPECT_TRUE(std::regex_search(bytes, std::regex("/CreationDate \\(D:\\d{14}[+-]\\d\\d'\\d\\d'\\)")));
  const std::string info = RunShell("pdfinfo " + ShellQuote(pdf.string())).Output;
  EXPECT_TRUE(std::regex_search(info, std::regex("Title:\\s+\\S"))) << info;
  EXPECT_NE(info.find("CreationDate:"), std::string::npos);
}

TEST_P(PdfSamplesTest, TextLinesReadBackInOrder) {
  const TSampleCase& c = GetParam();
  // The sales report's columns are narrower than their texts in the text file's character
  // grid (neighbours overwrite each other there), and pdftotext -layout sets its turned
  // captions apart from the lines: the two do not read in one order.
  if (c.Report == "sales") GTEST_SKIP() << "narrow columns and turned captions";
  const fs::path pdf = dir_ / "c.pdf";
  // Rich text becomes text here so that its lines can be read back too.
  ASSERT_EQ(Export(c.Report, pdf, c.Sets + " --set PDF.RichTextEncodingType=rtPlainText"), "");
  ASSERT_EQ(Export(c.Report, dir_ / "c.txt"), "");
  const std::vector<std::string> read = Words(RunShell("pdftotext -layout " + ShellQuote(pdf.string()) + " -").Output);
  std::istringstream text(AnsiToUtf8(ReadFileBytes((dir_ / "c.txt").string())));
  std::size_t at = 0;
  int lines = 0;
  for (std::string line; std::getline(text, line);) {
    const auto words = Words(line);
    if (words.empty() || words[0].find_first_not_of('-') == std::string::npos) continue;
    ++lines;
    for (const auto& w : words) {
      // The two exports may print different clock times.
      if (std::regex_match(w, std::regex("\\d\\d:\\d\\d:\\d\\d"))) continue;
      const std::size_t next = FindWord(read, at, w);
      ASSERT_NE(next, std::string::npos) << "\"" << w << "\" of the line \"" << line << "\" is missing or out of order";
      at = next;
    }
  }
  EXPECT_GT(lines, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, PdfSamplesTest,
    ::testing::Values(TSampleCase{"customers", "customers", ""}, TSampleCase{"events", "events", ""},
                      TSampleCase{"richtext", "richtext", ""}, TSampleCase{"chart", "chart", ""},
                      TSampleCase{"sales", "sales", ""},
                      TSampleCase{"customers_uncompressed", "customers", "--set PDF.Compressed=False"},
                      TSampleCase{"customers_fastest", "customers", "--set PDF.CompressionMethod=cmFastest"},
                      TSampleCase{"events_jpeg", "events", "--set PDF.ExportImageFormat=ifJPG"},
                      TSampleCase{"customers_embedded", "customers", "--set PDF.EmbedFonts=True"}),
    [](const ::testing::TestParamInfo<TSampleCase>& info) { return info.param.Name; });

}  // namespace
}  // namespace oxqr

namespace oxqr {
namespace {

class PdfSampleOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"pdftoppm", "pdfimages"})
      if (!HaveProgram(tool)) GTEST_SKIP() << tool << " is not installed";
    dir_ = fs::temp_directory_path() / ("oxqr-pdf-options-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  // Sum over pages of the lower pdftoppm figure against the JPEG pages.
  double PopplerFigure(const fs::path& pdf, int pages) {
    const fs::path render = dir_ / ("r-" + pdf.stem().string());
    fs::create_directories(render);
    RunShell("pdftoppm -r 96 -png " + ShellQuote(pdf.string()) + " " + ShellQuote((render / "p").string()));
    double sum = 0;
    for (int page = 1; page <= pages; ++page) {
      char jpg[32];
      std::snprintf(jpg, sizeof jpg, "c%.4d.jpg", page);
      const QImage reference((dir_ / jpg).string().c_str());
      const QImage poppler((render / ("p-" + std::to_string(page) + ".png")).string().c_str());
      sum += CompareDarkPixels(poppler, reference).Min();
    }
    return sum;
  }
  fs::path dir_;
};

TEST_F(PdfSampleOptionsTest, EmbeddedFontsRenderAtLeastAsClose) {
  ASSERT_EQ(Export("customers", dir_ / "c.jpg"), "");
  ASSERT_EQ(Export("customers", dir_ / "plain.pdf"), "");
  ASSERT_EQ(Export("customers", dir_ / "embedded.pdf", "--set PDF.EmbedFonts=True"), "");
  const int pages = PageCount(dir_ / "plain.pdf");
  ASSERT_EQ(PageCount(dir_ / "embedded.pdf"), pages);
  const double plain = PopplerFigure(dir_ / "plain.pdf", pages) / pages;
  const double embedded = PopplerFigure(dir_ / "embedded.pdf", pages) / pages;
  std::printf("[ fidelity ] customers mean pdftoppm figure: fonts not embedded %.4f, embedded %.4f\n", plain, embedded);
  EXPECT_GE(embedded + 1e-4, plain);
}

TEST_F(PdfSampleOptionsTest, IdenticalPicturesShareOneObject) {
  ASSERT_EQ(Export("customers", dir_ / "c.pdf", "--set PDF.ReuseIdenticalImages=True"), "");
  ASSERT_EQ(Export("customers", dir_ / "each.pdf"), "");
  // page num type width height color comp bpc enc interp object ... ("num" counts over the file)
  auto placements = [&](const fs::path& pdf) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream list(RunShell("pdfimages -list " + ShellQuote(pdf.string())).Output);
    std::string line;
    std::getline(list, line);
    std::getline(list, line);
    while (std::getline(list, line)) rows.push_back(Words(line));
    return rows;
  };
  const auto shared = placements(dir_ / "c.pdf");
  const auto each = placements(dir_ / "each.pdf");
  ASSERT_EQ(shared.size(), each.size()) << "the same placements";
  ASSERT_FALSE(shared.empty());
  // The page header's logo is the first picture of every page.
  std::set<std::string> logoObjects, eachLogoObjects;
  std::set<std::string> objects, eachObjects;
  for (std::size_t i = 0; i < shared.size(); ++i) {
    objects.insert(shared[i][10]);
    eachObjects.insert(each[i][10]);
    if (i == 0 || shared[i][0] != shared[i - 1][0]) {
      logoObjects.insert(shared[i][10]);
      eachLogoObjects.insert(each[i][10]);
    }
  }
  EXPECT_EQ(logoObjects.size(), 1u) << "one object for the logo of every page";
  EXPECT_GT(eachLogoObjects.size(), 1u) << "without the option each page embeds its own";
  EXPECT_LT(objects.size(), eachObjects.size());
  EXPECT_LT(fs::file_size(dir_ / "c.pdf"), fs::file_size(dir_ / "each.pdf"));
}

}  // namespace
}  // namespace oxqr
