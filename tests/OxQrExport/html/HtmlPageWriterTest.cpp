// The page writer: the DIV of each text line, box and page frame, byte for byte, and where
// the pages of one file stand.
#include <gtest/gtest.h>

#include "HtmlTestSupport.h"

namespace oxqr {
namespace {

using testing::HtmlTest;

class HtmlPageWriter : public HtmlTest {};

TEST_F(HtmlPageWriter, AlignmentMovesTheLeftEdgeAndTheWidthIsTwoAndAHalfTimesTheText) {
  Settings().OptimizeForIE = false;
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  Run(f, 1, [&](int) {
    f.AddText(Line(300, 50, 40, TAlignment::taRightJustify, "r"));
    f.AddText(Line(300, 70, 40, TAlignment::taCenter, "c"));
    f.AddText(Line(300, 90.5, 41, TAlignment::taLeftJustify, "l"));
  });
  const std::string s = "position:absolute; ";
  const std::string font = "; font:10pt Arial; color:#000000\">";
  EXPECT_EQ(BodyOf(Read("sales0001.htm")),
            "<DIV STYLE=\"" + s + "top:50px; left:258px; width:100px" + font + "r</DIV>\r\n" + "<DIV STYLE=\"" + s +
                "top:70px; left:279px; width:100px" + font + "c</DIV>\r\n" + "<DIV STYLE=\"" + s +
                "top:90px; left:300px; width:102px" + font + "l</DIV>\r\n");
}

TEST_F(HtmlPageWriter, ClassesAreSharedAcrossLetterCaseAndTheReportFontNeedsNone) {
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  Run(f, 1, [&](int) {
    TOxQrTextRec plain = Line(10, 10, 20, TAlignment::taLeftJustify, "a");
    plain.Font.Charset = SYMBOL_CHARSET;  // neither charset nor pitch shows in CSS
    plain.Font.Pitch = TFontPitch::fpFixed;
    f.AddText(plain);
    TOxQrTextRec bold = Line(10, 30, 20, TAlignment::taLeftJustify, "b");
    bold.Font.Style = {TFontStyle::fsBold};
    f.AddText(bold);
    bold.Font.Name = "ARIAL";
    f.AddText(bold);
  });
  const std::string html = Read("sales0001.htm");
  EXPECT_EQ(BodyOf(html),
            "<DIV STYLE=\"top:10px; left:10px; width:50px\">a</DIV>\r\n"
            "<DIV STYLE=\"top:30px; left:10px; width:50px\" Class=\"S0\">b</DIV>\r\n"
            "<DIV STYLE=\"top:30px; left:10px; width:50px\" Class=\"S0\">b</DIV>\r\n");
  EXPECT_NE(html.find("\r\nDIV {position:absolute; font:10pt Arial; color:#000000}"
                      "\r\n.S0 {font:bold 10pt Arial; color:#000000}\r\nA:link "),
            std::string::npos)
      << HeadOf(html);
}

// Without an external style sheet every page file numbers its own classes from S0: a font or
// box met on an earlier page gets the number of its place on this page.
TEST_F(HtmlPageWriter, EachPageFileNumbersItsOwnClasses) {
  Settings().ShowNavigator = false;
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  std::vector<std::string> boxes;
  Run(f, 2, [&](int k) {
    TOxQrTextRec bold = Line(10, 10, 20, TAlignment::taLeftJustify, "b");
    bold.Font.Style = {TFontStyle::fsBold};
    TOxQrTextRec italic = bold;
    italic.Font.Style = {TFontStyle::fsItalic};
    TQRFrame frame;
    frame.DrawTop = true;
    std::string box;
    if (k == 2) {
      f.AddText(italic);
      f.RenderBox(TOxQrRect{0, 0, 10, 10}, clRed, box, true, true, false, true, TQRFrame{});
      boxes.push_back(box);
    }
    f.AddText(bold);
    f.RenderBox(TOxQrRect{0, 0, 10, 10}, clLime, box, true, true, false, false, frame);
    boxes.push_back(box);
  });
  const std::string div = "<DIV STYLE=\"top:10px; left:10px; width:50px\" Class=";
  EXPECT_EQ(BodyOf(Read("sales0001.htm")), div + "\"S0\">b</DIV>\r\n");
  EXPECT_EQ(BodyOf(Read("sales0002.htm")), div + "\"S0\">b</DIV>\r\n" + div + "\"S2\">b</DIV>\r\n");
  const std::string box = "<DIV STYLE=\"top:0px; left:0px; width:10px; height:10px\" Class=";
  EXPECT_EQ(boxes, (std::vector<std::string>{box + "\"S1\"></DIV>", box + "\"S1\"></DIV>", box + "\"S3\"></DIV>"}));
  EXPECT_NE(Read("sales0002.htm").find("\r\n.S0 {font:italic 10pt Arial; color:#000000}"
                                       "\r\n.S1 {font:0pt; background-color:#FF0000}"
                                       "\r\n.S2 {font:bold 10pt Arial; color:#000000}"
                                       "\r\n.S3 {font:0pt; ; border-top:1px solid #000000}\r\n"),
            std::string::npos)
      << HeadOf(Read("sales0002.htm"));
}

TEST_F(HtmlPageWriter, BoxesWriteFillAndDrawnSidesOnly) {
  struct Case {
    const char* what;
    bool optimizeForIE;
    bool fill;
    bool top, right, bottom, left;
    std::string div;
  };
  const std::string at = "top:20px; left:30px; width:100px; height:40px";
  const Case cases[] = {
      {"nothing to draw", false, false, false, false, false, false, ""},
      {"top and left sides", false, false, true, false, false, true,
       "<DIV STYLE=\"position:absolute; " + at +
           "; font:0pt; ; border-top:2px solid #FF0000; border-Left:2px solid #FF0000\"></DIV>"},
      {"fill and all sides", false, true, true, true, true, true,
       "<DIV STYLE=\"position:absolute; " + at +
           "; font:0pt; background-color:#00FF00; border-top:2px solid #FF0000; border-right:2px solid #FF0000; "
           "border-bottom:2px solid #FF0000; border-Left:2px solid #FF0000\"></DIV>"},
      {"fill as a class", true, true, false, false, false, false, "<DIV STYLE=\"" + at + "\" Class=\"S0\"></DIV>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Settings().OptimizeForIE = c.optimizeForIE;
    TOxQRHTMLFilter f(Dir() + "sales.htm");
    std::string div = "not called";
    Run(f, 1, [&](int) {
      TQRFrame frame;
      frame.Color = clRed;
      frame.Width = 2;
      frame.Style = TPenStyle::psDot;  // every line is solid
      frame.DrawTop = c.top;
      frame.DrawRight = c.right;
      frame.DrawBottom = c.bottom;
      frame.DrawLeft = c.left;
      f.RenderBox(TOxQrRect{30, 20, 100, 40}, clLime, div, true, true, false, c.fill, frame);
    });
    EXPECT_EQ(div, c.div);
    EXPECT_TRUE(f.StyleClasses.empty()) << "released at the end of the job";
  }
}

TEST_F(HtmlPageWriter, OneFileStacksThePagesWithAnEndLineAtEachPagesBottom) {
  Settings().SingleFile = true;
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  Run(f, 3, [&](int) { f.AddText(Line(10, 5, 8, TAlignment::taLeftJustify, "x")); });
  ASSERT_EQ(f.PageHeight, 1123);
  ASSERT_EQ(f.PageWidth, 794);
  const std::string text = "px; left:10px; width:20px\">x</DIV>\r\n";
  const std::string line = "<DIV STYLE=\"top:%px\"><HR SIZE= 2 WIDTH= 784 NOSHADE></DIV>\r\n";
  auto endLine = [&](const char* top) { return std::string(line).replace(line.find('%'), 1, top); };
  EXPECT_EQ(BodyOf(Read("sales.htm")), "<DIV STYLE=\"top:5" + text + endLine("1123") + "<DIV STYLE=\"top:1130" + text +
                                           endLine("2248") + "<DIV STYLE=\"top:2255" + text + endLine("3373"));
  EXPECT_FALSE(FileExists(Dir() + "sales0001.htm"));
}

// Lines outside text blocks go straight into the body, bands at their end: both must land
// in print order on every page, the second file as clean as the first.
TEST_F(HtmlPageWriter, LooseLinesAndEndedBandsKeepPrintOrderOnEveryPage) {
  Settings().ShowNavigator = false;
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  TQRCustomBand band(TQRBandType::rbDetail);
  band.Size.Width = 1900;
  band.Size.Height = 300;
  band.Color = clSilver;
  auto& label = band.Add<TQRLabel>();
  label.Size = TQRSize{50, 100, 0, 500};
  Run(f, 2, [&](int k) {
    f.AddText(Line(5, 5, 4, TAlignment::taLeftJustify, "loose " + std::to_string(k)));
    f.BeginTextBlock(label, 0, 0);
    f.AddText(Line(38, 0, 4, TAlignment::taLeftJustify, "in band"));
    f.EndTextBlock(label, 0, 0, false);
    f.AddText(Line(5, 500, 4, TAlignment::taLeftJustify, "after"));
  });
  for (int k = 1; k <= 2; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(BodyOf(Read("sales000" + std::to_string(k) + ".htm")),
              "<DIV STYLE=\"top:5px; left:5px; width:10px\">loose " + std::to_string(k) +
                  "</DIV>\r\n"
                  // the band's box (silver), then its buffer: the label's box (white) and line
                  "<DIV STYLE=\"top:0px; left:0px; width:718px; height:113px\" Class=\"S1\"></DIV>\r\n"
                  "<DIV STYLE=\"top:0px; left:38px; width:189px; height:19px\" Class=\"S0\"></DIV>\r\n"
                  "<DIV STYLE=\"top:0px; left:38px; width:10px\">in band</DIV>\r\n"
                  "<DIV STYLE=\"top:500px; left:5px; width:10px\">after</DIV>\r\n");
  }
}

TEST_F(HtmlPageWriter, PageFrameSurroundsTheMarginsWithTheBlankAfterItsHeight) {
  Settings().OptimizeForIE = false;
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  printer_.NewPage();
  f.SourcePrinter = &printer_;
  f.StartJob(2100, 2970, font_);
  f.PageFrame = std::make_unique<TQRFrame>();
  f.PageFrame->DrawBottom = true;
  f.LeftMargin = f.TopMargin = 38;
  f.RightMargin = f.BottomMargin = 40;
  f.OpenPage();
  f.ClosePage();
  f.FinishJob();
  EXPECT_EQ(BodyOf(Read("sales0001.htm")),
            "<DIV STYLE=\"position:absolute; top:38px; left:38px; width:716px; height:1045px ; font:0pt; ; "
            "border-bottom:1px solid #000000\"></DIV>\r\n");
}

// A band whose last control is not export-aware never ends; its items are written when the
// page closes and must not come back with the next page's items.
TEST_F(HtmlPageWriter, AnOpenBandIsWrittenOnceWhenThePageCloses) {
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  TQRCustomBand band(TQRBandType::rbDetail);
  band.Size.Width = 1900;
  band.Size.Height = 300;
  auto& label = band.Add<TQRLabel>();
  label.Size = TQRSize{50, 100, 0, 500};
  band.Add<TQRLabel>().Enabled = true;  // the band's last control: it never reports its end
  Run(f, 2, [&](int k) {
    f.BeginTextBlock(label, 0, 0);
    f.WriteText(100, 0, label.Font, clWhite, TAlignment::taLeftJustify, "page " + std::to_string(k));
    f.EndTextBlock(label, 0, 0, false);
  });
  for (int k = 1; k <= 2; ++k) {
    const std::string body = BodyOf(Read("sales000" + std::to_string(k) + ".htm"));
    EXPECT_NE(body.find("page&nbsp;" + std::to_string(k)), std::string::npos) << body;
    EXPECT_EQ(body.find("page&nbsp;" + std::to_string(3 - k)), std::string::npos) << body;
  }
}

TEST_F(HtmlPageWriter, RichTextIsAPictureOrPlainLinesOrNothing) {
  TQRCustomBand band(TQRBandType::rbDetail);
  auto& control = band.Add<TQRLabel>();
  control.Size = TQRSize{100, 0, 0, 500};
  TBitmap picture(60, 30);
  struct Case {
    const char* what;
    bool exportRichText;
    TOxRichTextEncodingType type;
    std::string body;
  };
  const Case cases[] = {
      {"picture", true, TOxRichTextEncodingType::rtImage,
       "<DIV STYLE=\"top:38px; left:19px; width:60px; height:30px\"><IMG SRC=\"sales_I0001.jpg\" ALT=\"\" "
       "Width=60 Height=30></DIV>\r\n"},
      {"off", false, TOxRichTextEncodingType::rtImage, ""},
      {"plain lines", true, TOxRichTextEncodingType::rtPlainText,
       "\r\n<DIV STYLE=\"top:38px; left:19px; width:"},  // after the text block's empty box
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Settings().ExportRichText = c.exportRichText;
    Settings().RichTextEncodingType = c.type;
    TOxQRHTMLFilter f(Dir() + "sales.htm");
    TMemoryStream rtf("{\\rtf1\\ansi Rich line\\par}");
    Run(f, 1, [&](int) { f.WriteRichText(control, picture, rtf, 50, 100, false); });
    const std::string body = BodyOf(Read("sales0001.htm"));
    EXPECT_EQ(body.substr(0, c.body.size()), c.body);
    if (c.body.empty()) {
      EXPECT_EQ(body, "");
    }
    EXPECT_EQ(FileExists(Dir() + "sales_I0001.jpg"), c.type == TOxRichTextEncodingType::rtImage && c.exportRichText);
    std::filesystem::remove(Dir() + "sales_I0001.jpg");
  }
}

}  // namespace
}  // namespace oxqr
