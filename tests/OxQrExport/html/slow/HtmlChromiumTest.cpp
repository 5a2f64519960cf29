// The sample reports exported as HTML and opened in headless Chromium: every page drawn
// like the JPEG page of the same report, clean markup for html5lib and tidy, references
// that lead to files, a navigator the script shows, and report text, head values and
// code pages read back as they were meant.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>
#include <iostream>

#include "html/HtmlReaderChecks.h"
#include "html/HtmlTestSupport.h"
#include "platform/CodePage.h"
#include "support/Fidelity.h"

namespace oxqr {
namespace {

using namespace oxqr::testing;

class HtmlChromium : public HtmlTest {
 protected:
  void SetUp() override {
    HtmlTest::SetUp();
    if (!HaveProgram("chromium")) GTEST_SKIP() << "chromium is not installed";
  }
  // Exports sample `report` to `output` (in the scratch folder) with the exporter program.
  void Export(const std::string& report, const std::string& output, const std::string& settings = "") {
    const TShellRun r =
        RunShell("QT_QPA_PLATFORM=offscreen " + ShellQuote(OXQR_EXPORTER) + " --db " + ShellQuote(OXQR_DEMODATA) +
                 " --quiet " + settings + " " + report + " " + ShellQuote(Dir() + output) + " 2>&1");
    ASSERT_EQ(r.Status, 0) << r.Output;
  }
  // Headless Chromium on `file` with its own profile; `what` is --screenshot=... or --dump-dom.
  std::string Chromium(const std::string& what, const std::string& file) {
    return HeadlessChromium(what, file, Dir() + ".chromium");
  }
  static std::string PageFile(const std::string& base, int page, const char* extension) {
    char name[64];
    std::snprintf(name, sizeof name, "%.4d", page);
    return base + name + extension;
  }
};

class HtmlSampleFidelity : public HtmlChromium, public ::testing::WithParamInterface<const char*> {};

TEST_P(HtmlSampleFidelity, EveryPageLooksLikeItsJpegPageAndReadsCleanly) {
  const std::string report = GetParam();
  Export(report, "h.htm", "--set HTML.ShowNavigator=False");
  Export(report, "p.jpg");
  int pages = 0;
  for (int page = 1; FileExists(PageFile(Dir() + "h", page, ".htm")); ++page) {
    SCOPED_TRACE(page);
    ++pages;
    const std::string html = PageFile(Dir() + "h", page, ".htm");
    const std::string png = PageFile(Dir() + "s", page, ".png");
    Chromium("--screenshot=" + ShellQuote(png), html);
    const QImage shown(QString::fromStdString(png));
    const QImage printed(QString::fromStdString(PageFile(Dir() + "p", page, ".jpg")));
    ASSERT_FALSE(shown.isNull()) << "no screenshot";
    ASSERT_FALSE(printed.isNull()) << "no JPEG page";
    const TFidelity f = CompareDarkPixels(shown, printed);
    std::printf("[ fidelity ] %s page %d: %.4f / %.4f\n", report.c_str(), page, f.AInB, f.BInA);
    RecordProperty(report + "_page" + std::to_string(page), std::to_string(f.AInB) + "/" + std::to_string(f.BInA));
    EXPECT_GE(f.AInB, 0.85);
    EXPECT_GE(f.BInA, 0.85);

    EXPECT_EQ(Html5libErrors(html), "");
    EXPECT_EQ(TidyProblems(html), "");
    EXPECT_EQ(UnresolvedReferences(html, ReadFileBytes(html)), std::vector<std::string>{});
  }
  EXPECT_GT(pages, 0);
}

INSTANTIATE_TEST_SUITE_P(Samples, HtmlSampleFidelity, ::testing::Values("customers", "events", "richtext", "chart", "sales"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

TEST_F(HtmlChromium, NavigatorLeadsThroughThePagesAndTheScriptShowsIt) {
  Export("customers", "Q1 #2.htm");
  int last = 0;
  while (FileExists(PageFile(Dir() + "Q1 #2", last + 1, ".htm"))) ++last;
  ASSERT_GT(last, 2);
  for (int page = 1; page <= last; ++page) {
    SCOPED_TRACE(page);
    const std::string file = PageFile(Dir() + "Q1 #2", page, ".htm");
    const std::string html = ReadFileBytes(file);
    EXPECT_EQ(UnresolvedReferences(file, html), std::vector<std::string>{});
    const auto links = AttributeValues(html, "HREF");
    // First and previous lead nowhere on page 1, next and last nowhere on the last page.
    EXPECT_EQ(links.size(), page == 1 || page == last ? 2u : 4u);
    if (page == 1) {
      EXPECT_EQ(links.front(), "Q1 %232" + PageFile("", 2, ".htm"));
    }
    if (page == last) {
      EXPECT_EQ(links.back(), "Q1 %232" + PageFile("", last - 1, ".htm"));
    }
  }
  const std::string dom = Chromium("--dump-dom", PageFile(Dir() + "Q1 #2", 2, ".htm"));
  const auto span = dom.find("id=\"OxNavigator\"");
  ASSERT_NE(span, std::string::npos) << dom.substr(0, 2000);
  EXPECT_NE(dom.substr(span, dom.find('>', span) - span).find("visibility: visible"), std::string::npos)
      << dom.substr(span, 300);
}

// The navigator, floating (the default) or fixed to the page, covers nothing of the page:
// in a window larger than the page, the page area looks the same with it as without it, and
// the navigator shows in the margin beside or below the page.
TEST_F(HtmlChromium, TheNavigatorCoversNothingOfThePage) {
  struct TCase {
    const char* Name;
    const char* Settings;
  };
  const TCase cases[] = {{"floating", ""}, {"fixed to the page", "--set HTML.NavigatorType=ntFixedToPage"}};
  Export("labels", "bare.htm", "--set HTML.ShowNavigator=False");
  const auto shot = [this](const std::string& html, const std::string& png) {
    Chromium("--window-size=1100,1300 --virtual-time-budget=1000 --screenshot=" + ShellQuote(png), html);
    return QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32);
  };
  const QImage bare = shot(PageFile(Dir() + "bare", 1, ".htm"), Dir() + "bare.png");
  ASSERT_FALSE(bare.isNull()) << "no screenshot";
  ASSERT_EQ(bare.width(), 1100);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Export("labels", "nav.htm", c.Settings);
    const QImage withNavigator = shot(PageFile(Dir() + "nav", 1, ".htm"), Dir() + "nav.png");
    ASSERT_FALSE(withNavigator.isNull()) << "no screenshot";
    EXPECT_TRUE(withNavigator.copy(0, 0, 794, 1123) == bare.copy(0, 0, 794, 1123)) << "the navigator covers the page";
    int blue = 0;  // the navigator's links, outside the page area
    for (int y = 0; y < withNavigator.height(); ++y)
      for (int x = 0; x < withNavigator.width(); ++x) {
        const QRgb p = withNavigator.pixel(x, y);
        if ((x >= 794 || y >= 1123) && qBlue(p) > 200 && qRed(p) < 80 && qGreen(p) < 80) ++blue;
      }
    EXPECT_GT(blue, 20) << "the navigator is not shown";
  }
}

// Report data with markup characters, a head with quotes, and text in two code pages other
// than 1252: Chromium reads every value back as it was printed.
TEST_F(HtmlChromium, TextHeadValuesAndCodePagesReadBackUnchanged) {
  struct Restore {
    int cp = AnsiCodePage();
    ~Restore() { SetAnsiCodePage(cp); }
  } restore;
  struct Case {
    int codePage;
    const char* line;  // UTF-8
    const char* dom;   // as Chromium serialises the text
  };
  const Case cases[] = {
      {1252, "Smith & Jones <Ltd>", "Smith&nbsp;&amp;&nbsp;Jones&nbsp;&lt;Ltd&gt;"},
      {1252, "x<y, y>z, &copy 2024", "x&lt;y,&nbsp;y&gt;z,&nbsp;&amp;copy&nbsp;2024"},
      {1250, "gęślą jaźń Š", "gęślą&nbsp;jaźń&nbsp;Š"},
      {1251, "Привет мир", "Привет&nbsp;мир"},
  };
  Settings().Author = "O\"Brien & Sons";
  Settings().Title = "Q1 <draft> & co";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    SetAnsiCodePage(c.codePage);
    TOxQRHTMLFilter f(Dir() + "fixture.htm");
    Run(f, 1, [&](int) {
      f.WriteText(100, 100, font_, clWhite, TAlignment::taLeftJustify, Utf8ToAnsi(c.line));
      f.WriteText(100, 200, font_, clWhite, TAlignment::taLeftJustify, "\x01\x01\x01<B>raw</B>");
    });
    const std::string dom = Chromium("--dump-dom", Dir() + "fixture0001.htm");
    EXPECT_NE(dom.find(std::string(">") + c.dom + "</div>"), std::string::npos) << dom;
    EXPECT_NE(dom.find("<b>raw</b>"), std::string::npos) << "the code-1 prefix keeps passing markup";
    EXPECT_NE(dom.find("<title>Q1 &lt;draft&gt; &amp; co</title>"), std::string::npos);
    EXPECT_NE(dom.find("name=\"Author\" content=\"O&quot;Brien &amp; Sons\""), std::string::npos);
  }
}

}  // namespace
}  // namespace oxqr
