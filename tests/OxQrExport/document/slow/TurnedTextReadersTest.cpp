// Turned text through the command-line exporter, read back by programs no one here wrote:
// poppler's word boxes (each turned word inside its control's box, tall when quarter-turned,
// the lines of a turned memo side by side), the rendered pages of PDF, HTML (Chromium) and
// RTF (LibreOffice) against the page picture, openpyxl's cell rotation, and the words in the
// CSV and text files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include <QImage>

#include "platform/Files.h"
#include "support/ExportTestSupport.h"
#include "support/Fidelity.h"
#include "support/ReaderSupport.h"

namespace oxqr {
namespace {

namespace fs = std::filesystem;
using namespace oxqr::testing;

// Every control sits in the title band, 10 mm from the paper's top-left corner.
struct TTurnCase {
  const char* Word;
  int Rotation;
  double Left, Top, Width, Height;  // the control's box, mm inside the margins
  int CellRotation;                 // what openpyxl reads as the cell's textRotation
};
const TTurnCase kCases[] = {
    {"UPRIGHT", 0, 10, 5, 40, 7, 0},
    {"NINETY", 90, 60, 5, 7, 40, 90},
    {"HALFTURN", 180, 80, 5, 40, 7, 0},
    {"TWOSEVENTY", 270, 130, 5, 7, 40, 180},  // 90 degrees clockwise, as the file stores it
};

std::string Definition() {
  std::ostringstream out;
  out << R"(<?xml version="1.0" encoding="UTF-8"?>
<report title="Turned" paper="A4" topMargin="10" bottomMargin="10" leftMargin="10" rightMargin="10">
  <band type="title" height="60">
)";
  for (const TTurnCase& c : kCases)
    out << "    <label left=\"" << c.Left << "\" top=\"" << c.Top << "\" width=\"" << c.Width << "\" height=\""
        << c.Height << "\" text=\"" << c.Word << "\" rotation=\"" << c.Rotation
        << "\" fontSize=\"12\" frame=\"all\" autoSize=\"false\"/>\n";
  // Two lines turned a quarter: the first at the box's left, the second beside it.
  out << R"(    <memo left="160" top="5" width="12" height="40" rotation="90" fontSize="10" autoSize="false">
      <line>FIRSTLINE</line><line>SECONDLINE</line>
    </memo>
  </band>
</report>
)";
  return out.str();
}

double Points(double mm) { return mm * 72.0 / 25.4; }

class TurnedTextReaders : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    std::ofstream(Dir() + "turned.oxr") << Definition();
  }
  void Export(const std::string& output, const std::string& settings = "") {
    const TShellRun r = RunShell("QT_QPA_PLATFORM=offscreen " + ShellQuote(OXQR_EXPORTER) + " --quiet " + settings +
                                 " " + ShellQuote(Dir() + "turned.oxr") + " " + ShellQuote(Dir() + output) + " 2>&1");
    ASSERT_EQ(r.Status, 0) << r.Output;
  }
  // The page picture (JPEG at 96 pixels per inch) against a reader's rendering of page 1.
  void ExpectLikePagePicture(const std::string& rendered, double floor, const std::string& what) {
    Export("p.jpg");
    const TFidelity f = CompareDarkPixels(QImage(QString::fromStdString(rendered)),
                                          QImage(QString::fromStdString(Dir() + "p0001.jpg")));
    std::printf("[ fidelity ] turned text %s: %.4f / %.4f\n", what.c_str(), f.AInB, f.BInA);
    EXPECT_GE(f.Min(), floor) << what;
  }
};

struct TWordBox {
  double XMin = 0, YMin = 0, XMax = 0, YMax = 0;
};

std::map<std::string, TWordBox> PdfWords(const std::string& pdf) {
  std::map<std::string, TWordBox> words;
  const std::string html = RunShell("pdftotext -bbox " + ShellQuote(pdf) + " - 2>/dev/null").Output;
  const std::regex word(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), word); it != std::sregex_iterator(); ++it)
    words[(*it)[5]] = {std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3]), std::stod((*it)[4])};
  return words;
}

