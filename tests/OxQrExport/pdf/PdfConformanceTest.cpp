// Archival and accessible PDF: the settings a level refuses, the metadata's dates against
// the information dictionary's, what the file gains over the plain one, and the conformance
// report of a picture without alternative text.
#include <filesystem>
#include <regex>

#include <gtest/gtest.h>

#include "OxQrExport/pdf/PdfConformance.h"
#include "OxQrExport/pdf/PdfXmp.h"
#include "engine/Band.h"
#include "engine/Controls.h"
#include "pdf/PdfTestSupport.h"
#include "support/ExportTestSupport.h"

namespace oxqr {
namespace {

using testing::Inflate;
using testing::RunPdf;
using testing::TPdfFile;

struct TContradictionCase {
  std::string Name;
  TPDFConformance Level;
  TPDFFontEncoding Encoding;
  std::string Title;
  std::string Expected;  // a part of the one message expected; empty: none
};
void PrintTo(const TContradictionCase& c, std::ostream* os) { *os << c.Name; }

class PdfContradictionTest : public ::testing::TestWithParam<TContradictionCase> {};

TEST_P(PdfContradictionTest, SettingsThatContradictTheLevelAreNamed) {
  const TContradictionCase& c = GetParam();
  TOxQRPDFSettings s;
  s.FontEncoding = c.Encoding;
  const auto messages = pdf::ContradictingSettings(pdf::LevelOf(c.Level), s, c.Title);
  if (c.Expected.empty()) {
    EXPECT_TRUE(messages.empty()) << messages.front();
    return;
  }
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(c.Expected), std::string::npos) << messages[0];
  EXPECT_EQ(messages[0].rfind("PDF.Conformance ", 0), 0u) << messages[0];
}

INSTANTIATE_TEST_SUITE_P(
    Table, PdfContradictionTest,
    ::testing::Values(
        TContradictionCase{"NoneRefusesNothing", TPDFConformance::none, TPDFFontEncoding::feMacExpertEncoding, "", ""},
        TContradictionCase{"ArchivalWithDefaults", TPDFConformance::pdfA2b, TPDFFontEncoding::feWinAnsiEncoding, "", ""},
        TContradictionCase{"ArchivalRefusesAnotherEncoding", TPDFConformance::pdfA2b,
                           TPDFFontEncoding::feMacRomanEncoding, "T",
                           "PDF.FontEncoding=feMacRomanEncoding contradicts it"},
        TContradictionCase{"AccessibleNeedsATitle", TPDFConformance::pdfUA1, TPDFFontEncoding::feWinAnsiEncoding,
                           " \t", "the document has no title; give the report a title or set PDF.Title"},
        TContradictionCase{"AccessibleWithATitle", TPDFConformance::pdfUA1, TPDFFontEncoding::feWinAnsiEncoding,
                           "Orders", ""},
        TContradictionCase{"BothNameBoth", TPDFConformance::pdfA2bUA1, TPDFFontEncoding::feStandardEncoding, "T",
                           "PDF.Conformance PDF/A-2b and PDF/UA-1: PDF.FontEncoding=feStandardEncoding"}),
    [](const auto& info) { return info.param.Name; });

TEST(PdfConformanceLevelTest, TheSettingWinsOverTheReportsOwnLevel) {
  EXPECT_FALSE(pdf::EffectiveLevel(TPDFConformance::none, "").Any());
  EXPECT_FALSE(pdf::EffectiveLevel(TPDFConformance::none, "bogus").Any());
  const auto report = pdf::EffectiveLevel(TPDFConformance::none, "pdfUA1");
  EXPECT_TRUE(report.Accessible && !report.Archival);
  const auto setting = pdf::EffectiveLevel(TPDFConformance::pdfA2b, "pdfUA1");
  EXPECT_TRUE(setting.Archival && !setting.Accessible);
  EXPECT_EQ(pdf::LevelOf(TPDFConformance::pdfA2bUA1).Name(), "PDF/A-2b and PDF/UA-1");
}

TEST(PdfXmpTest, MetadataDatesAreTheInformationDatesInTheirOwnSyntax) {
  TLocalTime t;
  t.Tm.tm_year = 2026 - 1900;
  t.Tm.tm_mon = 11;
  t.Tm.tm_mday = 31;
  t.Tm.tm_hour = 23;
  t.Tm.tm_min = 59;
  t.Tm.tm_sec = 58;
  struct TCase {
    int Bias;
    const char* Xmp;
    const char* Info;
  };
  for (const TCase& c : {TCase{0, "2026-12-31T23:59:58+00:00", "D:20261231235958+00'00'"},
                         TCase{-330, "2026-12-31T23:59:58+05:30", "D:20261231235958+05'30'"},
                         TCase{300, "2026-12-31T23:59:58-05:00", "D:20261231235958-05'00'"}}) {
    EXPECT_EQ(pdf::XmpDate(t, c.Bias), c.Xmp);
    EXPECT_EQ(pdf::InfoDate(t, c.Bias), c.Info);
  }
}

TEST(PdfXmpTest, PacketEscapesTextAndDescribesTheAccessibilitySchemaOnlyBesideArchival) {
  pdf::TXmpFields f;
  f.Title = "Q&A <2026> \"x\"";
  f.Producer = "P";
  f.Accessible = true;
  const std::string ua = pdf::XmpPacket(f);
  EXPECT_NE(ua.find("<rdf:li xml:lang=\"x-default\">Q&amp;A &lt;2026&gt; &quot;x&quot;</rdf:li>"), std::string::npos);
  EXPECT_NE(ua.find("<pdfuaid:part>1</pdfuaid:part>"), std::string::npos);
  EXPECT_EQ(ua.find("pdfaid:part"), std::string::npos);
  EXPECT_EQ(ua.find("pdfaExtension"), std::string::npos);
  f.Archival = true;
  const std::string both = pdf::XmpPacket(f);
  EXPECT_NE(both.find("<pdfaid:part>2</pdfaid:part>"), std::string::npos);
  EXPECT_NE(both.find("<pdfaid:conformance>B</pdfaid:conformance>"), std::string::npos);
  EXPECT_NE(both.find("<pdfaSchema:prefix>pdfuaid</pdfaSchema:prefix>"), std::string::npos);
}

class PdfConformanceFileTest : public testing::ExportTest {
 protected:
  std::string File() const { return Dir() + "out.pdf"; }
  static TOxQrTextRec Line(const std::string& text, double x, double y) {
    TOxQrTextRec r;
    r.X = x;
    r.Y = y;
    r.Width = 40;
    r.Height = 12;
    r.Font.Name = "Arial";
    r.Font.Size = 10;
    r.Text = text;
    return r;
  }
  // The first object whose body matches `pattern`, or "".
  static std::string FindBody(const TPdfFile& pdf, const std::string& pattern) {
    const std::regex re(pattern);
    for (const auto& [n, offset] : pdf.Offsets)
      if (std::regex_search(pdf.Body(n), re)) return pdf.Body(n);
    return {};
  }
  testing::TPinnedClock clock_;
  TQRPrinter printer_;
};

TEST_F(PdfConformanceFileTest, ArchivalFileCarriesMetadataIntentIdentifierAndEmbeddedUnicodeFonts) {
  QRExportSettings().PDF.Conformance = TPDFConformance::pdfA2b;
  QRExportSettings().PDF.Title = "Archived";
  TOxQRPDFFilter f(File());
  RunPdf(f, printer_, 1, [&](int) { f.AddText(Line("Archived text", 56, 720)); });
  const TPdfFile pdf(ReadFileBytes(File()));
  EXPECT_EQ(pdf.Bytes.substr(0, 10), "%PDF-1.7\r\n");
  const std::string catalog = pdf.Body(1);
  EXPECT_NE(catalog.find("/Metadata "), std::string::npos) << catalog;
  EXPECT_NE(catalog.find("/OutputIntents ["), std::string::npos) << catalog;
  EXPECT_EQ(catalog.find("/StructTreeRoot"), std::string::npos) << "archival alone is not tagged";
  const std::string info = pdf.Body(3);
  EXPECT_NE(info.find("/CreationDate (D:20260309140507+01'00')\r\n/ModDate (D:20260309140507+01'00')"),
            std::string::npos)
      << info;
  EXPECT_NE(pdf.Bytes.find("<xmp:CreateDate>2026-03-09T14:05:07+01:00</xmp:CreateDate>"), std::string::npos);
  EXPECT_TRUE(std::regex_search(pdf.Bytes, std::regex("/ID \\[<[0-9A-F]{32}> <[0-9A-F]{32}>\\]\r\n>>\r\nstartxref")));
  EXPECT_NE(FindBody(pdf, "/S /GTS_PDFA1"), "");
  EXPECT_NE(FindBody(pdf, "/Subtype /Type0"), "") << "text goes through embedded Unicode fonts";
  EXPECT_EQ(FindBody(pdf, "/Subtype /TrueType"), "");
  // The same run again gives the same bytes: nothing of the file depends on the moment.
  const std::string first = pdf.Bytes;
  TOxQRPDFFilter again(File());
  RunPdf(again, printer_, 1, [&](int) { again.AddText(Line("Archived text", 56, 720)); });
  EXPECT_EQ(ReadFileBytes(File()), first);
}

TEST_F(PdfConformanceFileTest, ContradictingSettingLeavesNoFileAndSaysWhy) {
  std::vector<std::string> errors;
  QRExportSettings().OnErrorMessage = [&](TOxQRExportFilter*, const std::string& m) { errors.push_back(m); };
  QRExportSettings().PDF.Conformance = TPDFConformance::pdfUA1;  // and no title anywhere
  TOxQRPDFFilter f(File());
  RunPdf(f, printer_, 1, [&](int) { f.AddText(Line("x", 56, 720)); });
  EXPECT_TRUE(f.Aborted());
  EXPECT_FALSE(std::filesystem::exists(File()));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("no title"), std::string::npos) << errors[0];
}

