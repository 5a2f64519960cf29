// File > Open in designer of the showcase: the designer beside the showcase's program is
// started on the opened definition's file; one that does not start gives an error box and
// the showcase keeps its tabs.
#include <QAction>
#include <QTabWidget>
#include <filesystem>

#include "Showcase/app/DesignerLauncher.h"
#include "Showcase/app/MainWindow.h"
#include "Showcase/app/ShowcaseStart.h"
#include "Showcase/samples/SampleContext.h"
#include "ShowcaseTestSupport.h"

namespace oxqr::testing {
namespace {

TEST(ShowcaseDesigner, StartsTheDesignerOnTheOpenedDefinition) {
  auto showcase = CreateShowcase({});
  ASSERT_NE(showcase, nullptr);
  TfrmMain& main = *showcase->frmMain;
  const TSampleContext ctx = DefaultSampleContext();
  ASSERT_TRUE(main.OpenDefinition(SampleReportFile("events", ctx)));
  const int tabs = main.PageControl()->count();
  auto* action = main.findChild<QAction*>("actionOpenInDesigner");
  ASSERT_NE(action, nullptr);

  QString program;
  QStringList arguments;
  bool starts = true;
  SetProgramStarter([&](const QString& p, const QStringList& a) {
    program = p;
    arguments = a;
    return starts;
  });
  action->trigger();
  EXPECT_EQ(program.toStdString(), ProgramDirectory() + "/oxqr-designer");
  ASSERT_EQ(arguments.size(), 1);
  EXPECT_EQ(std::filesystem::path(arguments[0].toStdString()),
            std::filesystem::absolute(SampleReportFile("events", ctx)));

  // A designer that does not start is reported, not passed over.
  starts = false;
  {
    TBoxWatcher boxes;
    action->trigger();
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find("could not start the designer"), std::string::npos) << boxes.Texts()[0];
  }
  SetProgramStarter({});
  EXPECT_EQ(main.PageControl()->count(), tabs);
}

}  // namespace
}  // namespace oxqr::testing
