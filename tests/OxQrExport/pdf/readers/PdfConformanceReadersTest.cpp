// Accessible and archival files read by programs no one here wrote: poppler's structure
// tree and text, qpdf's check, and the rule checker over pikepdf (conformance_check.py).
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/Band.h"
#include "engine/Controls.h"
#include "pdf/PdfTestSupport.h"
#include "support/ExportTestSupport.h"
#include "support/ReaderSupport.h"

namespace oxqr {
namespace {

using testing::HaveProgram;
using testing::RunPdf;
using testing::RunShell;
using testing::ShellQuote;
using testing::TPdfFile;

constexpr const char* kChecker = "/usr/bin/python3 " OXQR_TEST_SOURCE_DIR "/tests/OxQrExport/pdf/conformance_check.py";

// Bands of controls given in an order that is not the reading order, a heading, table rows
// under a header band and a page footer, written as an accessible file.
class PdfStructureReadersTest : public testing::ExportTest {
 protected:
  void SetUp() override {
    testing::ExportTest::SetUp();
    for (const char* tool : {"qpdf", "pdfinfo", "pdftotext"})
      if (!HaveProgram(tool)) GTEST_SKIP() << tool << " is not installed";
    QRExportSettings().PDF.Conformance = TPDFConformance::pdfUA1;
    QRExportSettings().PDF.Title = "Structure";
    QRExportSettings().PDF.Compressed = false;
  }
  // Prints `label`'s caption as the engine's export run does: a text block of one line.
  void Print(TOxQRPDFFilter& f, TQRLabel& label) {
    f.BeginTextBlock(label, 0, 0);
    f.WriteText(label.Size.Left, label.Size.Top, label.Font, clNone, TAlignment::taLeftJustify, label.Caption);
    f.EndTextBlock(label, 0, 0, false);
  }
  static TQRLabel& Add(TQRCustomBand& band, const std::string& text, double left, double top,
                       const std::string& role = {}) {
    auto& l = band.Add<TQRLabel>();
    l.Caption = text;
    l.Size.Left = left;
    l.Size.Top = top;
    l.Size.Width = 300;
    l.Size.Height = 50;
    l.Font.Name = "Arial";
    l.Font.Size = 10;
    l.Role = role;
    return l;
  }
  std::string File() const { return Dir() + "out.pdf"; }
  testing::TPinnedClock clock_;
  TQRPrinter printer_;
};

TEST_F(PdfStructureReadersTest, ElementsFollowTheReadingOrderAndRowsBecomeATable) {
  TQRCustomBand title(TQRBandType::rbTitle), body(TQRBandType::rbDetail), header(TQRBandType::rbColumnHeader);
  TQRCustomBand row(TQRBandType::rbDetail), footer(TQRBandType::rbPageFooter);
  Add(title, "Heading", 0, 0, "heading1");
  // Print order: right, below, left; reading order: left, right, below.
  Add(body, "Right", 800, 0);
  Add(body, "Below", 0, 100);
  Add(body, "Left", 0, 0);
  Add(header, "Amount", 900, 0);
  Add(header, "Name", 0, 0);
  Add(row, "42", 900, 0);
  Add(row, "Smith", 0, 0);
  row.Role = "tableRow";
  Add(footer, "Page 1", 0, 0);
  TOxQRPDFFilter f(File());
  RunPdf(f, printer_, 1, [&](int) {
    for (TQRCustomBand* band : {&title, &body, &header, &row, &row, &footer})
      for (const auto& c : band->Controls()) Print(f, static_cast<TQRLabel&>(*c));
  });
  const TPdfFile pdf(ReadFileBytes(File()));
  ASSERT_NE(pdf.Body(1).find("/StructTreeRoot"), std::string::npos) << pdf.Body(1);
  // The document's kids in file order: elements are written in reading order.
  std::vector<std::string> types;
  const std::regex elem("/S /(\\w+)\r\n/P \\d+ 0 R(?:\r\n/Pg \\d+ 0 R\r\n/K \\[([0-9 ]+)\\])?");
  for (auto it = std::sregex_iterator(pdf.Bytes.begin(), pdf.Bytes.end(), elem); it != std::sregex_iterator(); ++it)
    types.push_back((*it)[1].str());
  EXPECT_EQ(types, (std::vector<std::string>{"H1", "P", "P", "P", "TH", "TH", "TR", "TD", "TD", "TR", "TD", "TD",
                                            "TR", "Table", "Document"}));
  EXPECT_NE(pdf.Bytes.find("/Artifact <</Type /Pagination /Subtype /Footer>> BDC"), std::string::npos);
  // The texts as a reader gives them from the tree.
  const std::string tree = RunShell("pdfinfo -struct-text " + ShellQuote(File())).Output;
  std::vector<std::string> texts;
  const std::regex quoted("\"([^\"]*)\"");
  for (auto it = std::sregex_iterator(tree.begin(), tree.end(), quoted); it != std::sregex_iterator(); ++it)
    texts.push_back((*it)[1].str());
  EXPECT_EQ(texts, (std::vector<std::string>{"Heading", "Left", "Right", "Below", "Name", "Amount", "Smith", "42",
                                            "Smith", "42"}))
      << tree;
  EXPECT_TRUE(std::regex_search(RunShell("pdfinfo " + ShellQuote(File())).Output, std::regex("Tagged:\\s+yes")));
  const std::string check = RunShell(std::string(kChecker) + " " + ShellQuote(File()) + " --accessible 2>&1").Output;
  EXPECT_EQ(check.rfind("OK ", 0), 0u) << check;
  const std::string qpdf = RunShell("qpdf --check " + ShellQuote(File()) + " 2>&1").Output;
  EXPECT_NE(qpdf.find("No syntax or stream encoding errors found"), std::string::npos) << qpdf;
}


TEST_F(PdfStructureReadersTest, BandLeftOpenByAControlThatDidNotPrintKeepsItsPlace) {
  // The first band's last control does not print, so the band is never ended: its text
  // still reads before the next band's, although it lies lower within its own band.
  TQRCustomBand first(TQRBandType::rbDetail), second(TQRBandType::rbDetail);
  Add(first, "Earlier", 0, 100);
  Add(first, "Skipped", 0, 200);
  Add(second, "Later", 0, 0);
  TOxQRPDFFilter f(File());
  RunPdf(f, printer_, 1, [&](int) {
    Print(f, static_cast<TQRLabel&>(*first.Controls()[0]));
    Print(f, static_cast<TQRLabel&>(*second.Controls()[0]));
  });
  const std::string tree = RunShell("pdfinfo -struct-text " + ShellQuote(File())).Output;
  const auto earlier = tree.find("\"Earlier\""), later = tree.find("\"Later\"");
  ASSERT_NE(earlier, std::string::npos) << tree;
  ASSERT_NE(later, std::string::npos) << tree;
  EXPECT_LT(earlier, later) << tree;
}

TEST_F(PdfStructureReadersTest, CheckerFindsUnmarkedContentAndMissingMetadata) {
  // The plain file breaks the rules the checker knows: it must say so, not pass anything.
  QRExportSettings().PDF.Conformance = TPDFConformance::none;
  TOxQRPDFFilter f(File());
  TQRCustomBand body(TQRBandType::rbDetail);
  Add(body, "Plain", 0, 0);
  RunPdf(f, printer_, 1, [&](int) { Print(f, static_cast<TQRLabel&>(*body.Controls()[0])); });
  const std::string check =
      RunShell(std::string(kChecker) + " " + ShellQuote(File()) + " --archival --accessible 2>&1").Output;
  for (const char* rule : {"FAIL A-id", "FAIL A-xmp", "FAIL A-intent", "FAIL A-fonts", "FAIL U-xmp",
                           "FAIL U-title", "FAIL U-marked"})
    EXPECT_NE(check.find(rule), std::string::npos) << rule << "\n" << check;
}

TEST_F(PdfStructureReadersTest, ArchivalFilePassesTheArchivalRules) {
  QRExportSettings().PDF.Conformance = TPDFConformance::pdfA2bUA1;
  QRExportSettings().PDF.Author = "J. Smith";
  QRExportSettings().PDF.Keywords = "orders, 2026";
  TQRCustomBand body(TQRBandType::rbDetail);
  Add(body, "Archived", 0, 0);
  TOxQRPDFFilter f(File());
  RunPdf(f, printer_, 1, [&](int) { Print(f, static_cast<TQRLabel&>(*body.Controls()[0])); });
  const std::string check =
      RunShell(std::string(kChecker) + " " + ShellQuote(File()) + " --archival --accessible 2>&1").Output;
  EXPECT_EQ(check.rfind("OK ", 0), 0u) << check;
  EXPECT_NE(RunShell("pdftotext " + ShellQuote(File()) + " -").Output.find("Archived"), std::string::npos);
}

}  // namespace
}  // namespace oxqr
