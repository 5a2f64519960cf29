// PDF boxes, frames and images: operators and image objects byte for byte.
#include <gtest/gtest.h>

#include "OxQrExport/core/DocumentFunctions.h"
#include "engine/Controls.h"
#include "pdf/PdfTestSupport.h"
#include "support/ExportTestSupport.h"

namespace oxqr {
namespace {

using testing::CountOf;
using testing::Inflate;
using testing::RunPdf;
using testing::TPdfFile;

class PdfGraphicsTest : public testing::ExportTest {
 protected:
  std::string File() const { return Dir() + "out.pdf"; }
  TPdfFile Read() const { return TPdfFile(ReadFileBytes(File())); }
  TQRPrinter printer_;
};

TQRFrame Frame(bool top, bool right, bool bottom, bool left) {
  TQRFrame f;
  f.DrawTop = top;
  f.DrawRight = right;
  f.DrawBottom = bottom;
  f.DrawLeft = left;
  f.Width = 2;
  f.Color = clRed;
  return f;
}

TEST_F(PdfGraphicsTest, FramesAreOneRectangleOrOneStrokePerSide) {
  const TOxQrRect r{10, 100, 50, 20};
  const TQRFrame all = Frame(true, true, true, true);
  EXPECT_EQ(TOxQRPDFFilter::FrameOperators(&all, r),
            "\r\n2 w\r\n1.0000 0.0000 0.0000 RG\r\n10.0000 80.0000 50.0000 20.0000 re\r\nS");
  const TQRFrame topLeft = Frame(true, false, false, true);
  EXPECT_EQ(TOxQRPDFFilter::FrameOperators(&topLeft, r),
            "\r\n2 w\r\n1.0000 0.0000 0.0000 RG"
            "\r\n10.0000 100.0000 m\r\n60.0000 100.0000 l\r\nS"
            "\r\n10.0000 80.0000 m\r\n10.0000 100.0000 l\r\nS");
  const TQRFrame rightBottom = Frame(false, true, true, false);
  EXPECT_EQ(TOxQRPDFFilter::FrameOperators(&rightBottom, r),
            "\r\n2 w\r\n1.0000 0.0000 0.0000 RG"
            "\r\n60.0000 100.0000 m\r\n60.0000 80.0000 l\r\nS"
            "\r\n60.0000 80.0000 m\r\n10.0000 80.0000 l\r\nS");
  const TQRFrame none;
  EXPECT_EQ(TOxQRPDFFilter::FrameOperators(&none, r), "");
  EXPECT_EQ(TOxQRPDFFilter::FrameOperators(nullptr, r), "");
}

TEST_F(PdfGraphicsTest, BoxesFillWithoutOutlineInsideTheirOwnState) {
  TOxQRPDFFilter f(File());
  std::string out;
  f.RenderBox({10, 100, 50, 20}, clBlue, out, true, true, false, true, Frame(false, false, true, false));
  EXPECT_EQ(out, "q\r\n0 w\r\n0.0000 0.0000 1.0000 rg\r\n10.0000 80.0000 50.0000 20.0000 re\r\nf"
                 "\r\n2 w\r\n1.0000 0.0000 0.0000 RG\r\n60.0000 80.0000 m\r\n10.0000 80.0000 l\r\nS\r\nQ");
  f.RenderBox({10, 100, 50, 20}, clBlue, out, true, true, false, false, TQRFrame());
  EXPECT_EQ(out, "q\r\n\r\nQ");
}

TEST_F(PdfGraphicsTest, PlacedPictureScalesTheUnitSquare) {
  EXPECT_EQ(TOxQRPDFFilter::PlaceImage(0, {56.6929, 672, 144, 72}, nullptr),
            "q\r\n144.0000 0 0 72.0000 56.6929 600.0000 cm\r\n/Img0 Do\r\nQ");
}

TEST_F(PdfGraphicsTest, MappingTurnsNativeIntoPointsFromTheBottom) {
  TOxQRPDFFilter f(File());
  f.SourcePrinter = &printer_;
  f.StartJob(2100, 2970, TFont());
  EXPECT_EQ(f.FormatNumber(f.PageWidth), "595.2756");
  EXPECT_EQ(f.FormatNumber(f.PageHeight), "841.8898");
  TOxQrRect r;
  f.MapRect({254, 254, 508, 127}, r);
  EXPECT_DOUBLE_EQ(r.Left, 72);
  EXPECT_DOUBLE_EQ(r.Top, f.PageHeight - 72);
  EXPECT_DOUBLE_EQ(r.Width, 144);
  EXPECT_DOUBLE_EQ(r.Height, 36);
  double w = 0, h = 0;
  f.MapSize({96, 48}, w, h);  // one inch by half an inch of screen pixels
  EXPECT_NEAR(w, 72, 1e-9);
  EXPECT_NEAR(h, 36, 1e-9);
  f.FinishJob();
}

TEST_F(PdfGraphicsTest, WhiteBitmapBecomesRgbSamplesWithAnEmptyFilterLineUncompressed) {
  QRExportSettings().PDF.Compressed = false;
  TOxQRPDFFilter f(File());
  const TBitmap white(1, 1);
  const int object = 0;
  std::string ops;
  RunPdf(f, printer_, 1, [&](int) { ops = f.EmbedImage(white, {10, 100, 20, 20}, nullptr, &object); });
  EXPECT_EQ(ops, "q\r\n20.0000 0 0 20.0000 10.0000 80.0000 cm\r\n/Img0 Do\r\nQ");
  const TPdfFile pdf = Read();
  // Page 8..10, then the image object right after the length object.
  const auto from = static_cast<std::size_t>(pdf.Offsets.at(11));
  EXPECT_EQ(pdf.Bytes.substr(from, static_cast<std::size_t>(pdf.Offsets.at(2)) - from),
            "11 0 obj\r\n<<\r\n/Type /XObject\r\n/Subtype /Image\r\n/Name /Img0\r\n/Width 1\r\n/Height 1\r\n"
            "/BitsPerComponent 8\r\n/ColorSpace/DeviceRGB\r\n\r\n/Length 3\r\n>>\r\nstream\r\n\xFF\xFF\xFF"
            "\r\nendstream\r\nendobj\r\n");
  EXPECT_GT(pdf.Offsets.at(11), pdf.Offsets.at(10));
  EXPECT_EQ(pdf.Body(5), "<<\r\n/Font <<\r\n/F0 6 0 R\r\n>>\r\n/ProcSet 4 0 R\r\n/XObject <<\r\n/Img0 11 0 R >>\r\n>>");
}

TEST_F(PdfGraphicsTest, SamplesAreTopDownRgbAndDeflatedOrJpeg) {
  TBitmap two(2, 2);
  QImage image(2, 2, QImage::Format_RGB32);
  image.setPixel(0, 0, qRgb(255, 0, 0));
  image.setPixel(1, 0, qRgb(0, 255, 0));
  image.setPixel(0, 1, qRgb(0, 0, 255));
  image.setPixel(1, 1, qRgb(1, 2, 3));
  two.SetImage(image);
  const int object = 0;
  {
    TOxQRPDFFilter f(File());
    RunPdf(f, printer_, 1, [&](int) { f.EmbedImage(two, {10, 100, 20, 20}, nullptr, &object); });
    const TPdfFile pdf = Read();
    EXPECT_NE(pdf.Body(11).find("\r\n/Filter /FlateDecode\r\n"), std::string::npos);
    EXPECT_EQ(Inflate(pdf.Stream(11)), std::string("\xFF\0\0\0\xFF\0\0\0\xFF\x01\x02\x03", 12));
  }
  QRExportSettings().PDF.SetExportImageFormat(TOxImageFormat::ifJPG);
  QRExportSettings().PDF.Compressed = false;
  {
    TOxQRPDFFilter f(File());
    RunPdf(f, printer_, 1, [&](int) { f.EmbedImage(two, {10, 100, 20, 20}, nullptr, &object); });
    const TPdfFile pdf = Read();
    EXPECT_NE(pdf.Body(11).find("\r\n/Filter /DCTDecode\r\n"), std::string::npos) << "also uncompressed";
    EXPECT_EQ(pdf.Stream(11).substr(0, 3), "\xFF\xD8\xFF");
  }
}

TEST_F(PdfGraphicsTest, ImageDpiScalesThePixelsButNotThePlace) {
  QRExportSettings().PDF.ImageDPI = 144;
  TOxQRPDFFilter f(File());
  const TBitmap bitmap(30, 20);
  const int object = 0;
  std::string ops;
  RunPdf(f, printer_, 1, [&](int) { ops = f.EmbedImage(bitmap, {10, 100, 40, 30}, nullptr, &object); });
  EXPECT_NE(Read().Body(11).find("/Width 60\r\n/Height 40\r\n"), std::string::npos);
  EXPECT_EQ(ops, "q\r\n40.0000 0 0 30.0000 10.0000 70.0000 cm\r\n/Img0 Do\r\nQ");
}

TEST_F(PdfGraphicsTest, ShapesAreEmbeddedOncePicturesEveryTime) {
  QRExportSettings().PDF.Compressed = false;
  TQRShape circle;
  circle.Shape = TQRShapeType::qrsCircle;
  circle.SetBoundsMM(0, 0, 10, 10);
  TQRImage picture;
  picture.SetBoundsMM(0, 0, 10, 10);
  picture.Frame.SetAll(true);
  std::vector<std::pair<const void*, int>> done;
  QRExportSettings().OnEncodeGraphicDone = [&](TOxQRExportFilter*, const void* o, int i) { done.emplace_back(o, i); };
  TOxQRPDFFilter f(File());
  std::string shapes, pictures;
  RunPdf(f, printer_, 1, [&](int) {
    std::string out;
    for (int i = 0; i < 5; ++i) {
      f.RenderShape(circle, {10, 100.0 + i * 20, 20, 20}, out);
      shapes += out;
      f.RenderPicture(picture, nullptr, out, true, {50, 100.0 + i * 20, 20, 20});
      pictures += out;
    }
  });
  EXPECT_EQ(CountOf(shapes, "/Img0 Do"), 5);
  EXPECT_EQ(CountOf(pictures, " Do\r\nQ\r\n1 w\r\n0.0000 0.0000 0.0000 RG\r\n50.0000 "), 5) << "framed placements";
  ASSERT_EQ(done.size(), 6u) << "only new images are announced";
  EXPECT_EQ(done[0], std::make_pair(static_cast<const void*>(&circle), 0));
  EXPECT_EQ(done[1], std::make_pair(static_cast<const void*>(&picture), 1));
  EXPECT_EQ(CountOf(Read().Bytes, "/Subtype /Image"), 6);
}

TEST_F(PdfGraphicsTest, IdenticalImagesAreReusedOnlyWhenAskedFor) {
  TQRImage first, second;
  for (TQRImage* image : {&first, &second}) {
    image->SetBoundsMM(0, 0, 10, 10);
    image->Picture.SetImage(QImage(8, 8, QImage::Format_RGB32));
    image->Picture.Canvas().FillRect(Rect(0, 0, 8, 8));
    image->Stretch = true;
  }
  for (const bool reuse : {false, true}) {
    SCOPED_TRACE(reuse);
    QRExportSettings().PDF.ReuseIdenticalImages = reuse;
    TOxQRPDFFilter f(File());
    std::string out, all;
    RunPdf(f, printer_, 2, [&](int) {
      for (TQRImage* image : {&first, &second}) {
        f.RenderPicture(*image, nullptr, out, true, {10, 100, 20, 20});
        all += out;
      }
    });
    EXPECT_EQ(CountOf(Read().Bytes, "/Subtype /Image"), reuse ? 1 : 4);
    EXPECT_EQ(CountOf(all, "/Img0 Do"), reuse ? 4 : 1);
  }
}

TEST_F(PdfGraphicsTest, NoPicturesWhenImagesAreOffButShapesStay) {
  QRExportSettings().PDF.ExportImages = false;
  TQRImage picture;
  picture.SetBoundsMM(0, 0, 10, 10);
  TQRShape circle;
  circle.Shape = TQRShapeType::qrsCircle;
  circle.SetBoundsMM(0, 0, 10, 10);
  TOxQRPDFFilter f(File());
  std::string pictureOps, shapeOps;
  RunPdf(f, printer_, 1, [&](int) {
    f.RenderPicture(picture, nullptr, pictureOps, true, {10, 100, 20, 20});
    f.RenderShape(circle, {10, 100, 20, 20}, shapeOps);
  });
  EXPECT_EQ(pictureOps, "");
  EXPECT_EQ(shapeOps, "q\r\n20.0000 0 0 20.0000 10.0000 80.0000 cm\r\n/Img0 Do\r\nQ");
  EXPECT_EQ(Read().Body(4), "[/PDF /Text]");
}

}  // namespace
}  // namespace oxqr

