// Cell texts and sheet names as a workbook holds them.
#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>

#include "OxQrExport/xlsx/WorkbookText.h"

namespace oxqr {
namespace {

struct CellTextCase {
  const char* Name;
  std::string In;
  std::string Out;
  int Replaced;
  friend void PrintTo(const CellTextCase& c, std::ostream* os) { *os << c.Name; }
};

class WorkbookCellTextTest : public ::testing::TestWithParam<CellTextCase> {};

TEST_P(WorkbookCellTextTest, KeepsWhatXmlHoldsAndCountsTheRest) {
  TCellTextCounts counts;
  EXPECT_EQ(WorkbookCellText(GetParam().In, counts), GetParam().Out);
  EXPECT_EQ(counts.Replaced, GetParam().Replaced);
  EXPECT_EQ(counts.Cut, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WorkbookCellTextTest,
    ::testing::Values(CellTextCase{"Markup", "& < > \" '", "& < > \" '", 0},
                      CellTextCase{"Accents", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", 0},
                      CellTextCase{"TabAndLineEnds", "a\tb\r\nc", "a\tb\r\nc", 0},
                      CellTextCase{"ControlCharacters", std::string("a\x01" "b\x1F" "c\0d", 7), "a?b?c?d", 3},
                      CellTextCase{"BrokenUtf8", "a\xC3(\xFF\xED\xA0\x80z", "a?(??" "??z", 5},
                      CellTextCase{"NonCharacter", "\xEF\xBF\xBEx", "?" "??x", 3}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(WorkbookCellText, CutsAtTheCellLimitByCharactersOnce) {
  TCellTextCounts counts;
  // Two-byte characters: the cut counts characters, not bytes, and never splits one.
  std::string text;
  for (int i = 0; i < 40000; ++i) text += "\xC3\xA9";
  const std::string cut = WorkbookCellText(text, counts);
  EXPECT_EQ(cut.size(), 2 * kMaxCellChars);
  EXPECT_EQ(counts.Cut, 1);
  EXPECT_EQ(WorkbookCellText(std::string(kMaxCellChars, 'x'), counts).size(), kMaxCellChars);
  EXPECT_EQ(counts.Cut, 1);  // exactly at the limit is not cut
}

TEST(UniqueSheetName, FollowsTheSheetNameRules) {
  std::set<std::string> taken;
  EXPECT_EQ(UniqueSheetName("Sales [2025]: a/b\\c*d?", taken), "Sales 2025 abcd");
  EXPECT_EQ(UniqueSheetName("", taken), "Sheet");
  EXPECT_EQ(UniqueSheetName("'quoted'", taken), "quoted");
  EXPECT_EQ(UniqueSheetName("A very long report title that goes on and on", taken), "A very long report title that g");
  // Taken names (any letter case) get a numeric suffix within the 31 characters.
  EXPECT_EQ(UniqueSheetName("a very long report title that goes on", taken), "a very long report title that 2");
  EXPECT_EQ(UniqueSheetName("SHEET", taken), "SHEET 2");
  EXPECT_EQ(UniqueSheetName("Sheet", taken), "Sheet 3");
  // Cut by characters, not bytes.
  std::string accents;
  for (int i = 0; i < 40; ++i) accents += "\xC3\xA9";
  EXPECT_EQ(UniqueSheetName(accents, taken).size(), 2 * kMaxSheetNameChars);
}

}  // namespace
}  // namespace oxqr
