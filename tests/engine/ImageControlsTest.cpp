#include <gtest/gtest.h>

#include "FakeDataSet.h"
#include "ReportFixture.h"
#include "platform/Files.h"
#include "platform/ImageCodecs.h"
#include "platform/Streams.h"

namespace oxqr {
namespace {

using Rows = std::vector<test::FakeDataSet::Row>;

class DBImagePictures : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = IncludeTrailingPathDelimiter(TempDirectory()) + "oxqr-engine-images/";
    ForceFolder(dir_);
    TBitmap bmp(7, 5);
    bmp.SaveToFile(dir_ + "seven.bmp");
    TFileStream jpg(dir_ + "photo.jpg", TFileMode::fmCreate);
    EncodeJPEG(TBitmap(9, 4).Image(), jpg);
    jpg.Close();
  }
  void TearDown() override {
    TryDeleteFile(dir_ + "seven.bmp");
    TryDeleteFile(dir_ + "photo.jpg");
  }
  // The picture the control loads for a field holding `value`; width 0 when it answers false.
  TSize Load(const std::string& value, TFieldType type = TFieldType::ftString, const std::string& field = "Pic") {
    test::FakeDataSet data("pictures", {"Pic"}, Rows{{{"Pic", value}}});
    data.FindField("Pic")->DataType = type;
    data.Open();
    data.First();
    TQRDBImage image;
    image.DataSet = &data;
    image.DataField = field;
    TBitmap out(3, 3);
    if (!image.LoadPicture(out)) return {0, 0};
    return {out.Width(), out.Height()};
  }
  std::string dir_;
};

TEST_F(DBImagePictures, FileNameFieldsAndBlobs) {
  EXPECT_EQ(Load(dir_ + "seven.bmp"), (TSize{7, 5}));
  EXPECT_EQ(Load(dir_ + "seven"), (TSize{7, 5}));  // ".bmp" is put on
  EXPECT_EQ(Load(dir_ + "photo.jpg"), (TSize{9, 4}));
  EXPECT_EQ(Load(dir_ + "missing.bmp"), (TSize{1, 1}));
  EXPECT_EQ(Load(dir_ + "seven.bmp", TFieldType::ftString, "NoField"), (TSize{0, 0}));
  // A blob that is no picture leaves what was there.
  EXPECT_EQ(Load("not a picture", TFieldType::ftGraphic), (TSize{3, 3}));
  EXPECT_EQ(Load(ReadFileBytes(dir_ + "seven.bmp"), TFieldType::ftGraphic), (TSize{7, 5}));
}

TEST(DrawPictureInRect, CentresClipsAndStretches) {
  TBitmap picture(4, 4);
  picture.Canvas().Brush = TBrush{clRed, TBrushStyle::bsSolid};
  picture.Canvas().FillRect(Rect(0, 0, 4, 4));
  struct Case {
    bool Center, Stretch;
    TRect Box;
    TRect Drawn;
  };
  const Case cases[] = {
      {false, false, Rect(10, 10, 20, 20), Rect(10, 10, 14, 14)},
      {true, false, Rect(10, 10, 20, 20), Rect(13, 13, 17, 17)},
      {false, true, Rect(10, 10, 20, 20), Rect(10, 10, 20, 20)},
      {true, false, Rect(10, 10, 12, 12), Rect(10, 10, 12, 12)},  // clipped to the box
  };
  for (const Case& c : cases) {
    TMetafile mf(40, 40);
    TMetafileCanvas canvas(mf);
    DrawPictureInRect(canvas, c.Box, picture, c.Center, c.Stretch);
    ASSERT_EQ(mf.Records.size(), 1u);
    const auto* bmp = std::get_if<MrBitmap>(&mf.Records[0]);
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(bmp->Dest, c.Drawn);
  }
}

}  // namespace
}  // namespace oxqr
