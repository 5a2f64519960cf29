#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordingFilter.h"
#include "ReportFixture.h"

namespace oxqr {
namespace {

// A detail band of 100 (printed once) with a stretching memo at its top, one line (45)
// high, and controls placed below it; the summary's label shows where the band ended.
struct StretchReport {
  TQRReport Report;
  TQRCustomBand* Detail;
  TQRMemo* Memo;

  explicit StretchReport(std::vector<std::string> lines, double pageLength = 2970) {
    test::NoMargins(Report);
    Report.Page.NativeLength = pageLength;
    Detail = &test::AddBand(Report, TQRBandType::rbDetail, 100);
    Memo = &Detail->Add<TQRMemo>();
    Memo->Lines = std::move(lines);
    Memo->AutoStretch = true;
    Memo->Size = TQRSize{45, 0, 0, 500};
    test::AddLabel(test::AddBand(Report, TQRBandType::rbSummary, 50), "END");
  }
  const test::TextCall& Run(test::RecordingFilter& filter) {
    Report.ExportToFilter(filter);
    return filter.Texts.front();
  }
};

const test::TextCall* Find(const test::RecordingFilter& f, const std::string& text) {
  for (const auto& t : f.Texts)
    if (t.Text == text) return &t;
  return nullptr;
}

TEST(ControlShift, ControlsBelowAStretchingTextMoveDownByItsGrowth) {
  StretchReport r({"one", "two", "three"});
  auto& below = test::AddLabel(*r.Detail, "below", 0, 50, 500, 45);
  test::AddLabel(*r.Detail, "beside", 600, 50, 300, 45);  // not under the memo
  auto& fixed = test::AddLabel(*r.Detail, "fixed", 100, 60, 100, 45);
  fixed.Shift = TQRShift::None;
  // Below "below": moved by what "below" was moved.
  test::AddLabel(*r.Detail, "chained", 0, 95, 200, 5);
  (void)below;
  test::RecordingFilter f("x.rec");
  r.Run(f);
  const double lineHeight = Find(f, "two")->Y - Find(f, "one")->Y;
  const double growth = 3 * lineHeight - 45;
  ASSERT_GT(growth, 0);
  EXPECT_NEAR(Find(f, "below")->Y, 50 + growth, 0.5);
  EXPECT_NEAR(Find(f, "beside")->Y, 50, 0.5);
  EXPECT_NEAR(Find(f, "fixed")->Y, 60, 0.5);
  EXPECT_NEAR(Find(f, "chained")->Y, 95 + growth, 0.5);
  // The band grew with the moved controls, keeping the room below them.
  EXPECT_NEAR(Find(f, "END")->Y, 100 + growth, 1);
}

TEST(ControlShift, AControlPlacedBeforeItsStretchingTextInTheBandStillMoves) {
  TQRReport report;
  test::NoMargins(report);
  auto& band = test::AddBand(report, TQRBandType::rbDetail, 100);
  test::AddLabel(band, "below", 0, 50, 500, 45);  // added first, printed after the memo
  auto& memo = band.Add<TQRMemo>();
  memo.Lines = {"one", "two"};
  memo.AutoStretch = true;
  memo.Size = TQRSize{45, 0, 0, 500};
  test::RecordingFilter f("x.rec");
  report.ExportToFilter(f);
  const double lineHeight = Find(f, "two")->Y - Find(f, "one")->Y;
  EXPECT_NEAR(Find(f, "below")->Y, 50 + 2 * lineHeight - 45, 0.5);
}

TEST(ControlShift, AControlBelowTextLeftForTheNextPageFollowsItThere) {
  std::vector<std::string> lines;
  for (int i = 0; i < 40; ++i) lines.push_back("line " + std::to_string(i));
  StretchReport r(lines, 1000);
  test::AddLabel(*r.Detail, "below", 0, 50, 500, 45);
  test::RecordingFilter f("x.rec");
  r.Run(f);
  const test::TextCall* last = Find(f, "line 39");
  const test::TextCall* below = Find(f, "below");
  ASSERT_NE(last, nullptr);
  ASSERT_NE(below, nullptr);
  EXPECT_EQ(f.Pages, 2);
  EXPECT_EQ(below->Page, last->Page);
  EXPECT_GT(below->Y, last->Y);
  EXPECT_EQ(f.TextsOfPage(1).size() + f.TextsOfPage(2).size(), 42u);  // each text once
}

TEST(ControlShift, SuppressBlankLinesDropsEmptyLinesAndTheirRoom) {
  double parisBelowAnn[2] = {0, 0}, below[2] = {0, 0};
  for (bool suppress : {false, true}) {
    StretchReport r({"Ann Smith", "", "   ", "Paris"});
    r.Memo->SuppressBlankLines = suppress;
    test::AddLabel(*r.Detail, "below", 0, 50, 500, 45);
    test::RecordingFilter f("x.rec");
    r.Run(f);
    parisBelowAnn[suppress] = Find(f, "Paris")->Y - Find(f, "Ann Smith")->Y;
    below[suppress] = Find(f, "below")->Y;
    EXPECT_EQ(f.Texts.size(), suppress ? 4u : 6u);
  }
  const double lineHeight = parisBelowAnn[1];  // the next line
  EXPECT_NEAR(parisBelowAnn[0], 3 * lineHeight, 0.5);
  EXPECT_NEAR(below[1], 50 + 2 * lineHeight - 45, 0.5);
  EXPECT_NEAR(below[0], 50 + 4 * lineHeight - 45, 0.5);
}

}  // namespace
}  // namespace oxqr
