#include <gtest/gtest.h>

#include "RecordingFilter.h"
#include "ReportFixture.h"
#include "platform/Locale.h"

namespace oxqr {
namespace {

TEST(SysData, PrintsItsPrefixAndValuePerPage) {
  TLocalTime fixed;
  fixed.Tm.tm_year = 2026 - 1900;
  fixed.Tm.tm_mon = 2;  // March
  fixed.Tm.tm_mday = 9;
  fixed.Tm.tm_hour = 14;
  fixed.Tm.tm_min = 5;
  fixed.Tm.tm_sec = 7;
  SetFixedNow(fixed);

  TQRReport report;
  test::NoMargins(report);
  report.ReportTitle = "Weights";
  auto& footer = test::AddBand(report, TQRBandType::rbPageFooter, 300);
  const std::pair<TQRSysDataType, std::string> kinds[] = {
      {TQRSysDataType::qrsPageNumber, "Page: "}, {TQRSysDataType::qrsDate, "D "},
      {TQRSysDataType::qrsTime, "T "},         {TQRSysDataType::qrsDateTime, " Printed on: "},
      {TQRSysDataType::qrsReportTitle, ""}};
  double top = 0;
  for (const auto& [kind, prefix] : kinds) {
    auto& s = footer.Add<TQRSysData>();
    s.Data = kind;
    s.Text_ = prefix;
    s.Size = TQRSize{45, 0, top, 900};
    top += 50;
  }
  test::AddBand(report, TQRBandType::rbDetail, 2000);
  test::AddBand(report, TQRBandType::rbSummary, 2000);
  test::RecordingFilter filter("x.rec");
  report.ExportToFilter(filter);
  SetFixedNow(std::nullopt);

  ASSERT_EQ(filter.Pages, 2);
  // 9 March: month first, as the data's dates ("m/d/yyyy"), so one report has one date order.
  for (int page = 1; page <= 2; ++page)
    EXPECT_EQ(filter.TextsOfPage(page),
              (std::vector<std::string>{"Page: " + std::to_string(page), "D 3/9/2026", "T 14:05:07",
                                        " Printed on: 3/9/2026 14:05:07", "Weights"}));
}

}  // namespace
}  // namespace oxqr
