#include <functional>

#include <gtest/gtest.h>

#include "ReportFixture.h"

namespace oxqr {
namespace {

TEST(BandExpansion, ControlsShareTheRoomAnotherControlMade) {
  TQRCustomBand band(TQRBandType::rbDetail);
  band.Size.Height = 100;
  TQRLabel a, b, c;
  struct Step {
    const TQRPrintable* Caller;
    double V;
    bool Answer;  // true exactly when nothing was added
    double Total;
  };
  const Step steps[] = {
      {&a, 50, false, 50},   // first growth
      {&b, 30, true, 50},    // b has not grown the band and 50 already covers 30
      {&b, 10, false, 60},   // b has grown it now: its requests add
      {&a, 5, false, 65},    // so do a's
      {&c, 70, false, 135},  // c asks for more than the band gained
  };
  for (const Step& s : steps) {
    double total = -1;
    EXPECT_EQ(band.ExpandBy(s.V, s.Caller, total), s.Answer) << s.V;
    EXPECT_DOUBLE_EQ(total, s.Total);
    EXPECT_DOUBLE_EQ(band.Expanded, s.Total);
  }
  band.ResetExpansion();
  EXPECT_EQ(band.Expanded, 0);
  double total = 0;
  EXPECT_FALSE(band.ExpandBy(30, &b, total));  // after a reset b's request adds again
  EXPECT_DOUBLE_EQ(total, 30);
}

// Calls `probe` from inside the run, while its band is being printed.
class ProbeControl : public TQRPrintable {
 public:
  std::function<void(TQRCustomBand&)> Probe;
  void Print(int, int) override { Probe(*ParentBand()); }
};

TEST(BandExpansion, CanExpandMeasuresTheRoomLeftAboveThePageFooter) {
  TQRReport report;
  test::NoMargins(report);
  report.Page.NativeBottomMargin = 100;
  test::AddBand(report, TQRBandType::rbPageFooter, 200);
  auto& detail = test::AddBand(report, TQRBandType::rbDetail, 300);
  // Room below the band's top at 0: 2970 - 100 - 200 = 2670, so 2370 beyond its height.
  std::vector<std::pair<double, bool>> seen;
  detail.Add<ProbeControl>().Probe = [&](TQRCustomBand& band) {
    for (double v : {0.0, 2370.0, 2370.4, 2370.6, 5000.0}) seen.emplace_back(v, band.CanExpand(v));
    double total = 0;
    EXPECT_FALSE(band.ExpandBy(5000, nullptr, total));  // no room: nothing happens
    EXPECT_EQ(band.Expanded, 0);
  };
  report.Prepare();
  const std::vector<std::pair<double, bool>> expected = {
      {0.0, true}, {2370.0, true}, {2370.4, true}, {2370.6, false}, {5000.0, false}};
  EXPECT_EQ(seen, expected);
}

}  // namespace
}  // namespace oxqr
