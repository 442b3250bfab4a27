// The yardstick of the desktop benchmark: a bare Qt window with a tray icon and a one-second
// timer moving a progress bar (what an idle schedule does), nothing else. Its launch time and
// resident memory are measured beside Tallyguard's in the same run.
//
//   tallyguard_bare_tray

#include <QApplication>
#include <QPixmap>
#include <QProgressBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QWidget window;
  window.setWindowTitle("Bare tray window");
  window.setFixedSize(536, 550);
  auto* progress = new QProgressBar(&window);
  progress->setRange(0, 300);
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(progress);
  QPixmap picture(16, 16);
  picture.fill(Qt::darkGreen);
  QSystemTrayIcon tray{QIcon(picture)};
  tray.setToolTip("Bare tray window");
  tray.show();
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout,
                   [progress] { progress->setValue((progress->value() + 1) % 300); });
  tick.start(1000);
  window.show();
  return QApplication::exec();
}
