// The showcase's main window as a new user meets it: start, tabs, Preview, the Properties
// button, help, and the two start-up failures (no database, no rich text file).
#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>

#include "ShowcaseTestSupport.h"
#include "Showcase/app/ChartReportWindow.h"
#include "Showcase/app/HelpWindow.h"
#include "Showcase/app/MainWindow.h"
#include "Showcase/app/PropertiesWindow.h"
#include "Showcase/samples/SampleContext.h"
#include "engine/gui/PreviewWindow.h"
#include "platform/TextMetrics.h"

namespace oxqr::testing {
namespace {

[[maybe_unused]] auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new TShowcaseEnvironment);

int PreparedPages(const std::string& key) {
  const auto sample = MakeSampleReport(key, DefaultSampleContext());
  sample->Report().Prepare();
  return sample->Report().QRPrinter().PageCount();
}

class Showcase : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ResetExportSettings();
    showcase_ = CreateShowcase({});
    ASSERT_NE(showcase_, nullptr);
    showcase_->frmMain->showMaximized();
  }
  static void TearDownTestSuite() { showcase_.reset(); }
  static TfrmMain& Main() { return *showcase_->frmMain; }
  static TfrmProperties& Properties() { return *showcase_->frmProperties; }

  // Presses Preview on tab `tab`; answers the preview's page count and title (then closes it).
  static std::pair<int, std::string> PreviewTab(int tab) {
    Main().PageControl()->setCurrentIndex(tab);
    std::pair<int, std::string> seen{-1, ""};
    TWindowWatcher<TQRPreviewWindow> watcher([&seen](TQRPreviewWindow& w) {
      seen = {w.PageCount(), w.windowTitle().toStdString()};
      w.close();
    });
    Main().PreviewButton()->click();
    return seen;
  }

  static std::unique_ptr<TShowcase> showcase_;
};
std::unique_ptr<TShowcase> Showcase::showcase_;

TEST_F(Showcase, StartsMaximisedWithFourTabsTheirInfoAndPropertiesHidden) {
  EXPECT_EQ(Main().windowTitle(), "OxQRFilters - Showcase");
  EXPECT_TRUE(Main().windowState() & Qt::WindowMaximized);
  EXPECT_EQ(Main().font().family().toStdString(), SubstituteFontName("MS Sans Serif"));
  EXPECT_EQ(Main().font().pixelSize(), 11);  // 8 pt at 96 ppi, whatever the screen's font scale
  EXPECT_EQ(Main().HelpContext(), 100);
  const char* captions[] = {"Customer-Orders", "Sporting Events", "RichText", "Chart", "Labels", "Sales"};
  const char* infos[] = {
      "Master-Detail Demo. This demo uses Customer.db and Orders.db through the DEMODATA sample database.",
      "Graphics Demo. This report uses Events.db through the DEMODATA sample database.",
      "This report demonstrates WYSYWIG RichText exporting with Color, Font and Formatting. Export this report to RTF "
      "to see RichText exporting as RichText.",
      "Chart Demo. This report uses Animals.db through the DEMODATA sample database.",
      "Barcode Demo. Shipping labels with a Code 128 and a QR code each, from Customer.db through the DEMODATA sample "
      "database.",
      "Grouping Demo. Orders grouped by customer with totals per customer and of all sales, turned column captions, "
      "from Customer.db and Orders.db through the DEMODATA sample database."};
  QTabWidget& tabs = *Main().PageControl();
  ASSERT_EQ(tabs.count(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(tabs.tabText(i).toStdString(), captions[i]);
    EXPECT_TRUE(tabs.isTabVisible(i));
    const auto* info = tabs.widget(i)->findChild<QLabel*>(QString("Panel%1").arg(i + 1));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->text().toStdString(), infos[i]);
    EXPECT_EQ(info->height(), 32);
    ASSERT_NE(Main().ScrollBox(i)->widget(), nullptr) << "tab " << i << " shows no report";
  }
  EXPECT_EQ(tabs.currentIndex(), 0);
  EXPECT_EQ(Main().CurrentReport(), &Main().QRReport(0));
  // The chart report's surface now lives in the Chart tab; its own window stays hidden.
  EXPECT_EQ(Main().ChartReportWindow()->Surface(), nullptr);
  EXPECT_FALSE(Main().ChartReportWindow()->isVisible());
  EXPECT_FALSE(Properties().isVisible());
  EXPECT_FALSE(Main().PropertiesButton()->isChecked());
  EXPECT_TRUE(Main().PropertiesButton()->isCheckable());
  EXPECT_TRUE(Main().PropertiesButton()->font().bold());
  EXPECT_TRUE(Main().PreviewButton()->font().bold());
}

TEST_F(Showcase, PreviewOpensTheReportOfTheActiveTab) {
  const char* keys[] = {"customers", "events", "richtext", "chart", "labels", "sales"};
  for (int tab = 0; tab < 6; ++tab) {
    const auto [pages, title] = PreviewTab(tab);
    EXPECT_EQ(pages, PreparedPages(keys[tab])) << keys[tab];
    EXPECT_NE(title.find(Main().QRReport(tab).ReportTitle), std::string::npos) << title;
    EXPECT_EQ(Main().CurrentReport(), &Main().QRReport(tab));
  }
  // Back from "RichText" to "Customer-Orders": the first report again.
  PreviewTab(2);
  const auto [pages, title] = PreviewTab(0);
  EXPECT_EQ(Main().CurrentReport(), &Main().QRReport(0));
  EXPECT_EQ(pages, PreparedPages("customers"));
  // A position outside the four tabs leaves the report as it is.
  Main().pcOxQRDemoChange(7);
  EXPECT_EQ(Main().CurrentReport(), &Main().QRReport(0));
}

