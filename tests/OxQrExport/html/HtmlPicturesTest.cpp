// Pictures of the HTML format: file names, references, reuse and the picture DIV.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <filesystem>

#include "HtmlTestSupport.h"

namespace oxqr {
namespace {

using testing::HtmlTest;

class HtmlPictures : public HtmlTest {
 protected:
  void SetUp() override {
    HtmlTest::SetUp();
    band_.Size.Width = 1900;
    band_.Size.Height = 300;
    image_ = &Image(Qt::darkBlue);
    auto& circle = band_.Add<TQRShape>();
    circle.Shape = TQRShapeType::qrsCircle;
    circle.Size = TQRSize{100, 1000, 50, 100};
    circle_ = &circle;
  }
  TQRImage& Image(Qt::GlobalColor color) {
    auto& image = band_.Add<TQRImage>();
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(color);
    image.Picture.SetImage(picture);
    image.Stretch = true;
    image.Size = TQRSize{100, 200, 50, 300};  // Height, Left, Top, Width: 113 x 38 pixels at (76, 19)
    return image;
  }
  std::size_t FilesIn(const std::string& folder) const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
  }

  TQRCustomBand band_{TQRBandType::rbDetail};
  TQRImage* image_ = nullptr;
  TQRShape* circle_ = nullptr;
};

TEST_F(HtmlPictures, PictureDivScalesTheFileToTheControlAndDrawsItsFrame) {
  Settings().OptimizeForIE = false;
  image_->Frame.DrawTop = true;
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  Run(f, 1, [&](int) { f.WritePicture(*image_, 0, 0, false); });
  EXPECT_EQ(BodyOf(Read("sales0001.htm")),
            "<DIV STYLE=\"position:absolute; top:19px; left:76px; width:113px; height:38px; font:0pt; ; "
            "border-top:1px solid #000000\"><IMG SRC=\"sales_I0001.jpg\" ALT=\"\" Width=113 Height=38></DIV>\r\n");
  const QImage written(QString::fromStdString(Dir() + "sales_I0001.jpg"));
  EXPECT_EQ(written.size(), QSize(113, 38));
}

TEST_F(HtmlPictures, ImageDPIScalesTheFileButNotItsPlace) {
  Settings().ImageDPI = 144;
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  Run(f, 1, [&](int) { f.WritePicture(*image_, 0, 0, false); });
  EXPECT_EQ(QImage(QString::fromStdString(Dir() + "sales_I0001.jpg")).size(), QSize(226, 76));
  EXPECT_NE(Read("sales0001.htm").find("width:113px; height:38px\"><IMG SRC=\"sales_I0001.jpg\" ALT=\"\" Width=113"),
            std::string::npos);
}

TEST_F(HtmlPictures, ImagesAreWrittenPerPrintAndShapesOncePerControl) {
  struct Case {
    const char* what;
    bool exportImages;
    std::vector<std::string> srcs;  // in print order: image p1, circle p1, image p2, circle p2
  };
  const Case cases[] = {
      {"images on", true, {"sales_I0001.jpg", "sales_I0002.jpg", "sales_I0003.jpg", "sales_I0002.jpg"}},
      {"images off", false, {"sales_I0001.jpg", "sales_I0001.jpg"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Settings().ExportImages = c.exportImages;
    TOxQRHTMLFilter f(Dir() + "sales.htm");
    std::vector<int> done;
    QRExportSettings().OnEncodeGraphicDone = [&](TOxQRExportFilter*, const void*, int index) { done.push_back(index); };
    Run(f, 2, [&](int) {
      f.WritePicture(*image_, 0, 0, false);
      f.WriteShape(*circle_, 0, 0, false);
    });
    std::vector<std::string> srcs;
    for (const char* page : {"sales0001.htm", "sales0002.htm"}) {
      const std::string html = Read(page);
      for (auto at = html.find("SRC=\""); at != std::string::npos; at = html.find("SRC=\"", at + 1))
        srcs.push_back(html.substr(at + 5, html.find('"', at + 5) - at - 5));
    }
    EXPECT_EQ(srcs, c.srcs);
    EXPECT_EQ(done.size(), c.srcs.size());
    EXPECT_EQ(QRExportSettings().CreatedImageFiles.Count(), c.exportImages ? 3 : 1);
    for (const auto& entry : std::filesystem::directory_iterator(Dir())) std::filesystem::remove_all(entry);
  }
}

TEST_F(HtmlPictures, ReferencesAreRelativeToThePageAndEncoded) {
  Settings().ImageDir = " pics\\ ";
  QRExportSettings().OnMakeImgFileName = [](TOxQRExportFilter*, std::string& name, std::string& alt, int page) {
    name += "_p" + std::to_string(page);
    alt = "Logo \"Q1\" & co";
  };
  TOxQRHTMLFilter f(Dir() + "Q1 #2.htm");
  Run(f, 1, [&](int) { f.WritePicture(*image_, 0, 0, false); });
  EXPECT_TRUE(FileExists(Dir() + "pics/Q1 #2_I0001_p1.jpg"));
  EXPECT_EQ(QRExportSettings().CreatedImageFiles[0], "pics/Q1 #2_I0001_p1.jpg");
  EXPECT_NE(Read("Q1 #20001.htm").find("<IMG SRC=\"pics/Q1 %232_I0001_p1.jpg\" ALT=\"Logo &quot;Q1&quot; &amp; co\""),
            std::string::npos);
}

TEST_F(HtmlPictures, IdenticalPicturesShareOneFileOnlyWhenAskedTo) {
  for (TOxImageFormat format : {TOxImageFormat::ifJPG, TOxImageFormat::ifBMP}) {
    SCOPED_TRACE(static_cast<int>(format));
    Settings().ExportImageFormat = format;
    const std::string ext = format == TOxImageFormat::ifJPG ? ".jpg" : ".bmp";
    auto& twin = Image(Qt::darkBlue);
    auto& other = Image(Qt::red);
    auto print = [&](TOxQRHTMLFilter& f) {
      Run(f, 1, [&](int) {
        for (TQRImage* image : {image_, &twin, &other, image_}) f.WritePicture(*image, 0, 0, false);
      });
    };
    TOxQRHTMLFilter copies(Dir() + "copies.htm");
    print(copies);
    EXPECT_EQ(QRExportSettings().CreatedImageFiles.Count(), 4);
    // Every print has its file; equal pictures hold equal bytes, another picture its own.
    const std::string first = ReadFileBytes(Dir() + "copies_I0001" + ext);
    for (const char* n : {"copies_I0002", "copies_I0004"}) EXPECT_EQ(ReadFileBytes(Dir() + n + ext), first) << n;
    EXPECT_NE(ReadFileBytes(Dir() + "copies_I0003" + ext), first);

    Settings().ReuseIdenticalImages = true;
    TOxQRHTMLFilter shared(Dir() + "shared.htm");
    print(shared);
    Settings().ReuseIdenticalImages = false;
    const auto& files = QRExportSettings().CreatedImageFiles;
    ASSERT_EQ(files.Count(), 2);
    EXPECT_EQ(files[0], "shared_I0001" + ext);
    EXPECT_EQ(files[1], "shared_I0002" + ext);
    EXPECT_EQ(ReadFileBytes(Dir() + files[0]), ReadFileBytes(Dir() + "copies_I0001" + ext)) << "same bytes as ever";
    EXPECT_EQ(ReadFileBytes(Dir() + files[1]), ReadFileBytes(Dir() + "copies_I0003" + ext));
    EXPECT_FALSE(FileExists(Dir() + "shared_I0003" + ext));
    const std::string body = BodyOf(Read("shared0001.htm"));
    std::size_t references = 0;
    for (auto at = body.find("SRC=\"shared_I0001" + ext); at != std::string::npos;
         at = body.find("SRC=\"shared_I0001" + ext, at + 1))
      ++references;
    EXPECT_EQ(references, 3u);
    for (const auto& entry : std::filesystem::directory_iterator(Dir())) std::filesystem::remove_all(entry);
  }
}

// With ReuseIdenticalImages an earlier file is shared only while it still holds the picture:
// one a handler changed (even to bytes of the same length) or deleted gets a new file beside it.
TEST_F(HtmlPictures, AnEarlierFileChangedSinceIsNotShared) {
  struct Case {
    const char* what;
    std::function<void(const std::string&)> change;
    int files;
  };
  const Case cases[] = {
      {"unchanged", [](const std::string&) {}, 1},
      {"other bytes", [](const std::string& p) { WriteFileBytes(p, "edited"); }, 2},
      {"same length", [](const std::string& p) {
         std::string bytes = ReadFileBytes(p);
         bytes.back() = static_cast<char>(bytes.back() ^ 1);
         WriteFileBytes(p, bytes);
       }, 2},
      {"deleted", [](const std::string& p) { std::filesystem::remove(p); }, 2},
  };
  Settings().ReuseIdenticalImages = true;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QRExportSettings().OnEncodeGraphicDone = [&](TOxQRExportFilter*, const void*, int index) {
      if (index == 0) c.change(Dir() + QRExportSettings().CreatedImageFiles[0]);
    };
    TOxQRHTMLFilter f(Dir() + "sales.htm");
    Run(f, 1, [&](int) {
      f.WritePicture(*image_, 0, 0, false);
      f.WritePicture(*image_, 0, 0, false);
    });
    ASSERT_EQ(QRExportSettings().CreatedImageFiles.Count(), c.files);
    if (c.files == 2) {
      EXPECT_NE(Read("sales0001.htm").find("SRC=\"sales_I0002.jpg\""), std::string::npos);
      EXPECT_EQ(ReadFileBytes(Dir() + "sales_I0002.jpg").substr(0, 2), "\xFF\xD8");  // the picture again
    }
    for (const auto& entry : std::filesystem::directory_iterator(Dir())) std::filesystem::remove_all(entry);
  }
}

TEST_F(HtmlPictures, EncodeGraphicHandlerCanReuseAnImagesFirstFile) {
  QRExportSettings().OnEncodeGraphic = [](TOxQRExportFilter*, const void*, bool& unique, int&) { unique = false; };
  TOxQRHTMLFilter f(Dir() + "sales.htm");
  Run(f, 2, [&](int) { f.WritePicture(*image_, 0, 0, false); });
  EXPECT_EQ(QRExportSettings().CreatedImageFiles.Count(), 1);
  EXPECT_NE(Read("sales0002.htm").find("SRC=\"sales_I0001.jpg\""), std::string::npos);
}

}  // namespace
}  // namespace oxqr
