#include <memory>

#include <QApplication>
#include <gtest/gtest.h>

#include "ReportFixture.h"
#include "engine/gui/PreviewWindow.h"
#include "engine/gui/SaveDialog.h"
#include "platform/Files.h"

namespace oxqr {
namespace {

const std::string kFilter = "QRReport file(*.QRP)|*.QRP|HTML document (*.htm)|*.htm|Text (*.txt)|*.txt";

TEST(SaveDialog, FileTypesAndDefaultExtensions) {
  EXPECT_EQ(ToQtNameFilters(kFilter), (QStringList{"QRReport file(*.QRP)", "HTML document (*.htm)", "Text (*.txt)"}));
  EXPECT_EQ(DialogFilterExtension(kFilter, 1), "QRP");
  EXPECT_EQ(DialogFilterExtension(kFilter, 3), "txt");
  EXPECT_EQ(DialogFilterExtension(kFilter, 4), "");
  EXPECT_EQ(WithDefaultExtension("/tmp/out", "htm"), "/tmp/out.htm");
  EXPECT_EQ(WithDefaultExtension("/tmp/out.pdf", "htm"), "/tmp/out.pdf");
  EXPECT_EQ(WithDefaultExtension("/tmp/a.b/out", "QRP"), "/tmp/a.b/out.QRP");
}

class PreviewWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "engine_gui_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
  }
  static void TearDownTestSuite() { app_.reset(); }
  static std::unique_ptr<QApplication> app_;
};
std::unique_ptr<QApplication> PreviewWindow::app_;

TEST_F(PreviewWindow, PagesAreClampedAndSaveWritesThePreparedReport) {
  TQRReport report;
  test::NoMargins(report);
  test::AddLabel(test::AddBand(report, TQRBandType::rbDetail, 2000), "page");
  test::AddBand(report, TQRBandType::rbSummary, 2000);
  report.Prepare();
  TQRPreviewWindow window(report);
  EXPECT_EQ(window.PageCount(), 2);
  window.ShowPage(5);
  EXPECT_EQ(window.PageNumber(), 2);
  window.ShowPage(0);
  EXPECT_EQ(window.PageNumber(), 1);
  window.SetZoom(1000);
  EXPECT_EQ(window.Zoom(), 400);

  TTempFile file("engine-preview");
  ASSERT_TRUE(window.SaveAs(file.Name(), 1));
  TQRPrinter loaded;
  loaded.LoadFromFile(file.Name());
  EXPECT_EQ(loaded.PageCount(), 2);
}

}  // namespace
}  // namespace oxqr
