#pragma once
// Helpers for widget tests: letting queued events run, and answering a modal dialog that opens.

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QImageWriter>
#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace tg::testing {

inline void RunPendingEvents() {
  for (int round = 0; round < 3; ++round) QApplication::processEvents();
}

// Runs the events until `done` holds or (as a guard against a hang) ten seconds have passed.
inline bool RunEventsUntil(const std::function<bool()>& done) {
  QElapsedTimer guard;
  guard.start();
  while (!done()) {
    if (guard.elapsed() > 10000) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// Calls `answer` with the first modal dialog that opens; gives up after ten seconds so that a
// dialog that never comes cannot hang the test.
inline void WhenModalOpens(std::function<void(QWidget*)> answer) {
  auto* poll = new QTimer;
  auto* guard = new QElapsedTimer;
  guard->start();
  QObject::connect(poll, &QTimer::timeout, [poll, guard, answer] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr && guard->elapsed() < 10000) return;
    poll->stop();
    poll->deleteLater();
    delete guard;
    if (modal != nullptr) answer(modal);
  });
  poll->start(20);
}

// A Windows cursor file: an icon file of type 2 whose entry carries the hot spot.
inline QByteArray CursorFileBytes(QPoint hotSpot) {
  QImage picture(32, 32, QImage::Format_ARGB32);
  picture.fill(Qt::blue);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter(&buffer, "ico").write(picture);
  bytes[2] = 2;
  bytes[10] = static_cast<char>(hotSpot.x());
  bytes[11] = 0;
  bytes[12] = static_cast<char>(hotSpot.y());
  bytes[13] = 0;
  return bytes;
}

}  // namespace tg::testing
