// The document frame: file names, the head, the navigator, the style sheet and failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "HtmlTestSupport.h"
#include "OxQrConsts/OxQrConsts.h"
#include "platform/CodePage.h"
#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

using testing::HtmlTest;

class HtmlDocument : public HtmlTest {
 protected:
  std::vector<std::string> errors_;
  void CollectErrors() {
    QRExportSettings().OnErrorMessage = [this](TOxQRExportFilter*, const std::string& m) { errors_.push_back(m); };
  }
};

const std::string kMetaToProducer =
    "<META HTTP-EQUIV=\"Content-Style-Type\" CONTENT=\"text/css\" CHARSET=\"ISO-8859-1\">\r\n"
    "<META NAME=\"Keywords\" CONTENT=\"\">\r\n"
    "<META NAME=\"Author\" CONTENT=\"\">\r\n"
    "<META NAME=\"Creator\" CONTENT=\"QRReport\">\r\n"
    "<META NAME=\"Producer\" CONTENT=\"OxQRFilters V2.11 for QRReport (https://oxqrfilters.example.org)\">";

const std::string kLinkRules =
    "\r\nA:link {font:18pt Wingdings; text-decoration:none; color:#0000FF; background-color:#FFFFFF}"
    "\r\nA:visited {font:18pt Wingdings; text-decoration:none; color:#0000FF; background-color:#FFFFFF}"
    "\r\nA:hover {font:18pt Wingdings; text-decoration:none; color:#FFFFFF;background-color:#0000FF}";

TEST_F(HtmlDocument, OnePageReportIsItsFirstPageFileWithLinkRulesButNoNavigator) {
  int endPages = 0;
  QRExportSettings().OnEndPage = [&](TOxQRExportFilter*) { ++endPages; };
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  Run(f, 1);
  EXPECT_EQ(endPages, 1) << "the engine's close before page 1 is silent";
  EXPECT_FALSE(FileExists(Dir() + "sales.htm"));
  EXPECT_EQ(Read("sales0001.htm"),
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 transitional//EN\">\r\n<HTML> <HEAD>\r\n"
            "<TITLE>Sales Report</TITLE>\r\n" +
                kMetaToProducer + "\r\n<STYLE>\r\n<!--\r\nDIV {position:absolute; font:10pt Arial; color:#000000}" +
                kLinkRules +
                "\r\nSPAN {position: absolute; visibility: hidden}\r\n-->\r\n</STYLE>\r\n</HEAD>\r\n"
                "<BODY BGCOLOR = \"#FFFFFF\">\r\n</BODY>\r\n</HTML>\r\n");
  ASSERT_EQ(QRExportSettings().CreatedReportFiles.Count(), 1);
  EXPECT_EQ(QRExportSettings().CreatedReportFiles[0], "sales0001.htm");
}

TEST_F(HtmlDocument, HeadValuesAreEscapedAndSubjectIsWrittenOnlyWhenSet) {
  Settings().Title = "Q1 <draft> & \"final\"";
  Settings().Author = "O\"Brien & Sons";
  Settings().Keywords = "a<b";
  Settings().Subject = "Sales";
  Settings().OptimizeForIE = false;
  Settings().ShowNavigator = false;
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  Run(f, 1);
  EXPECT_EQ(HeadOf(Read("sales0001.htm")),
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 transitional//EN\">\r\n<HTML> <HEAD>\r\n"
            "<TITLE>Q1 &lt;draft&gt; &amp; &quot;final&quot;</TITLE>\r\n"
            "<META HTTP-EQUIV=\"Content-Style-Type\" CONTENT=\"text/css\" CHARSET=\"ISO-8859-1\">\r\n"
            "<META NAME=\"Keywords\" CONTENT=\"a&lt;b\">\r\n"
            "<META NAME=\"Author\" CONTENT=\"O&quot;Brien &amp; Sons\">\r\n"
            "<META NAME=\"Creator\" CONTENT=\"QRReport\">\r\n"
            "<META NAME=\"Subject\" CONTENT=\"Sales\">\r\n"
            "<META NAME=\"Producer\" CONTENT=\"OxQRFilters V2.11 for QRReport (https://oxqrfilters.example.org)\">"
            "\r\n<STYLE>\r\n<!--\r\nSPAN {position: absolute; visibility: hidden}\r\n-->\r\n</STYLE>\r\n</HEAD>\r\n"
            "<BODY BGCOLOR = \"#FFFFFF\">\r\n");
}

