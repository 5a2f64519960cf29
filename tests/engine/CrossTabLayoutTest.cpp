// The cross-tab over pages: which columns and rows each page prints, with the column
// headers over every piece and the row headers beside every piece of columns.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RecordingFilter.h"
#include "ReportFixture.h"
#include "engine/CrossTab.h"

namespace oxqr {
namespace {

constexpr double kHeaderWidth = 300;  // Native
constexpr double kColumnWidth = 300;
constexpr double kRowHeight = 60;

// A table of `rows` x `columns` with every cell filled ("R2C3").
TQRCrossTabTable MakeTable(int rows, int columns) {
  TQRCrossTabTable t;
  for (int r = 1; r <= rows; ++r) t.RowHeaders.push_back("R" + std::to_string(r));
  for (int c = 1; c <= columns; ++c) t.ColumnHeaders.push_back("C" + std::to_string(c));
  for (int r = 1; r <= rows; ++r)
    for (int c = 1; c <= columns; ++c) t.Cells.push_back({"R" + std::to_string(r) + "C" + std::to_string(c), r * c});
  for (int r = 1; r <= rows; ++r) t.RowTotals.push_back({"RT" + std::to_string(r), r});
  for (int c = 1; c <= columns; ++c) t.ColumnTotals.push_back({"CT" + std::to_string(c), c});
  t.GrandTotal = {"GT", 0};
  return t;
}

// What one page shows, piece by piece: "C1 C2 Total|R1 R2 Total" (the column headers of a
// piece, then the row header of each of its rows), pieces joined by "; ". Checks on the way
// that every body row holds its row header and one value per column of its piece.
std::string PageSignature(const test::RecordingFilter& filter, int page, double left) {
  std::map<double, std::vector<const test::TextCall*>> lines;
  for (const auto& t : filter.Texts)
    if (t.Page == page) lines[t.Y].push_back(&t);
  std::string out;
  std::size_t piece = 0;  // columns of the current piece
  bool firstRow = true;
  for (auto& [y, texts] : lines) {
    std::sort(texts.begin(), texts.end(), [](const auto* a, const auto* b) { return a->X < b->X; });
    const bool body = texts.front()->X < left + kHeaderWidth;
    if (!body) {
      if (!out.empty()) out += "; ";
      for (std::size_t i = 0; i < texts.size(); ++i) out += (i > 0 ? " " : "") + texts[i]->Text;
      out += "|";
      piece = texts.size();
      firstRow = true;
      continue;
    }
    EXPECT_EQ(texts.size(), piece + 1) << "row " << texts.front()->Text << " on page " << page;
    out += (firstRow ? "" : " ") + texts.front()->Text;
    firstRow = false;
  }
  return out;
}

struct LayoutCase {
  const char* Name;
  int Rows, Columns;
  double PageLength;  // Native, no margins
  double Left;        // the control's left edge in its band
  std::vector<std::string> Pages;
};

class CrossTabLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(CrossTabLayout, PiecesRepeatTheirHeaders) {
  const LayoutCase& c = GetParam();
  TQRReport report;
  test::NoMargins(report);  // bands 2100 wide: six columns beside the row headers at 0
  report.Page.NativeLength = c.PageLength;
  auto& summary = test::AddBand(report, TQRBandType::rbSummary, 2 * kRowHeight);
  auto& table = summary.Add<TQRCrossTab>();
  table.Size = TQRSize{2 * kRowHeight, c.Left, 0, 1000};
  table.RowHeaderWidth = kHeaderWidth;
  table.ColumnWidth = kColumnWidth;
  table.RowHeight = kRowHeight;
  table.Data = MakeTable(c.Rows, c.Columns);

  test::RecordingFilter filter("x.rec");
  report.ExportToFilter(filter);
  std::vector<std::string> pages;
  for (int p = 1; p <= filter.Pages; ++p) pages.push_back(PageSignature(filter, p, c.Left));
  EXPECT_EQ(pages, c.Pages);
}

// Page length 600: ten rows of 60, so a header and nine rows per page.
const LayoutCase kLayoutCases[] = {
    {"Small", 2, 2, 2970, 0, {"C1 C2 Total|R1 R2 Total"}},
    {"Empty", 0, 0, 2970, 0, {"Total|Total"}},
    {"WideFollowsOnThePage", 2, 8, 2970, 0, {"C1 C2 C3 C4 C5 C6|R1 R2 Total; C7 C8 Total|R1 R2 Total"}},
    {"LeftEdgeNarrowsThePiece", 1, 5, 2970, 300, {"C1 C2 C3 C4 C5|R1 Total; Total|R1 Total"}},
    {"Tall", 12, 2, 600, 0, {"C1 C2 Total|R1 R2 R3 R4 R5 R6 R7 R8 R9", "C1 C2 Total|R10 R11 R12 Total"}},
    {"WideAndTall",
     11,
     7,
     600,
     0,
     {"C1 C2 C3 C4 C5 C6|R1 R2 R3 R4 R5 R6 R7 R8 R9", "C1 C2 C3 C4 C5 C6|R10 R11 Total; C7 Total|R1 R2 R3 R4",
      "C7 Total|R5 R6 R7 R8 R9 R10 R11 Total"}},
    // A page shorter than a header and a row still prints a row on each: no endless pages.
    {"PageTooShort", 2, 1, 100, 0, {"C1 Total|R1", "C1 Total|R2", "C1 Total|Total"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, CrossTabLayout, testing::ValuesIn(kLayoutCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(CrossTabLayout, CellsHoldTheirNumbersAndTotalsAtTheEnd) {
  TQRCrossTab table;
  table.RowHeaderWidth = kHeaderWidth;
  table.ColumnWidth = kColumnWidth;
  table.RowHeight = kRowHeight;
  table.Size.Width = 2100;
  const TQRCrossTabTable data = MakeTable(2, 2);
  const auto cells = table.CellsOf(data, {0, 3, 0, 3, 0});
  ASSERT_EQ(cells.size(), 16u);  // four lines of a header and three columns
  const auto& grand = cells.back();
  EXPECT_EQ(grand.Text, "GT");
  EXPECT_EQ(grand.Number, 0);
  EXPECT_EQ(grand.Box, 3);
  EXPECT_TRUE(grand.Font.Style.Has(TFontStyle::fsBold));
  const auto& value = cells[5];  // R1's first value, right of its row header
  EXPECT_EQ(value.Text, "R1C1");
  EXPECT_EQ(value.Number, 1);
  EXPECT_FALSE(value.Font.Style.Has(TFontStyle::fsBold));
  EXPECT_EQ(value.Left, kHeaderWidth);
  EXPECT_EQ(value.Top, kRowHeight);  // under the header row
  EXPECT_FALSE(cells[0].Number);     // the corner and headers are text
}

}  // namespace
}  // namespace oxqr