TEST_F(Showcase, PropertiesButtonFollowsTheWindowThroughPreviewAndClose) {
  Main().PropertiesButton()->click();
  EXPECT_TRUE(Properties().isVisible());
  EXPECT_TRUE(Main().PropertiesButton()->isChecked());
  PreviewTab(0);
  EXPECT_FALSE(Properties().isVisible()) << "Preview hides the Properties window";
  EXPECT_FALSE(Main().PropertiesButton()->isChecked()) << "and its button pops up";

  Main().PropertiesButton()->click();
  ASSERT_TRUE(Properties().isVisible());
  Properties().close();  // the user closes the tool window
  EXPECT_FALSE(Properties().isVisible());
  EXPECT_FALSE(Main().PropertiesButton()->isChecked());

  Main().PropertiesButton()->click();
  Main().PropertiesButton()->click();
  EXPECT_FALSE(Properties().isVisible());
  EXPECT_TRUE(Properties().windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(Properties().windowType(), Qt::Tool);
  EXPECT_EQ(Properties().windowTitle(), "OxQRFilters - Properties");
}

// The window opens big enough for every tab: no row of any tab is cut off or squeezed below
// the size it asks for.
TEST_F(Showcase, PropertiesWindowShowsEveryRowOfEveryTab) {
  Main().PropertiesButton()->click();
  ASSERT_TRUE(Properties().isVisible());
  auto* pages = Properties().findChild<QTabWidget*>("PageControl1");
  ASSERT_NE(pages, nullptr);
  EXPECT_GE(Properties().width(), 411);
  EXPECT_GE(Properties().height(), 350);
  // Every tab's name is in view, none behind the tab bar's scroll buttons.
  const QTabBar* bar = pages->tabBar();
  EXPECT_LE(bar->tabRect(bar->count() - 1).right(), bar->width()) << bar->width();
  for (int i = 0; i < pages->count(); ++i) {
    pages->setCurrentIndex(i);
    QApplication::processEvents();
    QWidget* page = pages->widget(i);
    const QSize wanted = page->minimumSizeHint().expandedTo(page->sizeHint());
    EXPECT_GE(page->height(), wanted.height()) << pages->tabText(i).toStdString();
    EXPECT_GE(page->width(), page->minimumSizeHint().width()) << pages->tabText(i).toStdString();
  }
  Main().PropertiesButton()->click();
}

TEST_F(Showcase, HelpOpensTheProgramsHtmlHelpAtContext100) {
  TBoxWatcher boxes;
  Main().ShowHelp();
  ASSERT_NE(Main().HelpViewer(), nullptr);
  EXPECT_TRUE(boxes.Texts().empty());
  EXPECT_TRUE(Main().HelpViewer()->isVisible());
  const QUrl source = Main().HelpViewer()->Browser()->source();
  EXPECT_EQ(source.fileName(), "SHOWCASE.htm");
  EXPECT_EQ(source.fragment(), "context100");
  const QString help = Main().HelpViewer()->Browser()->toPlainText();
  EXPECT_TRUE(help.contains("Previewing, printing and saving"));
  // The help speaks of the program as it is: its six samples, definitions opened from the
  // File menu, and every tab of the main window.
  EXPECT_TRUE(help.contains("six sample reports")) << help.toStdString();
  EXPECT_FALSE(help.contains("five sample reports"));
  EXPECT_FALSE(help.contains("four sample reports"));
  EXPECT_TRUE(help.contains("File > Open definition")) << help.toStdString();
  for (int tab = 0; tab < Main().PageControl()->count(); ++tab)
    EXPECT_TRUE(help.contains(Main().PageControl()->tabText(tab))) << Main().PageControl()->tabText(tab).toStdString();
  Main().HelpViewer()->close();
}

TEST(ShowcaseStartUp, MissingDatabaseShowsTheDataLayersMessageAndNoWindow) {
  TScratch scratch;
  const std::string missing = scratch / "NODEMO.sqlite";
  TBoxWatcher boxes;
  EXPECT_EQ(CreateShowcase(missing), nullptr);
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_NE(boxes.Texts()[0].find("NODEMO.sqlite"), std::string::npos) << boxes.Texts()[0];
  EXPECT_FALSE(std::filesystem::exists(missing)) << "opening must not create an empty database";
}

TEST(ShowcaseStartUp, MissingRichTextFileIsShownAndStartUpGoesOn) {
  TScratch resources;  // a resource folder without RichTextDemo.RTF
  TSampleContext ctx = DefaultSampleContext();
  ctx.ResourceDir = resources.Dir().string();
  TBoxWatcher boxes;
  TfrmMain main(ctx);
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_EQ(boxes.Texts()[0].rfind("RichTextDemo.RTF could not be read: ", 0), 0u) << boxes.Texts()[0];
  EXPECT_EQ(main.CurrentReport(), &main.QRReport(0));
  EXPECT_TRUE(main.PageControl()->isTabVisible(3));
  EXPECT_NE(main.ScrollBox(3)->widget(), nullptr);
  TQRCustomReport& rich = main.QRReport(2);
  rich.Prepare();
  // The sample's definition reads the text beside itself, not from the resource folder.
  EXPECT_GT(rich.QRPrinter().PageCount(), 1) << "the sample prints its whole text";
}

}  // namespace
}  // namespace oxqr::testing
