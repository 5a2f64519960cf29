// Pictures in the RTF document: JPEG data or a bitmap in a metafile, scales and borders.
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include <QImage>

#include "OxQrExport/rtf/RtfMarkup.h"
#include "RtfFilterFixture.h"
#include "engine/Band.h"
#include "engine/Controls.h"
#include "platform/ImageCodecs.h"
#include "platform/Streams.h"

namespace oxqr {
namespace {

using test::RtfFilterTest;

const TOxQrRect kRect{567, 1134, 1500, 750};

// A picture control of 100 x 50 screen pixels with a white picture.
struct PictureControl {
  TQRCustomBand band{TQRBandType::rbDetail};
  TQRImage& image = band.Add<TQRImage>();
  PictureControl() {
    image.Size = TQRSize{50 * 254 / 96.0, 0, 0, 100 * 254 / 96.0};
    image.Picture = TBitmap(100, 50);
    image.Stretch = true;
  }
};

// The JPEG data of a picture group and what it decodes to.
QImage JpegOf(const std::string& group) {
  const auto bin = group.find("\\bin");
  const auto space = group.find(' ', bin);
  const std::size_t length = std::stoul(group.substr(bin + 4, space - bin - 4));
  EXPECT_EQ(group.size(), space + 1 + length + 1) << "data then the closing brace";
  EXPECT_EQ(group.back(), '}');
  return DecodeJPEG(group.substr(space + 1, length));
}

TEST_F(RtfFilterTest, BitmapPictureIsAMetafileWithAGoalSize) {
  Settings().SetExportImageFormat(TOxImageFormat::ifBMP);
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Open(f);
  const TBitmap picture(2, 2, TPixelFormat::pf24bit);
  TMemoryStream file;
  picture.SaveToStream(file);
  const PictureControl control;
  std::string out;
  f.RenderPicture(control.image, &picture, out, true, TOxQrRect{567, 1134, 30, 30});
  EXPECT_EQ(out, "\\par\\pard\\pvpg\\phpg\\posx567\\posy1134{\\pict\\wmetafile8\\picscalex100\\picscaley100"
                 "\\picbmp\\picbpp4\\picwgoal30\\pichgoal30\r\n" +
                     MetafileWrapper(42, 2, 2) + HexBytes(file.Bytes().substr(14)) + "030000000000}");
  EXPECT_EQ(out.find("0100090000034E00000000002A0000000000050000000b0200000000050000000c0202000200"),
            out.find("\r\n") + 2);
}

TEST_F(RtfFilterTest, JpegPictureIsBinaryData) {
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Open(f);
  const PictureControl control;
  std::string out;
  f.RenderPicture(control.image, nullptr, out, true, kRect);
  const std::string head =
      "\\par\\pard\\pvpg\\phpg\\posx567\\posy1134{\\pict\\jpegblip\\picscalex100\\picscaley100\\picbmp\\picbpp4\r\n"
      "\\bin";
  EXPECT_EQ(out.substr(0, head.size()), head);
  const QImage decoded = JpegOf(out);
  EXPECT_EQ(decoded.size(), QSize(100, 50));
}

TEST_F(RtfFilterTest, ImageDPIEmbedsALargerPictureScaledBack) {
  struct Case {
    int DPI;
    const char* Scales;
    QSize Embedded;
  };
  for (const Case& c : {Case{144, "\\picscalex50\\picscaley50", QSize(200, 100)},
                        Case{-1, "\\picscalex100\\picscaley100", QSize(100, 50)}}) {
    SCOPED_TRACE(c.DPI);
    Settings().ImageDPI = c.DPI;
    TOxQRRTFFilter f(Dir() + "out.rtf");
    Open(f);
    const PictureControl control;
    std::string out;
    f.RenderPicture(control.image, nullptr, out, true, kRect);
    EXPECT_NE(out.find(c.Scales), std::string::npos);
    EXPECT_EQ(JpegOf(out).size(), c.Embedded);
  }
  // A metafile's goal size times its scale is the picture's rectangle.
  Settings().ImageDPI = 144;
  Settings().SetExportImageFormat(TOxImageFormat::ifBMP);
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Open(f);
  const PictureControl control;
  std::string out;
  f.RenderPicture(control.image, nullptr, out, true, kRect);
  EXPECT_NE(out.find("\\picscalex50\\picscaley50\\picbmp\\picbpp4\\picwgoal3000\\pichgoal1500\r\n"), std::string::npos);
}

TEST_F(RtfFilterTest, PictureBorderNeedsAllFourSides) {
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Open(f);
  PictureControl control;
  control.image.Frame.Color = clRed;
  control.image.Frame.DrawTop = control.image.Frame.DrawLeft = control.image.Frame.DrawRight = true;
  std::string three;
  f.RenderPicture(control.image, nullptr, three, true, kRect);
  EXPECT_EQ(three.find("\\box"), std::string::npos);
  control.image.Frame.DrawBottom = true;
  std::string four;
  f.RenderPicture(control.image, nullptr, four, true, kRect);
  EXPECT_NE(four.find("\\picbpp4\\box\\brdrs\\brdrw15\\brsp0\\brdrcf1\r\n"), std::string::npos);
}

TEST_F(RtfFilterTest, ExportImagesOffKeepsShapePictures) {
  Settings().ExportImages = false;
  Settings().ImageDPI = 144;  // shapes are embedded as drawn, whatever ImageDPI says
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Open(f);
  const PictureControl control;
  std::string picture = "stale";
  f.RenderPicture(control.image, nullptr, picture, true, kRect);
  EXPECT_EQ(picture, "");
  TQRCustomBand band(TQRBandType::rbDetail);
  auto& circle = band.Add<TQRShape>();
  circle.Shape = TQRShapeType::qrsCircle;
  circle.Size = TQRSize{40 * 254 / 96.0, 0, 0, 40 * 254 / 96.0};
  circle.Frame.SetAll(true);
  std::string shape;
  f.RenderShape(circle, kRect, shape);
  EXPECT_NE(shape.find("{\\pict\\jpegblip\\picscalex100\\picscaley100\\picbmp\\picbpp4\r\n\\bin"), std::string::npos);
  EXPECT_EQ(JpegOf(shape).size(), QSize(40, 40));
}

// A picture without a size before scaling is shown at its own size; scale 0 would hide it.
TEST_F(RtfFilterTest, PictureWithoutOriginalSizeShowsAtFullScale) {
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Open(f);
  const std::string out = f.PictureGroup(TBitmap(8, 4), kRect, 0, 0, false, nullptr);
  EXPECT_NE(out.find("\\picscalex100\\picscaley100"), std::string::npos);
}

TEST_F(RtfFilterTest, PictureOfNoSizeWritesNothing) {
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Open(f);
  PictureControl control;
  control.image.Size.Width = 0;
  std::string out = "stale";
  f.RenderPicture(control.image, nullptr, out, true, kRect);
  EXPECT_EQ(out, "");
}

// A job encodes a picture once and writes its data again wherever it recurs. After a change of
// the settings or of what a shape is drawn from, the group written must be what a fresh job
// writes, not the data kept from before the change.
TEST_F(RtfFilterTest, PictureWrittenAgainAfterAChangeIsWhatAFreshJobWrites) {
  struct Drawing {
    PictureControl control;
    TQRCustomBand band{TQRBandType::rbDetail};
    TQRShape& circle = band.Add<TQRShape>();
    Drawing() {
      TCanvas& canvas = control.image.Picture.Canvas();  // a mark, so that placement shows
      canvas.Brush.Color = clNavy;
      canvas.FillRect(TRect{0, 0, 20, 20});
      circle.Shape = TQRShapeType::qrsCircle;
      circle.Size = TQRSize{20 * 254 / 96.0, 0, 0, 30 * 254 / 96.0};
    }
  };
  struct Case {
    const char* name;
    std::function<void(TOxQRRTFSettings&, Drawing&)> change;
  };
  const std::vector<Case> cases = {
      {"JPEG quality", [](TOxQRRTFSettings& s, Drawing&) { s.JPEGQuality = 20; }},
      {"bitmap format", [](TOxQRRTFSettings& s, Drawing&) { s.SetExportImageFormat(TOxImageFormat::ifBMP); }},
      {"image DPI", [](TOxQRRTFSettings& s, Drawing&) { s.ImageDPI = 144; }},
      {"picture contents",
       [](TOxQRRTFSettings&, Drawing& d) {
         TCanvas& canvas = d.control.image.Picture.Canvas();
         canvas.Brush.Color = clRed;
         canvas.FillRect(TRect{0, 0, 10, 10});
       }},
      {"picture placement",
       [](TOxQRRTFSettings&, Drawing& d) {
         d.control.image.Stretch = false;
         d.control.image.Center = true;
       }},
      {"band colour", [](TOxQRRTFSettings&, Drawing& d) { d.band.Color = clYellow; }},
      {"pen colour", [](TOxQRRTFSettings&, Drawing& d) { d.circle.Pen.Color = clRed; }},
      {"brush colour", [](TOxQRRTFSettings&, Drawing& d) { d.circle.Brush.Color = clBlue; }},
      {"shape size", [](TOxQRRTFSettings&, Drawing& d) { d.circle.Size.Width = 21 * 254 / 96.0; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::ResetExportSettings();
    Drawing drawing;
    drawing.control.image.Size.Width = 120 * 254 / 96.0;  // wider than the picture: placement shows
    auto write = [&](TOxQRRTFFilter& f, std::string& picture, std::string& shape) {
      f.RenderPicture(drawing.control.image, nullptr, picture, true, kRect);
      f.RenderShape(drawing.circle, kRect, shape);
    };
    TOxQRRTFFilter used(Dir() + "used.rtf");
    Open(used);
    std::string before, shapeBefore;
    write(used, before, shapeBefore);
    c.change(Settings(), drawing);
    std::string again, shapeAgain;
    write(used, again, shapeAgain);
    used.FinishJob();

    TOxQRRTFFilter fresh(Dir() + "fresh.rtf");
    Open(fresh);
    std::string expected, shapeExpected;
    write(fresh, expected, shapeExpected);
    fresh.FinishJob();
    EXPECT_EQ(again, expected);
    EXPECT_EQ(shapeAgain, shapeExpected);
    EXPECT_FALSE(again == before && shapeAgain == shapeBefore) << "the change shows in the output";
  }
}

}  // namespace
}  // namespace oxqr
