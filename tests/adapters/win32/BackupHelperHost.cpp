// The backup helper as the tests start it: a windowless (-mwindows) program that serves one pass
// with the program's own helper code, started by Win32HelperProcess as the window starts the
// program; started with "--change-watch", it is the program's change watch. The test says through
// the environment what this helper does:
//   TALLYGUARD_TEST_HELPER          "" serves the pass; "hang" never answers; "spin" keeps a core
//                                   busy for a while (a busy process of another kind); "parent"
//                                   starts a hanging helper of its own, signals the test, and waits

#include <windows.h>

#include <cstring>
#include <string>

#include "adapters/win32/Win32BackupHelperMain.h"
#include "adapters/win32/Win32ChangeWatchMain.h"
#include "adapters/win32/Win32HelperProcess.h"
#include "adapters/win32/WindowsPlatform.h"
#include "backup/PassProtocol.h"
#include "backup/WatchProtocol.h"

namespace {

constexpr DWORD LongestWait = 120'000;  // a hanging helper the test failed to end ends itself

std::string Variable(const char* name) {
  return tg::WindowsEnvironment().variable(name).value_or("");
}

int ServePass(const char* historyLogPath) { return tg::RunWindowsBackupHelper(historyLogPath); }

int StartHangingHelper(const char* historyLogPath) {
  SetEnvironmentVariableA("TALLYGUARD_TEST_HELPER", "hang");
  tg::Win32HelperProcess helper(tg::RunningExecutablePath());
  helper.start(historyLogPath);
  HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, "TallyguardTestHelperStarted");
  if (ready) SetEvent(ready);
  Sleep(LongestWait);
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc == 3 && std::strcmp(argv[1], tg::ChangeWatchFlag) == 0) {
    return tg::RunWindowsChangeWatch(argv[2]);
  }
  if (argc != 3 || std::strcmp(argv[1], tg::BackupPassFlag) != 0) return 2;
  const std::string mode = Variable("TALLYGUARD_TEST_HELPER");
  if (mode == "hang") {
    Sleep(LongestWait);
    return 0;
  }
  if (mode == "spin") {
    for (const DWORD until = GetTickCount() + 30'000; GetTickCount() < until;) {
    }
    return 0;
  }
  if (mode == "parent") return StartHangingHelper(argv[2]);
  return ServePass(argv[2]);
}
