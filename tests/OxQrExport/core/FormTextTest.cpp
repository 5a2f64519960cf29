// Form text of the TOxQRFilters component and the command line's --set: both go through
// the one property table, so the stored rules and value syntax are checked here.
#include <string>

#include <gtest/gtest.h>

#include "OxQrExport/core/Filters.h"
#include "OxQrExport/core/SettingProperties.h"
#include "platform/Errors.h"
#include "support/ExportTestSupport.h"

namespace oxqr {
namespace {

using testing::ExportTest;
using testing::ResetExportSettings;

TEST_F(ExportTest, DefaultFormTextHoldsOnlyTheScaleFactor) {
  const TOxQRFilters filters;
  EXPECT_EQ(filters.WriteFormText(""), "  Text.XScaleFactor = 1.0\n");
  EXPECT_EQ(filters.WriteFormText("OxQRFilters1"),
            "object OxQRFilters1: TOxQRFilters\n"
            "  Text.XScaleFactor = 1.0\n"
            "end\n");
}

TEST_F(ExportTest, StoredRulesDecideWhichValuesAreWritten) {
  const TOxQRFilters filters;
  TOxQRExportSettings& s = QRExportSettings();

  s.PDF.Creator = "QRReport";  // equal to the resource string: not written
  s.Text.XScaleFactor = 0.0;   // the scale factor is left out only at 0
  EXPECT_EQ(filters.WriteFormText(""), "");

  s.PDF.Creator = "Accounts";
  s.HTML.Author = "";
  s.HTML.Title = "Sales";
  s.HTML.FirstLinkText = "First";  // equal to its default
  s.HTML.NextLinkText = "Forward";
  s.Text.XScaleFactor = 1.0;
  s.JPEG.Quality = 100;
  s.GIF.Monochrome = true;
  EXPECT_EQ(filters.WriteFormText(""),
            "  HTML.Title = 'Sales'\n"
            "  HTML.NextLinkText = 'Forward'\n"
            "  PDF.Creator = 'Accounts'\n"
            "  Text.XScaleFactor = 1.0\n"
            "  GIF.Monochrome = True\n");
}

TEST_F(ExportTest, FormTextRoundTripsChangedValues) {
  const TOxQRFilters filters;
  TOxQRExportSettings& s = QRExportSettings();
  s.SetVisibleFilters({TOxQRFilterKind::fkPDF, TOxQRFilterKind::fkText});
  s.HTML.Title = "It's \"quoted\"\r\nsecond line\x80";
  s.HTML.ImageDPI = 150;
  s.HTML.NavigatorType = TOxQRNavigatorType::ntFixedToPage;
  s.PDF.CompressionMethod = TPDFCompressionMethod::cmFastest;
  s.PDF.SetExportImageFormat(TOxImageFormat::ifJPG);
  s.RTF.Creator = "";
  s.RTF.ImagePixelFormat = TPixelFormat::pf8bit;
  s.Excel.LineSpacing = TTextLineSpacing::lsFiveBlank;
  s.Text.XScaleFactor = 2.25;
  s.JPEG.Quality = 7;
  s.WMF.FillUnusedArea = false;

  const std::string text = filters.WriteFormText("OxQRFilters1");
  EXPECT_NE(text.find("  VisibleFilters = [fkPDF, fkText]\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  HTML.Title = 'It''s \"quoted\"'#13#10'second line\x80'\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  RTF.Creator = ''\n"), std::string::npos) << text;

  ResetExportSettings();
  filters.ReadFormText(text);
  EXPECT_EQ(filters.WriteFormText("OxQRFilters1"), text);
  EXPECT_EQ(s.VisibleFilters(), TOxQRVisibleFilters({TOxQRFilterKind::fkPDF, TOxQRFilterKind::fkText}));
  EXPECT_EQ(s.HTML.Title, "It's \"quoted\"\r\nsecond line\x80");
  EXPECT_EQ(s.PDF.ExportImageFormat(), TOxImageFormat::ifJPG);
  EXPECT_EQ(s.RTF.Creator, "");
  EXPECT_DOUBLE_EQ(s.Text.XScaleFactor, 2.25);
  EXPECT_EQ(s.JPEG.Quality, 7);
}

TEST_F(ExportTest, ReadingBadFormTextThrowsBeforeChangingAnything) {
  const TOxQRFilters filters;
  const auto expectThrowNaming = [&](const std::string& text, const std::string& name) {
    try {
      filters.ReadFormText(text);
      ADD_FAILURE() << "no exception for " << text;
    } catch (const EOxQRError& e) {
      EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    }
  };
  expectThrowNaming("  HTML.SingleFile = True\r\n  HTML.NoSuchThing = 1\r\n", "HTML.NoSuchThing");
  expectThrowNaming("  JPEG.Quality = 300\n", "JPEG.Quality");
  expectThrowNaming("  HTML.Title = Sales\n", "HTML.Title");
  expectThrowNaming("  PDF.FontEncoding = feUnicode\n", "PDF.FontEncoding");
  expectThrowNaming("  VisibleFilters = fkPDF\n", "VisibleFilters");
  EXPECT_FALSE(QRExportSettings().HTML.SingleFile) << "a line before the bad one was applied";

  // The read-only texts may appear and are ignored.
  filters.ReadFormText("object F: TOxQRFilters\n  About = 'x'\n  Version = '9'\nend\n");
  EXPECT_EQ(filters.About(), "OxQRFilters - WYSIWYG Export Filters for QRReport (https://oxqrfilters.example.org)");
  EXPECT_EQ(filters.Version(), "2.11");
}

TEST_F(ExportTest, SetSettingByPathAcceptsCommandLineValues) {
  struct Case {
    const char* Path;
    const char* Value;
    const char* Stored;  // form text of the value afterwards
  };
  const Case cases[] = {
      {"HTML.SingleFile", "true", "True"},
      {"html.singlefile", "FALSE", "False"},
      {"PDF.CompressionMethod", "cmFastest", "cmFastest"},
      {"Text.XScaleFactor", "2.0", "2.0"},
      {"JPEG.Quality", "75", "75"},
      {"VisibleFilters", "fkPDF,fkHTML", "[fkHTML, fkPDF]"},
      {"VisibleFilters", "[fkText]", "[fkText]"},
      {"HTML.Title", "  Sales 'Q1'  ", "'  Sales ''Q1''  '"},
      {"PDF.ExportImageFormat", "ifJPG", "ifJPG"},
      {"Excel.LineSpacing", "lsTwoBlank", "lsTwoBlank"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Path) + "=" + c.Value);
    std::string error;
    ASSERT_TRUE(SetSettingByPath(c.Path, c.Value, error)) << error;
    const TSettingProperty* p = FindSetting(c.Path);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(FormatFormValue(*p, p->Get(QRExportSettings())), c.Stored);
  }
}

TEST_F(ExportTest, SetSettingByPathRejectsWithAnErrorNamingThePath) {
  std::string lastMessage;
  QRExportSettings().OnErrorMessage = [&](TOxQRExportFilter*, const std::string& m) { lastMessage = m; };
  struct Case {
    const char* Path;
    const char* Value;
    const char* Named;
  };
  const Case cases[] = {
      {"HTML.NoSuchThing", "1", "HTML.NoSuchThing"},
      {"HTML.SingleFile", "yes", "HTML.SingleFile"},
      {"JPEG.Quality", "high", "JPEG.Quality"},
      {"JPEG.Quality", "256", "JPEG.Quality"},
      {"HTML.ImageDPI", "1.5", "HTML.ImageDPI"},
      {"Text.XScaleFactor", "2,0", "Text.XScaleFactor"},
      {"PDF.CompressionMethod", "cmBest", "PDF.CompressionMethod"},
      {"VisibleFilters", "fkPDF,,fkHTML", "VisibleFilters"},
      {"PDF.ExportImageFormat", "ifGIF", "PDF.ExportImageFormat"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Path) + "=" + c.Value);
    std::string error;
    EXPECT_FALSE(SetSettingByPath(c.Path, c.Value, error));
    EXPECT_NE(error.find(c.Named), std::string::npos) << error;
  }
  EXPECT_EQ(QRExportSettings().PDF.ExportImageFormat(), TOxImageFormat::ifBMP);
  EXPECT_EQ(lastMessage, "The PDF export supports only JPEG and BMP image formats");
  EXPECT_EQ(QRExportSettings().JPEG.Quality, 100);
  EXPECT_EQ(QRExportSettings().VisibleFilters(), TOxQRVisibleFilters::All());
}

}  // namespace
}  // namespace oxqr
