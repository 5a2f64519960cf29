// The designer tests run their widgets in one QApplication, on the offscreen platform unless
// the environment names another. Each test process keeps its settings (recent files) and its
// recovery files in a home of its own, so that tests run side by side do not see each other's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QTemporaryDir home(QDir::tempPath() + "/oxqr-designer-test-XXXXXX");
  if (!home.isValid()) return 2;
  setenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit().constData(), 1);
  setenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit().constData(), 1);
  QApplication app(argc, argv);
  QApplication::setApplicationName("oxqr-designer-test");
  QApplication::setOrganizationName("OxQRFilters");
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
