#include "adapters/win32/Win32ChangeWatchMain.h"

#include <fcntl.h>
#include <io.h>

#include <cstdlib>
#include <iostream>
#include <mutex>
#include <thread>

#include "adapters/win32/Win32OfficeInstance.h"
#include "adapters/win32/Win32OfficeWatch.h"
#include "adapters/win32/Win32WatchPipe.h"
#include "adapters/win32/WindowsSystem.h"
#include "backup/ChangeWatchService.h"

namespace tg {
namespace {

// Where a workbook that was never stored gets its copy as it closes: the office waits, so the
// user is not asked for a folder. The Versions window lists them with every other copy.
std::string UnsavedWorkbooksFolder() {
  const char* local = std::getenv("LOCALAPPDATA");
  std::string folder = std::string(local && *local ? local : ".") + "\\Tallyguard";
  CreateDirectoryA(folder.c_str(), nullptr);
  folder += "\\Unsaved workbooks";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder + "\\";
}

}  // namespace

int RunWindowsChangeWatch(const char* historyLogPath) {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  Win32OfficePresence presence;
  Win32OfficeWatch office(presence);  // this thread is the watch's apartment from here on
  WindowsSystem system;
  std::mutex out;
  const SendLine send = [&out](const std::string& line) {
    std::lock_guard lock(out);
    std::cout << line << '\n' << std::flush;
  };
  ProgramWatch program(
      office,
      [&] { return system.services().passEnvironment(office.automation(), historyLogPath); },
      UnsavedWorkbooksFolder(), send);
  try {
    WatchPipeServer server(WatchPipeName(), [&program](std::string_view request) {
      return program.watch().answer(request);
    });
    std::thread([&] {
      AnswerHeartbeat(std::cin, program.watch(), program.options(), send);
      ExitProcess(0);  // the window has ended
    }).detach();
    program.followTheOffice([] { Sleep(2000); });
  } catch (const std::exception& failure) {
    std::cerr << failure.what() << '\n';
  }
  return 3;
}

}  // namespace tg
