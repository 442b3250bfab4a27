// The window's hang watch against a real headless office: it must see the user's office stand
// still while other processes under the office's name keep working.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "OfficeProcess.h"
#include "adapters/posix/OfficeInstance.h"
#include "adapters/qt/QtHelperProcess.h"
#include "support/TempFolder.h"
#include "support/VisibleSkips.h"

namespace tg::office {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::WriteWholeFile;

// State and utime + stime of a process, from /proc.
struct ProcessStat {
  char state = '?';
  std::uint64_t ticks = 0;
};

ProcessStat StatOf(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  ProcessStat stat;
  if (!std::getline(file, line)) return stat;
  std::istringstream fields(line.substr(line.rfind(')') + 2));
  std::string field;
  for (int index = 3; fields >> field; ++index) {
    if (index == 3) stat.state = field[0];
    if (index == 14 || index == 15) stat.ticks += std::stoull(field);
  }
  return stat;
}

// Polls `condition` until it holds or `limit` passes; says which.
template <class Condition>
bool WaitUntil(Condition condition, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// A process of this user under the office's program name that keeps a processor busy, as a
// conversion service or a second office at work would.
class BusyLookAlike {
 public:
  explicit BusyLookAlike(const std::string& folder) {
    const std::string name = folder + "/soffice.bin";
    fs::create_symlink("/bin/sh", name);
    pid_ = fork();
    if (pid_ == 0) {
      execl(name.c_str(), name.c_str(), "-c", "while :; do :; done", static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~BusyLookAlike() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

TEST(HangWatch, AStoppedOfficeShowsNoWorkWhileAnotherOfItsNameIsBusy) {
  TempFolder temp;
  OfficeProcess users;
  users.start();
  std::optional<pid_t> office;
  ASSERT_TRUE(WaitUntil([&] { return (office = ProfileOffice(users.profileUrl())).has_value(); },
                        std::chrono::seconds(60)))
      << "the test office did not start";

  // The helper stands in for the backup helper: it runs, and does nothing.
  const std::string helperProgram = temp / "helper";
  WriteWholeFile(helperProgram, "#!/bin/sh\nexec sleep 600\n");
  fs::permissions(helperProgram, fs::perms::owner_all);
  QtHelperProcess helper(QString::fromStdString(helperProgram), users.profileUrl());
  helper.start(temp / "Tallyguard.txt");

  ::kill(*office, SIGSTOP);
  ASSERT_TRUE(WaitUntil([&] { return StatOf(*office).state == 'T'; }, std::chrono::seconds(10)));
  const std::uint64_t stopped = helper.workDone();
  // The office worked to start up, and that is counted.
  EXPECT_GT(StatOf(*office).ticks, 0u);
  EXPECT_GE(stopped, StatOf(*office).ticks);

  BusyLookAlike busy(temp.path().string());
  ASSERT_GT(busy.pid(), 0);
  ASSERT_TRUE(WaitUntil([&] { return StatOf(busy.pid()).ticks >= 20; }, std::chrono::seconds(30)));
  EXPECT_EQ(helper.workDone(), stopped);

  ::kill(*office, SIGCONT);
  helper.stop();
}

}  // namespace
}  // namespace tg::office

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return tg::testing::StatusShowingSkips(RUN_ALL_TESTS());
}