class PdfStructureFileTest : public PdfConformanceFileTest {
 protected:
  void SetUp() override {
    PdfConformanceFileTest::SetUp();
    QRExportSettings().PDF.Conformance = TPDFConformance::pdfUA1;
    QRExportSettings().PDF.Title = "Structure";
  }
};

TEST_F(PdfStructureFileTest, PictureWithoutAltTextFailsStrictlyAndWarnsOtherwise) {
  std::vector<std::string> errors;
  QRExportSettings().OnErrorMessage = [&](TOxQRExportFilter*, const std::string& m) { errors.push_back(m); };
  TQRCustomBand band(TQRBandType::rbDetail);
  auto& image = band.Add<TQRImage>();
  image.Name = "Logo";
  image.Size.Width = image.Size.Height = 100;
  TBitmap picture(8, 8);
  auto run = [&] {
    TOxQRPDFFilter f(File());
    RunPdf(f, printer_, 1, [&](int) { f.WriteGraphic(image, picture, 0, 0, true, false); });
  };
  run();
  EXPECT_FALSE(std::filesystem::exists(File()));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("picture Logo has no alternative text"), std::string::npos) << errors[0];

  errors.clear();
  QRExportSettings().PDF.ConformanceStrict = false;
  run();
  EXPECT_TRUE(std::filesystem::exists(File()));
  EXPECT_TRUE(errors.empty());
  ASSERT_EQ(QRExportSettings().ConformanceWarnings.size(), 1u);
  EXPECT_NE(QRExportSettings().ConformanceWarnings[0].find("PDF/UA-1: picture Logo"), std::string::npos);

  image.Alt = "Company logo";
  run();
  EXPECT_TRUE(QRExportSettings().ConformanceWarnings.empty());
  EXPECT_NE(ReadFileBytes(File()).find("/S /Figure"), std::string::npos);
  EXPECT_NE(ReadFileBytes(File()).find("/Alt (Company logo)"), std::string::npos);
}

}  // namespace
}  // namespace oxqr