TEST_F(HtmlDocument, CharsetFollowsTheAnsiCodePage) {
  struct Restore {
    int cp = AnsiCodePage();
    ~Restore() { SetAnsiCodePage(cp); }
  } restore;
  SetAnsiCodePage(1251);
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  Run(f, 1, [&](int) { f.WriteText(100, 100, font_, clWhite, TAlignment::taLeftJustify, "\xCF\xF0\xE8\xE2\xE5\xF2"); });
  const std::string html = Read("sales0001.htm");
  EXPECT_NE(html.find("CHARSET=\"windows-1251\""), std::string::npos);
  EXPECT_NE(html.find(">\xCF\xF0\xE8\xE2\xE5\xF2</DIV>"), std::string::npos) << "bytes stay in the code page";
}

TEST_F(HtmlDocument, ThreePagesLinkToEachOtherAndThePageOneHeadCarriesTheScript) {
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  Run(f, 3);
  const std::string h = f.FormatNumber(f.NavHeight);
  const std::string w = f.FormatNumber(f.NavWidth);
  ASSERT_GT(f.NavHeight, 20);
  ASSERT_GT(f.NavWidth, 40);
  // At the window's lower right corner, but never left of the page's right edge (794 pixels).
  const std::string top = "document.body.scrollTop + document.body.clientHeight - " + h;
  const std::string left = "Math.max(794, document.body.scrollLeft + document.body.clientWidth - " + w + ")";
  const std::string ie =
      "document.all.OxNavigator.style.pixelTop = " + top + ";document.all.OxNavigator.style.pixelLeft = " + left;
  const std::string byId =
      "document.getElementById('OxNavigator').style.top = window.pageYOffset + window.innerHeight - " + h +
      " + 'px';document.getElementById('OxNavigator').style.left = Math.max(794, window.pageXOffset + "
      "window.innerWidth - " + w + ") + 'px';";
  const std::string script =
      "function floatNavigator(){\r\n"
      "\tif (document.all){" +
      ie +
      ";}\r\n"
      "\telse if(document.getElementById){" +
      byId +
      "}\r\n"
      "}\r\n"
      "if (document.all){window.onresize = SetResizeLeft;window.onscroll = floatNavigator;}\r\n"
      "else setInterval ('floatNavigator()', 100);\r\n"
      "function initNavigator(){\r\n"
      "if (document.all){" +
      ie +
      ";document.all.OxNavigator.style.visibility = 'visible';}\r\n"
      "\telse if (document.getElementById){" +
      byId +
      "document.getElementById('OxNavigator').style.visibility = 'visible';}\r\n"
      "}\r\n"
      "function SetResizeLeft(){\r\n"
      "\tif (document.all){" +
      ie +
      ";}\r\n"
      "\telse if (document.getElementById){" +
      byId +
      "}\r\n"
      "}";
  EXPECT_EQ(HeadOf(Read("sales0001.htm")),
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 transitional//EN\">\r\n<HTML> <HEAD>\r\n"
            "<TITLE>Sales Report</TITLE>\r\n" +
                kMetaToProducer + "\r\n<STYLE>\r\n<!--\r\nDIV {position:absolute; font:10pt Arial; color:#000000}" +
                kLinkRules +
                "\r\nSPAN {position: absolute; visibility: hidden}\r\n-->\r\n</STYLE>"
                "\r\n<SCRIPT LANGUAGE=\"JavaScript\">\r\n<!--\r\n" +
                script +
                "\r\n-->\r\n</SCRIPT>\r\n</HEAD>\r\n"
                "<BODY BGCOLOR = \"#FFFFFF\" onLoad=\"initNavigator()\">\r\n");

  auto navigator = [](const std::string& first, const std::string& prev, const std::string& next,
                      const std::string& last) {
    auto link = [](const std::string& file, const char* title, const char* arrow) {
      return "<A " + (file.empty() ? "" : "HREF=\"" + file + "\" ") + "TITLE=\"" + title + "\">" + arrow + "</A>";
    };
    return "<SPAN ID=\"OxNavigator\">\r\n<DIV STYLE=\"font:18pt Wingdings; color:#0000FF\">" +
           link(first, "First Page", "&#9650;") + "&nbsp;" + link(prev, "Previous Page", "&#9664;") + "&nbsp;" +
           link(next, "Next Page", "&#9654;") + "&nbsp;" + link(last, "Last Page", "&#9660;") + "</DIV>\r\n</SPAN>";
  };
  EXPECT_EQ(BodyOf(Read("sales0001.htm")), navigator("", "", "sales0002.htm", "sales0003.htm"));
  EXPECT_EQ(BodyOf(Read("sales0002.htm")),
            navigator("sales0001.htm", "sales0001.htm", "sales0003.htm", "sales0003.htm"));
  EXPECT_EQ(BodyOf(Read("sales0003.htm")), navigator("sales0001.htm", "sales0002.htm", "", ""));
}