namespace oxqr {
namespace {

TEST_F(PdfGraphicsTest, RichTextAsPictureAsTextOrNotAtAll) {
  QRExportSettings().PDF.Compressed = false;
  TQRPrintable control;  // on no band: its items wait in the band buffer until the page closes
  control.Frame.SetAll(true);
  TBitmap picture(40, 20);
  TMemoryStream rtf(std::string("{\\rtf1\\ansi Rich line\\par}"));
  struct TCase {
    const char* Name;
    bool Export;
    TOxRichTextEncodingType Type;
    const char* Expected;  // in page 1's content; "" for nothing
  };
  const TCase cases[] = {{"image", true, TOxRichTextEncodingType::rtImage, "/Img0 Do\r\nQ\r\n1 w\r\n"},
                         {"plain", true, TOxRichTextEncodingType::rtPlainText, "(Rich line) Tj"},
                         {"off", false, TOxRichTextEncodingType::rtImage, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    QRExportSettings().PDF.ExportRichText = c.Export;
    QRExportSettings().PDF.RichTextEncodingType = c.Type;
    TOxQRPDFFilter f(File());
    RunPdf(f, printer_, 2, [&](int page) {
      if (page == 1) f.WriteRichText(control, picture, rtf, 100, 200, false);
    });
    const TPdfFile pdf = Read();
    const std::string first = pdf.Stream(9);
    if (*c.Expected) {
      EXPECT_NE(first.find(c.Expected), std::string::npos) << first;
    } else {
      EXPECT_EQ(first.find("Do"), std::string::npos) << first;
      EXPECT_EQ(first.find("Tj"), std::string::npos) << first;
    }
    // The open band's items are drawn on their own page only, not again on the next.
    EXPECT_EQ(CountOf(pdf.Bytes, " Do\r\n") + CountOf(pdf.Bytes, " Tj\r\n"), *c.Expected ? 1 : 0);
  }
}

TEST_F(PdfGraphicsTest, RichTextPlacedAgainCarriesNoFrame) {
  QRExportSettings().PDF.Compressed = false;
  QRExportSettings().OnEncodeGraphic = [](TOxQRExportFilter*, const void*, bool& unique, int& index) {
    unique = false;
    index = 0;
  };
  TQRPrintable control;
  control.Frame.SetAll(true);
  TBitmap picture(40, 20);
  TMemoryStream rtf(std::string("{\\rtf1 x}"));
  TOxQRPDFFilter f(File());
  std::string again;
  RunPdf(f, printer_, 1, [&](int) {
    const int object = 0;
    f.EmbedImage(picture, {0, 800, 10, 10}, nullptr, &object);
    f.WriteRichText(control, picture, rtf, 100, 200, false);
    f.RenderPicture(control, &picture, again, true, {10, 100, 20, 20});
  });
  const std::string content = Read().Stream(9);
  EXPECT_NE(content.find("/Img0 Do\r\nQ\r\n"), std::string::npos);
  EXPECT_EQ(content.find("/Img0 Do\r\nQ\r\n1 w"), std::string::npos) << "rich text placed again: no frame";
  EXPECT_NE(again.find("/Img0 Do\r\nQ\r\n1 w"), std::string::npos) << "another control placed again: framed";
}

}  // namespace
}  // namespace oxqr

namespace oxqr {
namespace {

// What OnEncodeGraphic decides, against two images already written (the first of them made
// for `shape`): an index in range is placed again, anything else writes a new image, and
// "no choice" places the shape's own first image unless the picture must be unique.
TEST_F(PdfGraphicsTest, EncodeGraphicChoicesPlaceAWrittenImageOrWriteANewOne) {
  struct TCase {
    const char* Name;
    bool Unique;
    int Index;
    const char* Placed;  // nullptr: a new image, /Img2
  };
  const TCase cases[] = {
      {"index in range", false, 1, "/Img1 Do"},   {"first image", false, 0, "/Img0 Do"},
      {"past the end", false, 2, nullptr},         {"below -1", false, -5, nullptr},
      {"no choice: the shape's own", false, -1, "/Img0 Do"}, {"unique wins", true, 0, nullptr},
  };
  TQRShape shape;
  shape.SetBoundsMM(0, 0, 10, 10);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    bool active = false;
    QRExportSettings().OnEncodeGraphic = [&](TOxQRExportFilter*, const void*, bool& unique, int& index) {
      if (!active) return;
      unique = c.Unique;
      index = c.Index;
    };
    TOxQRPDFFilter f(File());
    std::string out;
    RunPdf(f, printer_, 1, [&](int) {
      f.RenderShape(shape, {10, 100, 20, 20}, out);
      const int other = 0;
      f.EmbedImage(TBitmap(2, 2), {10, 100, 20, 20}, nullptr, &other);
      active = true;
      f.RenderShape(shape, {10, 200, 20, 20}, out);
    });
    EXPECT_NE(out.find(c.Placed ? c.Placed : "/Img2 Do"), std::string::npos) << out;
    EXPECT_EQ(CountOf(Read().Bytes, "/Subtype /Image"), c.Placed ? 2 : 3);
  }
}

}  // namespace
}  // namespace oxqr
