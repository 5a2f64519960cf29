// Files of the HTML filter read by html5lib and tidy: a three-page job with every kind of
// item, report data full of markup characters, quotes in the head and a name that URLs
// must encode. Every reference must lead to a file of the job.
#include <gtest/gtest.h>

#include <QImage>

#include "html/HtmlReaderChecks.h"
#include "html/HtmlTestSupport.h"

namespace oxqr {
namespace {

using namespace oxqr::testing;

struct Variant {
  const char* name;
  bool optimizeForIE;
  bool cssFile;
  bool textLinks;
  TOxQRNavigatorType navigator;
};

class HtmlMarkupReaders : public HtmlTest, public ::testing::WithParamInterface<Variant> {
 protected:
  // Writes the job as "Q1 #2.htm" and returns its page files.
  std::vector<std::string> WriteJob() {
    const Variant& v = GetParam();
    Settings().OptimizeForIE = v.optimizeForIE;
    Settings().OutputStylesToCSSFile = v.cssFile;
    Settings().CSSFileName = "css\\Q1 #2";
    Settings().ImageDir = "pics #1";
    Settings().UseTextLinks = v.textLinks;
    Settings().FirstLinkText = "<< First & \"best\"";
    Settings().NavigatorType = v.navigator;
    Settings().Author = "O\"Brien & Sons";
    Settings().Title = "Smith & Jones <Ltd>";
    Settings().Subject = "a < b > c";

    TQRCustomBand band(TQRBandType::rbDetail);
    band.Size.Width = 1900;
    band.Size.Height = 600;
    auto& label = band.Add<TQRLabel>();
    label.Size = TQRSize{50, 100, 20, 900};
    label.Frame.SetAll(true);
    label.Color = clYellow;
    auto& image = band.Add<TQRImage>();
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    image.Picture.SetImage(picture);
    image.Stretch = true;
    image.Frame.DrawTop = true;
    image.Size = TQRSize{100, 100, 100, 300};
    auto& circle = band.Add<TQRShape>();
    circle.Shape = TQRShapeType::qrsCircle;
    circle.Size = TQRSize{100, 500, 100, 100};
    auto& line = band.Add<TQRShape>();
    line.Shape = TQRShapeType::qrsHorLine;
    line.Size = TQRSize{20, 100, 250, 1500};

    TOxQRHTMLFilter f(Dir() + "Q1 #2.htm");
    Run(f, 3, [&](int) {
      f.BeginTextBlock(label, 0, 0);
      for (const char* text :
           {"Smith & Jones <Ltd>", "x<y, y>z, &copy 2024", "\"quoted\" 'text'", "\x01\x01\x01<B>bold</B> &amp; raw"})
        f.WriteText(100, 20, label.Font, clYellow, TAlignment::taLeftJustify, text);
      f.EndTextBlock(label, 0, 0, false);
      f.WritePicture(image, 0, 0, false);
      f.WriteShape(circle, 0, 0, false);
      f.WriteShape(line, 0, 0, false);
    });
    return {Dir() + "Q1 #20001.htm", Dir() + "Q1 #20002.htm", Dir() + "Q1 #20003.htm"};
  }
};

TEST_P(HtmlMarkupReaders, Html5libAndTidyFindNoErrorAndEveryReferenceLeadsToAFile) {
  if (!HaveProgram("tidy")) GTEST_SKIP() << "tidy is not installed";
  if (RunShell("/usr/bin/python3 -c 'import html5lib'").Status != 0) GTEST_SKIP() << "python3-html5lib is missing";
  for (const auto& file : WriteJob()) {
    SCOPED_TRACE(file);
    EXPECT_EQ(Html5libErrors(file), "");
    EXPECT_EQ(TidyProblems(file), "");
    const std::string html = ReadFileBytes(file);
    EXPECT_EQ(UnresolvedReferences(file, html), std::vector<std::string>{});
    EXPECT_FALSE(AttributeValues(html, "SRC").empty());
  }
  if (GetParam().optimizeForIE && GetParam().cssFile) {
    EXPECT_TRUE(FileExists(Dir() + "css/Q1 #2.css"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Variants, HtmlMarkupReaders,
    ::testing::Values(Variant{"ClassesGraphicScreenNavigator", true, false, false, TOxQRNavigatorType::ntFixedToScreen},
                      Variant{"StyleSheetTextLinks", true, true, true, TOxQRNavigatorType::ntFixedToScreen},
                      Variant{"InlineStylesPageNavigator", false, false, false, TOxQRNavigatorType::ntFixedToPage}),
    [](const ::testing::TestParamInfo<Variant>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace oxqr
