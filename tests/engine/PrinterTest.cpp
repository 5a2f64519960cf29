#include <gtest/gtest.h>

#include "ReportFixture.h"
#include "engine/Printer.h"
#include "platform/Errors.h"
#include "platform/Streams.h"

namespace oxqr {
namespace {

TEST(Printer, ConvertsNativeToScreenPixels) {
  const TQRPrinter p;
  EXPECT_DOUBLE_EQ(p.HorizontalFactor(), 96.0 / 254.0);
  EXPECT_DOUBLE_EQ(p.VerticalFactor(), 96.0 / 254.0);
  EXPECT_EQ(p.ToDeviceX(254), 96);
  EXPECT_EQ(p.ToDeviceX(2100), 794);     // 793.7
  EXPECT_EQ(p.ToDeviceY(2970), 1123);    // 1122.5
  EXPECT_EQ(p.ToDeviceWidth(127), 48);
  EXPECT_EQ(p.ToDeviceHeight(10), 4);    // 3.78
}

TEST(Printer, PagesAreSizedToThePaperAndCurrentPageOutsideGivesNoPicture) {
  TQRPrinter p;
  EXPECT_EQ(p.PageMetafile(), nullptr);
  p.NewPage();
  p.NewPage();
  EXPECT_EQ(p.PageCount(), 2);
  EXPECT_EQ(p.CurrentPage(), 2);
  ASSERT_NE(p.PageMetafile(), nullptr);
  EXPECT_EQ(p.PageMetafile()->Width, 794);
  EXPECT_EQ(p.PageMetafile()->Height, 1123);
  for (int outside : {0, 3, 100, -1}) {
    p.SetCurrentPage(outside);
    EXPECT_EQ(p.PageMetafile(), nullptr) << outside;
  }
  p.SetCurrentPage(1);
  EXPECT_EQ(p.PageMetafile(), p.Page(1));
}

// A prepared two-page report with text, a shape and frames.
std::string PreparedReportBytes(TQRReport& report) {
  test::NoMargins(report);
  report.ReportTitle = "Round trip";
  report.Frame.SetAll(true);
  auto& detail = test::AddBand(report, TQRBandType::rbDetail, 2000);
  detail.Color = clAqua;
  test::AddLabel(detail, "first").Frame.SetAll(true);
  auto& shape = detail.Add<TQRShape>();
  shape.Shape = TQRShapeType::qrsCircle;
  shape.Size = TQRSize{300, 600, 100, 300};
  test::AddBand(report, TQRBandType::rbSummary, 1500);
  report.Prepare();
  TMemoryStream s;
  report.QRPrinter().SaveToStream(s);
  return s.Bytes();
}

TEST(PreparedReportFile, LoadsBackIdenticalPages) {
  TQRReport report;
  const std::string bytes = PreparedReportBytes(report);
  const TQRPrinter& source = report.QRPrinter();
  ASSERT_EQ(source.PageCount(), 2);

  TMemoryStream in(bytes);
  TQRPrinter loaded;
  loaded.LoadFromStream(in);
  EXPECT_EQ(loaded.Title, "Round trip");
  EXPECT_EQ(loaded.PaperWidth, source.PaperWidth);
  EXPECT_EQ(loaded.PaperLength, source.PaperLength);
  ASSERT_EQ(loaded.PageCount(), 2);
  for (int n = 1; n <= 2; ++n) {
    EXPECT_FALSE(source.Page(n)->Records.empty());
    EXPECT_TRUE(*loaded.Page(n) == *source.Page(n)) << "page " << n;
  }
}

TEST(PreparedReportFile, DamagedFilesThrowAndLeaveThePrinterAsItWas) {
  TQRReport report;
  const std::string bytes = PreparedReportBytes(report);
  std::string badMagic = bytes;
  badMagic[0] = 'X';
  std::string hugeCount = bytes.substr(0, 7) + std::string("\xff\xff\xff\x7f", 4);
  const std::vector<std::string> damaged = {"",  bytes.substr(0, 3), bytes.substr(0, 12), bytes.substr(0, bytes.size() / 2),
                                            bytes.substr(0, bytes.size() - 1), badMagic, hugeCount};
  for (const std::string& d : damaged) {
    TQRPrinter p;
    p.NewPage();
    TMemoryStream in(d);
    EXPECT_THROW(p.LoadFromStream(in), EInvalidData) << d.size() << " bytes";
    EXPECT_EQ(p.PageCount(), 1);
  }
}

}  // namespace
}  // namespace oxqr
