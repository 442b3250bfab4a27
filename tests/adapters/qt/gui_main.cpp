// Widget tests run in one QApplication, headless unless a display is asked for, on a D-Bus
// session bus of their own.
#include <gtest/gtest.h>

#include <QApplication>

#include "PrivateBus.h"

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  tg::testing::PrivateBus bus;
  if (!bus.start()) qunsetenv("DBUS_SESSION_BUS_ADDRESS");  // never a bus outside the test
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
