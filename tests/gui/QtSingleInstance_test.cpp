#include "adapters/qt/QtSingleInstance.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>

#include "support/TempFolder.h"

namespace tg {
namespace {

TEST(QtSingleInstanceTest, OneCopyHoldsTheLockUntilItIsReleased) {
  testing::TempFolder folder;
  const QString lock = QString::fromStdString(folder / "run/Tallyguard.lock");
  QtSingleInstance first(lock);
  EXPECT_FALSE(first.anotherCopyRuns());
  EXPECT_FALSE(first.anotherCopyRuns());  // asking again keeps the lock

  QtSingleInstance second(lock);
  EXPECT_TRUE(second.anotherCopyRuns());

  first.release();
  QtSingleInstance third(lock);
  EXPECT_FALSE(third.anotherCopyRuns());
}

TEST(QtSingleInstanceTest, LockOfACopyThatDiedIsTakenOver) {
  testing::TempFolder folder;
  const QString lock = QString::fromStdString(folder / "Tallyguard.lock");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    QtSingleInstance dying(lock);
    _exit(dying.anotherCopyRuns() ? 1 : 0);  // ends holding the lock, as a killed copy does
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  ASSERT_TRUE(QFile::exists(lock));
  QtSingleInstance next(lock);
  EXPECT_FALSE(next.anotherCopyRuns());
}

}  // namespace
}  // namespace tg
