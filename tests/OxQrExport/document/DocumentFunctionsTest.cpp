// The conversion functions the document formats share.
#include <gtest/gtest.h>

#include <clocale>
#include <memory>

#include "OxQrExport/core/DocumentFilter.h"
#include "OxQrExport/core/DocumentFunctions.h"
#include "platform/Locale.h"

namespace oxqr {
namespace {

std::unique_ptr<TOxQrTextRec> Rec(double y, double x, const std::string& text) {
  auto r = std::make_unique<TOxQrTextRec>();
  r->Y = y;
  r->X = x;
  r->Text = text;
  return r;
}

TEST(DocumentFunctions, InsertTextSortedOrdersByRowThenColumnKeepingArrivalOrder) {
  std::vector<std::unique_ptr<TOxQrTextRec>> list;
  InsertTextSorted(Rec(5, 1, "b1"), list);
  InsertTextSorted(Rec(5, 1, "b2"), list);   // equal position: after the earlier one
  InsertTextSorted(Rec(2, 90, "a"), list);   // smaller Y goes first whatever its X
  InsertTextSorted(Rec(5, 0.5, "b0"), list);
  InsertTextSorted(Rec(9, 0, "c"), list);
  InsertTextSorted(Rec(5, 1, "b3"), list);
  std::string order;
  for (const auto& r : list) order += r->Text + " ";
  EXPECT_EQ(order, "a b0 b1 b2 b3 c ");
}

TEST(DocumentFunctions, HexByteToUnitIgnoresTheLocale) {
  const char saved = DecimalSeparator();
  SetDecimalSeparator(',');
  // Also the C library's numeric locale, when the machine has a comma locale.
  const std::string savedC = std::setlocale(LC_NUMERIC, nullptr);
  const bool commaLocale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr ||
                           std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") != nullptr;
  EXPECT_EQ(HexByteToUnit("FF"), "1.0000");
  EXPECT_EQ(HexByteToUnit("80"), "0.5020");
  EXPECT_EQ(HexByteToUnit("00"), "0.0000");
  EXPECT_EQ(HexByteToUnit("zz"), "0.0000");  // invalid text counts as 0
  EXPECT_EQ(ColorToPDF(clRed), "1.0000 0.0000 0.0000");
  std::setlocale(LC_NUMERIC, savedC.c_str());
  SetDecimalSeparator(saved);
  if (!commaLocale) GTEST_LOG_(INFO) << "no comma locale installed; checked with the platform separator only";
}

TEST(DocumentFunctions, ColoursAsHexAndComponents) {
  EXPECT_EQ(RGBHex(clRed), "FF0000");
  EXPECT_EQ(RGBHex(RGBColor(0x12, 0xAB, 0x0C)), "12AB0C");
  SetSystemColor(5, RGBColor(0x12, 0x34, 0x56));  // the window colour, as a theme sets it
  EXPECT_EQ(RGBHex(clWindow), "123456");
  EXPECT_EQ(ColorComponent(1, clWindow), "52");
  SetSystemColor(5, clWhite);
  EXPECT_EQ(RGBHex(clWindow), "FFFFFF");
  EXPECT_EQ(ColorComponent(2, RGBColor(0, 0, 200)), "200");
  EXPECT_EQ(HexToDecimal("FF"), "255");
  EXPECT_EQ(HexToDecimal("xyz"), "0");
}

TEST(DocumentFunctions, ReplaceTextIgnoresCaseAndResumesAfterEachReplacement) {
  struct Case {
    const char* s;
    const char* find;
    const char* replacement;
    const char* expected;
  };
  const Case cases[] = {
      {"Hello World", "world", "There", "Hello There"},
      {"aaa", "a", "aa", "aaaaaa"},  // the replacement is never searched again
      {"ABab aB", "ab", "-", "-- -"},
      {"", "a", "b", ""},
      {"abc", "", "x", "abc"},
      {"\xC9t\xE9", "\xE9", "e", "ete"},  // Latin-1 letters compare without case
  };
  for (const auto& c : cases) EXPECT_EQ(ReplaceText(c.s, c.find, c.replacement), c.expected) << c.s;
}

TEST(DocumentFunctions, SmallHelpers) {
  TQRFrame frame;
  frame.DrawTop = frame.DrawBottom = frame.DrawLeft = true;
  EXPECT_FALSE(FrameAllSides(frame));
  frame.DrawRight = true;
  EXPECT_TRUE(FrameAllSides(frame));
  EXPECT_EQ(IncludeTrailingBackslash("/tmp/out"), "/tmp/out/");
  EXPECT_EQ(IncludeTrailingBackslash("/tmp/out/"), "/tmp/out/");
  EXPECT_EQ(MakeRect(1, 2, 3, 4), (TOxQrRect{1, 2, 3, 4}));
}

}  // namespace
}  // namespace oxqr
