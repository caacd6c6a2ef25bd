// Widgets need a QApplication before the first test creates one, and no display: the offscreen
// platform renders into memory, the same on a developer's desktop and in CI.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[]) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
