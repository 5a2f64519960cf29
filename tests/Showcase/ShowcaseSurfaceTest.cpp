// The design surface: bands in the order a page prints them, the report's zoom, and the
// export hint that shows on the surface but never on a printed page.
#include <QImage>
#include <QPainter>

#include "ShowcaseTestSupport.h"
#include "Showcase/app/ShowcaseSurfaces.h"
#include "Showcase/samples/SampleContext.h"
#include "engine/Report.h"
#include "engine/gui/DesignSurface.h"
#include "platform/Metafile.h"

namespace oxqr::testing {
namespace {

std::vector<std::string> Names(const std::vector<TQRCustomBand*>& bands) {
  std::vector<std::string> out;
  for (const auto* b : bands) out.push_back(BandTypeName(b->BandType));
  return out;
}

TEST(DesignSurface, BandsInPrintOrderWithChildrenAfterTheirParents) {
  TQRReport report;
  report.AddBand(TQRBandType::rbPageFooter);
  report.AddBand(TQRBandType::rbSummary);
  report.AddBand(TQRBandType::rbDetail);
  auto& child = report.AddBand(TQRBandType::rbChild);
  auto& title = report.AddBand(TQRBandType::rbTitle);
  title.ChildBand = &child;
  report.AddBand(TQRBandType::rbPageHeader);
  EXPECT_EQ(Names(BandsInPrintOrder(report)),
            (std::vector<std::string>{"Page Header", "Title", "Child", "Detail", "Summary", "Page Footer"}));

  const auto customers = MakeSampleReport("customers", DefaultSampleContext());
  EXPECT_EQ(Names(BandsInPrintOrder(customers->Report())),
            (std::vector<std::string>{"Page Header", "Title", "Detail", "Group Header", "Sub Detail"}));
}

int DarkPixelsInRows(const QImage& image, int top, int bottom) {
  int n = 0;
  for (int y = std::max(0, top); y < std::min(bottom, image.height()); ++y)
    for (int x = 0; x < image.width(); ++x) n += qGray(image.pixel(x, y)) < 128;
  return n;
}

TEST(DesignSurface, ShowsTheExportHintAboveTheBandsAndThePrintedPageDoesNot) {
  const auto sample = MakeSampleReport("customers", DefaultSampleContext());
  TQRCustomReport& report = sample->Report();
  std::unique_ptr<TQRDesignSurface> surface(MakeShowcaseSurface(report, nullptr));
  const QImage shown = surface->grab().toImage();
  const int firstBandTop = surface->BandRects().front().second.Top;
  EXPECT_EQ(firstBandTop, 48);  // the 12.7 mm top margin at 96 ppi
  EXPECT_GT(DarkPixelsInRows(shown, 0, firstBandTop), 200) << "the hint sits above the first band";

  report.Prepare();
  const TMetafile& page = *report.QRPrinter().Page(1);
  QImage printed(page.Width, page.Height, QImage::Format_RGB32);
  printed.fill(Qt::white);
  QPainter painter(&printed);
  PlayMetafile(painter, page);
  painter.end();
  EXPECT_EQ(DarkPixelsInRows(printed, 0, firstBandTop), 0) << "nothing prints in the top margin";
}

TEST(DesignSurface, PaperAtTheReportsZoom) {
  const auto rich = MakeSampleReport("richtext", DefaultSampleContext());  // Letter at 120 %
  const TQRDesignSurface surface(rich->Report());
  EXPECT_EQ(surface.PaperSize(), QSize(979, 1267));
  const auto customers = MakeSampleReport("customers", DefaultSampleContext());  // A4 at 100 %
  const TQRDesignSurface a4(customers->Report());
  EXPECT_EQ(a4.PaperSize(), QSize(794, 1123));
}

}  // namespace
}  // namespace oxqr::testing
