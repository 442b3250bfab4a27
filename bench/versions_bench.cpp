// The Versions window over a big history: open to first paint, and each filter keystroke to the
// repaint of the list, timed on the real Qt window with the real file adapters.
//   tallyguard_versions_bench FOLDER [LINES] [DOCUMENTS] [ROUNDS]
// FOLDER gets the history log (and a few copies on disk); prints the figures, asserts nothing.

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "adapters/posix/LocaleRegionalSettings.h"
#include "adapters/posix/PosixFileFacts.h"
#include "adapters/posix/PosixFileSystem.h"
#include "adapters/qt/QtVersionsWindow.h"
#include "backup/HistoryLog.h"
#include "mainwindow/Versions.h"
#include "memory/MemorySettingsBackend.h"
#include "memory/MemoryShell.h"
#include "memory/MemoryVersionsView.h"

namespace {

// Notes the first paint of a widget after it was armed.
class PaintWatch : public QObject {
 public:
  bool painted = false;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted = true;
    return false;
  }
};

double WaitForPaint(PaintWatch& watch, const QElapsedTimer& clock) {
  while (!watch.painted) QApplication::processEvents(QEventLoop::AllEvents, 5);
  return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

std::string WriteLog(const std::string& folder, int lines, int documents,
                     const tg::RegionalSettings& regional) {
  const std::string log = folder + "/Tallyguard.txt";
  std::ofstream out(log, std::ios::binary | std::ios::trunc);
  for (int i = 0; i < lines; ++i) {
    const int document = i % documents;
    const std::string name = "Workbook " + std::to_string(document) + ".ods";
    const tg::LocalDateTime when{2026,   1 + (i / 40000) % 12, 1 + (i / 1400) % 28, (i / 60) % 24,
                                 i % 60, (i * 7) % 60};
    const std::string copy =
        folder + "/Workbook " + std::to_string(document) + " Date " + std::to_string(i) + ".ods";
    out << tg::HistoryLine(name, copy, when, regional) << "\r\n";
    if (i + documents >= lines) std::ofstream(copy) << "cells";  // the newest copies exist
  }
  return log;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: tallyguard_versions_bench FOLDER [LINES] [DOCUMENTS] [ROUNDS]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int lines = argc > 2 ? std::stoi(argv[2]) : 100000;
  const int documents = argc > 3 ? std::stoi(argv[3]) : 2000;
  const int rounds = argc > 4 ? std::stoi(argv[4]) : 5;
  tg::LocaleRegionalSettings regional;
  const std::string log = WriteLog(folder, lines, documents, regional);

  tg::PosixFileSystem files;
  tg::PosixFileFacts facts;
  tg::MemoryShell shell;
  tg::MemoryOfficeDocuments office;
  tg::MemorySettingsBackend settings;
  std::vector<double> opens, keystrokes, reads;
  const QString query = "workbook 19";
  for (int round = 0; round < rounds; ++round) {
    QElapsedTimer clock;
    clock.start();
    tg::ReadCopiesOfUser(files, nullptr, regional, tg::PathStyle::Posix, log);
    reads.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    clock.restart();
    tg::QtVersionsWindow window;
    PaintWatch opened;
    auto* list = window.widget().findChild<QTreeWidget*>("documents");
    list->viewport()->installEventFilter(&opened);
    tg::Versions versions(window, tg::VersionsPorts{files, facts, nullptr, regional, shell, office,
                                                    settings, tg::PathStyle::Posix, log});
    window.bringToFront();
    opens.push_back(WaitForPaint(opened, clock));

    auto* filter = window.widget().findChild<QLineEdit*>("filter");
    for (const QChar character : query) {
      PaintWatch repainted;
      list->viewport()->installEventFilter(&repainted);
      clock.restart();
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
      QApplication::sendEvent(filter, &press);
      keystrokes.push_back(WaitForPaint(repainted, clock));
      list->viewport()->removeEventFilter(&repainted);
    }
    std::printf("round %d: %d documents listed after typing \"%s\"\n", round + 1,
                list->topLevelItemCount(), query.toUtf8().constData());
  }
  std::printf("history: %d lines, %d documents\n", lines, documents);
  std::printf("of which reading the log: median %.1f ms\n", Median(reads));
  std::printf("open to first paint:        median %.1f ms, worst %.1f ms (goal under 200 ms)\n",
              Median(opens), *std::max_element(opens.begin(), opens.end()));
  std::printf("filter keystroke to repaint: median %.1f ms, worst %.1f ms (goal under 50 ms)\n",
              Median(keystrokes), *std::max_element(keystrokes.begin(), keystrokes.end()));
  return 0;
}
