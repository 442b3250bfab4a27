#include "adapters/qt/QtSingleInstance.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

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

constexpr uid_t NobodyId = 65534;

// The variables the lock's folder is chosen from, set for one test and put back after it.
class LockEnvironment {
 public:
  LockEnvironment(std::optional<std::string> runtime, const std::string& home) {
    for (const char* name : {"XDG_RUNTIME_DIR", "HOME", "XDG_STATE_HOME"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    Set("XDG_RUNTIME_DIR", runtime);
    Set("HOME", home);
    Set("XDG_STATE_HOME", std::nullopt);
  }
  ~LockEnvironment() {
    for (const auto& [name, value] : saved_) Set(name.c_str(), value);
  }

 private:
  static void Set(const char* name, const std::optional<std::string>& value) {
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

std::string OurLockName() { return "Morvane-Tallyguard-" + std::to_string(::geteuid()) + ".lock"; }

// What another account leaves in a runtime folder it shares with us: the lock folder and file under
// the names an older release used and under ours, owned by that account when we may say so.
void LeaveAnotherUsersLocks(const std::string& runtime) {
  namespace fs = std::filesystem;
  fs::create_directories(runtime + "/Morvane-Tallyguard.lock");
  testing::WriteWholeFile(runtime + "/" + OurLockName(), "4242\nTallyguard\nelsewhere\n");
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown((runtime + "/Morvane-Tallyguard.lock").c_str(), NobodyId, NobodyId), 0);
    ASSERT_EQ(::chown((runtime + "/" + OurLockName()).c_str(), NobodyId, NobodyId), 0);
  }
}

// Our copy starts, its lock lives in the private folder under home, and a second copy of ours is
// still refused.
void ExpectOurOwnLockUnderHome(const testing::TempFolder& folder) {
  QtSingleInstance first;
  EXPECT_FALSE(first.anotherCopyRuns());
  EXPECT_EQ(first.lockProblem(), "");
  const std::string privateFolder = folder / "home/.local/state/Tallyguard";
  EXPECT_EQ(first.lockPath().toStdString(), privateFolder + "/" + OurLockName());
  struct stat status {};
  ASSERT_EQ(::lstat(privateFolder.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0700u);
  EXPECT_EQ(status.st_uid, ::geteuid());

  QtSingleInstance second;
  EXPECT_TRUE(second.anotherCopyRuns());
  EXPECT_EQ(second.lockProblem(), "");
}

TEST(QtSingleInstanceTest, ASharedRuntimeFolderWithAnotherUsersLocksDoesNotStopUs) {
  testing::TempFolder folder;
  const std::string runtime = folder / "shared";
  std::filesystem::create_directories(runtime);
  ASSERT_EQ(::chmod(runtime.c_str(), 01777), 0);
  LeaveAnotherUsersLocks(runtime);
  LockEnvironment environment(runtime, folder / "home");
  ExpectOurOwnLockUnderHome(folder);
}

TEST(QtSingleInstanceTest, ARuntimeFolderOfAnotherUserIsNotUsed) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
  testing::TempFolder folder;
  const std::string runtime = folder / "theirs";
  std::filesystem::create_directories(runtime);
  ASSERT_EQ(::chmod(runtime.c_str(), 0700), 0);
  LeaveAnotherUsersLocks(runtime);
  ASSERT_EQ(::chown(runtime.c_str(), NobodyId, NobodyId), 0);
  LockEnvironment environment(runtime, folder / "home");
  ExpectOurOwnLockUnderHome(folder);
}

TEST(QtSingleInstanceTest, WithoutARuntimeFolderTheLockIsKeptUnderHome) {
  testing::TempFolder folder;
  LockEnvironment environment(std::nullopt, folder / "home");
  ExpectOurOwnLockUnderHome(folder);
}

TEST(QtSingleInstanceTest, TheUsersOwnPrivateRuntimeFolderHoldsTheLockAndTheSocket) {
  testing::TempFolder folder;
  const std::string runtime = folder / "run";
  std::filesystem::create_directories(runtime);
  ASSERT_EQ(::chmod(runtime.c_str(), 0700), 0);
  LockEnvironment environment(runtime, folder / "home");
  QtSingleInstance first;
  EXPECT_FALSE(first.anotherCopyRuns());
  EXPECT_EQ(first.lockPath().toStdString(), runtime + "/" + OurLockName());
  EXPECT_EQ(first.requestSocketPath().toStdString(),
            runtime + "/Morvane-Tallyguard-" + std::to_string(::geteuid()) + ".socket");
  QtSingleInstance second;
  EXPECT_TRUE(second.anotherCopyRuns());
}

// A live copy in another process holds the lock until it is told to end.
TEST(QtSingleInstanceTest, ALockHeldByALiveCopyRefusesTheNext) {
  testing::TempFolder folder;
  LockEnvironment environment(std::nullopt, folder / "home");
  int locked[2], end[2];
  ASSERT_EQ(::pipe(locked), 0);
  ASSERT_EQ(::pipe(end), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(locked[0]);
    ::close(end[1]);
    QtSingleInstance running;
    const char answer = running.anotherCopyRuns() ? 'n' : 'y';
    if (::write(locked[1], &answer, 1) != 1) _exit(2);
    char ignored;
    while (::read(end[0], &ignored, 1) > 0) {
    }
    _exit(0);
  }
  ::close(locked[1]);
  ::close(end[0]);
  char answer = 0;
  ASSERT_EQ(::read(locked[0], &answer, 1), 1);
  EXPECT_EQ(answer, 'y');
  QtSingleInstance next;
  EXPECT_TRUE(next.anotherCopyRuns());
  EXPECT_EQ(next.lockProblem(), "");
  ::close(end[1]);
  int status = 0;
  waitpid(child, &status, 0);
  ::close(locked[0]);
  QtSingleInstance afterwards;
  EXPECT_FALSE(afterwards.anotherCopyRuns());
}

// A folder where the lock file should be is no running copy: reported, and the program starts.
TEST(QtSingleInstanceTest, ALockThatCannotBeTakenIsReportedNotTakenForACopy) {
  testing::TempFolder folder;
  const QString lock = QString::fromStdString(folder / "Tallyguard.lock");
  std::filesystem::create_directories(lock.toStdString());
  QtSingleInstance blocked(lock);
  EXPECT_FALSE(blocked.anotherCopyRuns());
  EXPECT_NE(blocked.lockProblem().find(lock.toStdString()), std::string::npos);
}

TEST(QtSingleInstanceTest, AHalfWrittenLockOfOursIsTakenOver) {
  testing::TempFolder folder;
  const QString lock = QString::fromStdString(folder / "Tallyguard.lock");
  testing::WriteWholeFile(lock.toStdString(), "");
  QtSingleInstance next(lock);
  EXPECT_FALSE(next.anotherCopyRuns());
  EXPECT_EQ(next.lockProblem(), "");
  QtSingleInstance second(lock);
  EXPECT_TRUE(second.anotherCopyRuns());
}

TEST(QtSingleInstanceTest, APrivateFolderThatIsALinkIsReportedAndTheProgramStarts) {
  testing::TempFolder folder;
  std::filesystem::create_directories(folder / "elsewhere");
  ASSERT_EQ(::chmod((folder / "elsewhere").c_str(), 0700), 0);
  std::filesystem::create_directories(folder / "home/.local/state");
  std::filesystem::create_directory_symlink(folder / "elsewhere",
                                            folder / "home/.local/state/Tallyguard");
  LockEnvironment environment(std::nullopt, folder / "home");
  QtSingleInstance first;
  EXPECT_FALSE(first.anotherCopyRuns());
  EXPECT_NE(first.lockProblem().find("not a private folder"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(folder / "elsewhere"));
}

}  // namespace
}  // namespace tg
