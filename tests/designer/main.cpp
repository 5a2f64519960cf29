// The designer tests' main: the QApplication every window and the clipboard need.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // Listing the tests at build time runs this without a display too.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