TEST_F(HtmlDocument, NavigatorFixedToThePageSitsBelowItsLowerRightCornerWithoutAScript) {
  Settings().NavigatorType = TOxQRNavigatorType::ntFixedToPage;
  Settings().UseTextLinks = true;
  Settings().OptimizeForIE = false;
  Settings().FirstLinkText = "<<";
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  Run(f, 2);
  TFont arial18;
  arial18.Size = 18;
  const TSize measured = TextExtent(arial18, "<< ");
  EXPECT_EQ(f.NavWidth, 4 * measured.cx);
  EXPECT_EQ(f.NavHeight, measured.cy);
  const std::string html = Read("sales0002.htm");
  EXPECT_EQ(html.find("<SCRIPT"), std::string::npos);
  EXPECT_EQ(html.find("onLoad"), std::string::npos);
  EXPECT_EQ(BodyOf(html), "<DIV STYLE=\"position:absolute; top: " + f.FormatNumber(1123) +
                              "px; left: " + f.FormatNumber(794 - f.NavWidth) +
                              "px; font:18pt Arial; color:#0000FF\"><A HREF=\"sales0001.htm\" TITLE=\"First Page\">"
                              "&lt;&lt;</A>&nbsp;<A HREF=\"sales0001.htm\" TITLE=\"Previous Page\">Previous</A>&nbsp;"
                              "<A TITLE=\"Next Page\">Next</A>&nbsp;<A TITLE=\"Last Page\">Last</A></DIV>\r\n");
}

TEST_F(HtmlDocument, RenamedPageFilesAreLinkedWithEncodedReferences) {
  QRExportSettings().OnMakeRepFileName = [](TOxQRExportFilter*, std::string& name, int page) {
    name = "Q1 #" + std::to_string(page) + ".htm";
  };
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  Run(f, 2);
  EXPECT_TRUE(FileExists(Dir() + "Q1 #1.htm"));
  EXPECT_NE(Read("Q1 #1.htm").find("<A HREF=\"Q1 %232.htm\" TITLE=\"Next Page\">"), std::string::npos);
}

TEST_F(HtmlDocument, PagesBeyondThePreviewsCountStillGetFiles) {
  TOxQRHTMLFilter perPage(Dir() + "sales.htm");
  Run(perPage, 2, {}, /*previewPages=*/1);
  EXPECT_TRUE(FileExists(Dir() + "sales0002.htm"));
  EXPECT_EQ(QRExportSettings().CreatedReportFiles.Count(), 2);

  Settings().SingleFile = true;
  TOxQRHTMLFilter one(Dir() + "one.htm");
  printer_.Clear();
  Run(
      one, 2, [&](int k) { one.AddText(Line(1, 1, 1, TAlignment::taLeftJustify, "p" + std::to_string(k))); },
      /*previewPages=*/0);
  const std::string html = Read("one.htm");
  EXPECT_NE(html.find(">p2</DIV>"), std::string::npos) << "the file is finished when the job ends";
}