TEST_F(TurnedTextReaders, PdfWordsLieTurnedInsideTheirBoxesAndThePageLooksLikeThePicture) {
  if (!HaveProgram("pdftotext") || !HaveProgram("pdftoppm")) GTEST_SKIP() << "poppler is not installed";
  Export("t.pdf");
  const auto words = PdfWords(Dir() + "t.pdf");
  for (const TTurnCase& c : kCases) {
    ASSERT_TRUE(words.contains(c.Word)) << c.Word;
    const TWordBox& w = words.at(c.Word);
    const double left = Points(10 + c.Left), top = Points(10 + c.Top);
    EXPECT_GE(w.XMin, left - 1) << c.Word;
    EXPECT_GE(w.YMin, top - 1) << c.Word;
    EXPECT_LE(w.XMax, left + Points(c.Width) + 1) << c.Word;
    EXPECT_LE(w.YMax, top + Points(c.Height) + 1) << c.Word;
    const bool tall = w.YMax - w.YMin > w.XMax - w.XMin;
    EXPECT_EQ(tall, c.Rotation % 180 != 0) << c.Word;
  }
  // A 90 degree text reads bottom to top: left aligned, it starts at the box's bottom.
  EXPECT_NEAR(words.at("NINETY").YMax, Points(10 + 5 + 40), 2);
  ASSERT_TRUE(words.contains("FIRSTLINE") && words.contains("SECONDLINE"));
  EXPECT_LT(words.at("FIRSTLINE").XMax, words.at("SECONDLINE").XMin + 1) << "lines side by side, the first left";

  RunShell("pdftoppm -r 96 -png -f 1 -l 1 " + ShellQuote(Dir() + "t.pdf") + " " + ShellQuote(Dir() + "d"));
  ExpectLikePagePicture(Dir() + "d-1.png", 0.99, "pdf");
}

TEST_F(TurnedTextReaders, HtmlTurnsTheLinesInChromiumAsThePageDoes) {
  if (!HaveProgram("chromium")) GTEST_SKIP() << "chromium is not installed";
  Export("h.htm", "--set HTML.ShowNavigator=False");
  std::ifstream in(Dir() + "h0001.htm");
  const std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const TTurnCase& c : kCases) {
    const std::size_t at = html.find(std::string(">") + c.Word + "</DIV>");
    ASSERT_NE(at, std::string::npos) << c.Word;
    const std::string div = html.substr(html.rfind("<DIV", at), at - html.rfind("<DIV", at));
    const std::string turn = "transform:rotate(" + std::to_string(-c.Rotation) + "deg)";
    EXPECT_EQ(div.find(turn) != std::string::npos, c.Rotation != 0) << div;
  }
  const std::string png = Dir() + "h.png";
  RunShell("timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
           "--force-device-scale-factor=1 --window-size=794,1123 --user-data-dir=" +
           ShellQuote(Dir() + ".chromium") + " --screenshot=" + ShellQuote(png) + " " +
           ShellQuote(Dir() + "h0001.htm") + " >/dev/null 2>&1");
  ASSERT_TRUE(fs::exists(png));
  ExpectLikePagePicture(png, 0.98, "html");
}

TEST_F(TurnedTextReaders, RtfInLibreOfficeLooksLikeThePagePicture) {
  if (!HaveProgram("soffice") || !HaveProgram("pdftoppm")) GTEST_SKIP() << "soffice or pdftoppm is not installed";
  Export("r.rtf");
  const fs::path pdf = SofficeConvert(Dir() + "r.rtf", "pdf", Dir() + "rtf");
  ASSERT_TRUE(fs::exists(pdf));
  RunShell("pdftoppm -r 96 -png -f 1 -l 1 " + ShellQuote(pdf.string()) + " " + ShellQuote(Dir() + "r"));
  ExpectLikePagePicture(Dir() + "r-1.png", 0.9, "rtf");
}

TEST_F(TurnedTextReaders, WorkbookCellsCarryTheTurnAndTextFilesTheWords) {
  Export("t.xlsx");
  Export("t.csv");
  Export("t.txt");
  const std::string csv = ReadFileBytes(Dir() + "t.csv");
  const std::string txt = ReadFileBytes(Dir() + "t.txt");
  for (const TTurnCase& c : kCases) {
    EXPECT_NE(csv.find(c.Word), std::string::npos) << c.Word;
    EXPECT_NE(txt.find(c.Word), std::string::npos) << c.Word;
  }
  if (RunShell("/usr/bin/python3 -c 'import openpyxl' 2>&1").Status != 0) GTEST_SKIP() << "openpyxl is missing";
  const TShellRun r = RunShell(
      "/usr/bin/python3 -c 'import openpyxl, sys\n"
      "for row in openpyxl.load_workbook(sys.argv[1]).active.iter_rows():\n"
      "  for c in row:\n"
      "    if c.value: print(c.value, int(c.alignment.textRotation or 0))' " +
      ShellQuote(Dir() + "t.xlsx") + " 2>&1");
  ASSERT_EQ(r.Status, 0) << r.Output;
  for (const TTurnCase& c : kCases)
    EXPECT_NE(r.Output.find(std::string(c.Word) + " " + std::to_string(c.CellRotation) + "\n"), std::string::npos)
        << c.Word << ":\n" << r.Output;
}

}  // namespace
}  // namespace oxqr
