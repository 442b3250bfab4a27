#include "adapters/qt/QtMessageLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace tg {

namespace {
constexpr int LongestIdleMs = 10;
}

void QtMessageLoop::yield() {
  QTimer wakeUp;
  wakeUp.setSingleShot(true);
  wakeUp.start(LongestIdleMs);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace tg