TEST_F(HtmlDocument, ExternalStyleSheetKeepsClassNumbersAcrossFiles) {
  Settings().OutputStylesToCSSFile = true;
  Settings().CSSFileName = "styles\\report";
  const auto workingFolder = std::filesystem::current_path();
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  Run(f, 2, [&](int k) {
    TOxQrTextRec bold = Line(10, 10, 20, TAlignment::taLeftJustify, "b");
    bold.Font.Style = {TFontStyle::fsBold};
    TOxQrTextRec red = bold;
    red.Font.Color = clRed;
    f.AddText(k == 1 ? bold : red);
    f.AddText(k == 1 ? red : bold);
  });
  EXPECT_EQ(std::filesystem::current_path(), workingFolder);
  EXPECT_EQ(ReadFileBytes(Dir() + "styles/report.css"),
            ".S0 {font:bold 10pt Arial; color:#000000}\r\n.S1 {font:bold 10pt Arial; color:#FF0000}");
  const std::string page2 = Read("sales0002.htm");
  EXPECT_NE(page2.find("\r\n<LINK rel=\"stylesheet\" href=\"styles/report.css\" type=\"text/css\">\r\n<STYLE>"
                       "\r\n<!--\r\nDIV {position:absolute; font:10pt Arial; color:#000000}\r\nA:link"),
            std::string::npos)
      << HeadOf(page2);
  EXPECT_NE(page2.find("Class=\"S1\">b</DIV>\r\n<DIV STYLE=\"top:10px; left:10px; width:50px\" Class=\"S0\">"),
            std::string::npos);
}

TEST_F(HtmlDocument, StyleSheetNamesDefaultToTheReportAndNeedOptimizeForIE) {
  Settings().OutputStylesToCSSFile = true;
  {
    TOxQRHTMLFilter f(Dir() + "sales.htm");
    Run(f, 1);
    EXPECT_EQ(f.CssHref, "sales.css");
    EXPECT_TRUE(FileExists(Dir() + "sales.css"));
  }
  std::filesystem::remove(Dir() + "sales.css");
  Settings().OptimizeForIE = false;
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  Run(f, 1);
  EXPECT_FALSE(FileExists(Dir() + "sales.css"));
  EXPECT_EQ(Read("sales0001.htm").find("<LINK"), std::string::npos);
}

TEST_F(HtmlDocument, StyleSheetThatCannotBeWrittenIsReportedWithoutAbortingTheJob) {
  CollectErrors();
  WriteFileBytes(Dir() + "blocked", "a file where the folder should be");
  Settings().OutputStylesToCSSFile = true;
  Settings().CSSFileName = "blocked/report.css";
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  Run(f, 1);
  EXPECT_FALSE(f.Aborted());
  EXPECT_TRUE(FileExists(Dir() + "sales0001.htm"));
  EXPECT_EQ(errors_, std::vector<std::string>{std::string(SCSSFileNotCreated)});
}

TEST_F(HtmlDocument, FileThatCannotBeCreatedAbortsTheJobAndLeavesNoPartialFile) {
  CollectErrors();
  int endPages = 0;
  QRExportSettings().OnEndPage = [&](TOxQRExportFilter*) { ++endPages; };
  WriteFileBytes(Dir() + "sales0001.htm", "earlier");
  std::filesystem::create_directory(Dir() + "sales0002.htm");  // not a file: never replaced
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  Run(f, 3, [&](int k) { f.AddText(Line(1, 1, 1, TAlignment::taLeftJustify, "p" + std::to_string(k))); });
  EXPECT_TRUE(f.Aborted());
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0].substr(0, SFileNotCreated.size()), SFileNotCreated);
  EXPECT_EQ(endPages, 1);
  EXPECT_NE(Read("sales0001.htm").find(">p1</DIV>"), std::string::npos) << "page 1 was complete";
  EXPECT_FALSE(FileExists(Dir() + "sales0003.htm"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir()), {}), 2) << "no temporary file is left";
}

}  // namespace
}  // namespace oxqr
