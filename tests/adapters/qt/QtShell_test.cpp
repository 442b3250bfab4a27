#include "adapters/qt/QtShell.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include "adapters/qt/QtMessageLoop.h"
#include "support/TempFolder.h"

namespace tg {
namespace {

// Points HOME (and the XDG user folders with it) at a folder of the test's own for its lifetime.
class HomeFolder {
 public:
  HomeFolder() : previous_(qgetenv("HOME")) {
    qputenv("HOME", QByteArray::fromStdString(folder.path().string()));
    qunsetenv("XDG_CONFIG_HOME");
  }
  ~HomeFolder() { qputenv("HOME", previous_); }
  testing::TempFolder folder;

 private:
  QByteArray previous_;
};

TEST(QtShellTest, DesktopFolderWhenItExistsElseTheHomeFolder) {
  HomeFolder home;
  QtShell shell;
  EXPECT_EQ(shell.desktopFolder(), home.folder.path().string());
  QDir(QString::fromStdString(home.folder.path().string())).mkdir("Desktop");
  EXPECT_EQ(shell.desktopFolder(), (home.folder.path() / "Desktop").string());
}

TEST(QtShellTest, ProgramFolderHoldsTheRunningProgram) {
  QtShell shell;
  EXPECT_EQ(shell.programFolder(), QCoreApplication::applicationDirPath().toStdString());
  EXPECT_TRUE(QDir(QString::fromStdString(shell.programFolder()))
                  .exists(QCoreApplication::applicationFilePath().section('/', -1)));
}

// Without a desktop (the offscreen platform) no handler can be started: the caller is told.
TEST(QtShellTest, AnAddressThatCannotBeOpenedFails) {
  QtShell shell;
  EXPECT_THROW(shell.openWebAddress("not a web address"), std::runtime_error);
  if (qgetenv("QT_QPA_PLATFORM") == "offscreen") {
    EXPECT_THROW(shell.openWebAddress("https://www.libreoffice.org/download/"), std::runtime_error);
    EXPECT_THROW(shell.openInTextEditor("/tmp/Tallyguard.txt"), std::runtime_error);
  }
}

TEST(QtMessageLoopTest, YieldRunsWhatIsPendingAndReturnsWhenIdle) {
  QtMessageLoop loop;
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  for (int turn = 0; turn < 50 && !ran; ++turn) loop.yield();
  EXPECT_TRUE(ran);
  loop.yield();  // nothing pending: must still come back
}

}  // namespace
}  // namespace tg
