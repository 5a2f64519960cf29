// The designer tests run their widgets in one QApplication, on the offscreen platform unless
// the environment names another; settings and recovery files go to a scratch home.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>
#include <cstdlib>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QStandardPaths::setTestModeEnabled(true);
  QApplication app(argc, argv);
  QApplication::setApplicationName("oxqr-designer-test");
  QApplication::setOrganizationName("OxQRFilters");
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
