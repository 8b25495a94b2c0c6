// GUI tests need a QApplication before any widget exists. They run offscreen
// unless the caller chose a platform (web engine tests run under xvfb-run).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <QApplication>

int main(int argc, char** argv) {
  ::testing::InitGoogleMock(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
