#pragma once
// Helpers for widget tests: letting queued events run, and answering a modal dialog that opens.

#include <QApplication>
#include <QElapsedTimer>
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

}  // namespace tg::testing
