// GUI tests need a QApplication before any widget exists. They run offscreen
// unless the caller chose a platform (web engine tests run under xvfb-run).
// Offscreen they need no GL: without GLX no Mesa driver is loaded and
// unloaded again, whose allocations the leak checker could not name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <QApplication>

int main(int argc, char** argv) {
  ::testing::InitGoogleMock(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("QT_QPA_OFFSCREEN_NO_GLX")) qputenv("QT_QPA_OFFSCREEN_NO_GLX", "1");
  }
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
