// The job's encoded pictures: a picture met again is not encoded again, anything that changes
// the encoding is, and the memory budget is kept.
#include <gtest/gtest.h>

#include <string>

#include "OxQrExport/core/EncodedPictures.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"

namespace oxqr {
namespace {

TBitmap Filled(int w, int h, TColor colour) {
  TBitmap bmp(w, h);
  bmp.Canvas().Brush.Color = colour;
  bmp.Canvas().FillRect(TRect{0, 0, w, h});
  return bmp;
}

TEST(EncodedPictures, EncodesOncePerPictureAndSettings) {
  TEncodedPictureCache cache;
  int encodes = 0;
  auto encoder = [&encodes](std::string bytes) {
    return [&encodes, bytes] {
      ++encodes;
      return bytes;
    };
  };
  const TBitmap red = Filled(20, 10, clRed);
  const TBitmap sameRed = Filled(20, 10, clRed);  // a different bitmap with the same pixels
  EXPECT_EQ(*cache.Get(red, "png", encoder("A")), "A");
  EXPECT_EQ(*cache.Get(sameRed, "png", encoder("unused")), "A");
  EXPECT_EQ(encodes, 1);

  // Each of these must be encoded on its own.
  TBitmap oneDot = Filled(20, 10, clRed);
  oneDot.Canvas().Brush.Color = clBlue;
  oneDot.Canvas().FillRect(TRect{19, 9, 20, 10});
  TBitmap mono = Filled(20, 10, clRed);
  mono.SetMonochrome(true);
  EXPECT_EQ(*cache.Get(red, "jpeg 80", encoder("B")), "B");
  EXPECT_EQ(*cache.Get(Filled(10, 20, clRed), "png", encoder("C")), "C");
  EXPECT_EQ(*cache.Get(oneDot, "png", encoder("D")), "D");
  EXPECT_EQ(*cache.Get(mono, "png", encoder("E")), "E");
  EXPECT_EQ(encodes, 5);
  EXPECT_EQ(cache.Hits(), 1u);
}

TEST(EncodedPictures, KeepsNothingBeyondItsBudget) {
  TEncodedPictureCache cache(500);  // less than one 20 x 10 picture's pixels (800 bytes)
  int encodes = 0;
  const auto encode = [&encodes] {
    ++encodes;
    return std::string(100, 'x');
  };
  const TBitmap red = Filled(20, 10, clRed);
  cache.Get(red, "png", encode);
  const auto bytes = cache.Get(red, "png", encode);
  EXPECT_EQ(encodes, 2);
  EXPECT_EQ(bytes->size(), 100u);
  EXPECT_EQ(cache.StoredBytes(), 0u);
}

}  // namespace
}  // namespace oxqr
