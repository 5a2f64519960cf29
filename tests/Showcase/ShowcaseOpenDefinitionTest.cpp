// File > Open of the showcase: a definition opens in the tab "Opened report" with its
// design surface, Preview shows it, and a broken definition gives an error box naming the
// line and column, keeping what was open.
#include <QTabWidget>
#include <QToolButton>
#include <fstream>

#include "ShowcaseTestSupport.h"
#include "Showcase/app/MainWindow.h"
#include "Showcase/app/ShowcaseStart.h"
#include "Showcase/samples/SampleContext.h"
#include "engine/gui/PreviewWindow.h"

namespace oxqr::testing {
namespace {

TEST(ShowcaseOpenDefinition, OpensInItsOwnTabPreviewsAndRefusesABrokenFile) {
  auto showcase = CreateShowcase({});
  ASSERT_NE(showcase, nullptr);
  TfrmMain& main = *showcase->frmMain;
  const int tabs = main.PageControl()->count();
  const TSampleContext ctx = DefaultSampleContext();

  ASSERT_TRUE(main.OpenDefinition(SampleReportFile("events", ctx)));
  ASSERT_EQ(main.PageControl()->count(), tabs + 1);
  EXPECT_EQ(main.PageControl()->tabText(main.OpenedReportTab()).toStdString(), "Opened report");
  EXPECT_EQ(main.PageControl()->currentIndex(), main.OpenedReportTab());
  ASSERT_NE(main.CurrentReport(), nullptr);
  EXPECT_EQ(main.CurrentReport()->ReportTitle, "Sporting Events");
  int pages = 0;
  {
    TWindowWatcher<TQRPreviewWindow> watcher([&pages](TQRPreviewWindow& w) {
      pages = w.PageCount();
      w.close();
    });
    main.PreviewButton()->click();
  }
  EXPECT_GT(pages, 1);

  TScratch scratch;
  std::ofstream(scratch / "broken.oxr") << "<report>\n  <band type=\"detial\"/>\n</report>\n";
  TBoxWatcher boxes;
  EXPECT_FALSE(main.OpenDefinition(scratch / "broken.oxr"));
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_NE(boxes.Texts()[0].find("broken.oxr:2:9: unknown band type 'detial'"), std::string::npos) << boxes.Texts()[0];
  EXPECT_EQ(main.PageControl()->count(), tabs + 1) << "the opened report stays";
  EXPECT_EQ(main.CurrentReport()->ReportTitle, "Sporting Events");

  // Opening another replaces it in the same tab.
  ASSERT_TRUE(main.OpenDefinition(SampleReportFile("customers", ctx)));
  EXPECT_EQ(main.PageControl()->count(), tabs + 1);
  EXPECT_EQ(main.CurrentReport()->ReportTitle, "Customer Orders, Master-Detail");
}

}  // namespace
}  // namespace oxqr::testing
