#include "adapters/posix/ChangeWatchMain.h"

#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "adapters/posix/BackupHelperMain.h"
#include "adapters/posix/ModuleAutomationFactory.h"
#include "adapters/posix/PosixSystem.h"
#include "adapters/posix/RunningExecutable.h"
#include "adapters/posix/WatchSocket.h"
#include "backup/ChangeWatch.h"
#include "backup/ChangeWatchService.h"
#include "backup/ClosingCopySurface.h"
#include "backup/WatchProtocol.h"

namespace tg {
namespace {

std::string OfficePipe(const OfficeConnectionOptions& options) {
  return options.pipeName.empty() ? DefaultOfficePipe : options.pipeName;
}

// Where a workbook that was never stored gets its copy as it closes: the office waits, so the
// user is not asked for a folder. The Versions window lists them with every other copy.
std::string UnsavedWorkbooksFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  std::filesystem::path folder = data && *data
                                     ? std::filesystem::path(data)
                                     : std::filesystem::path(home ? home : "/tmp") / ".local/share";
  folder /= "Tallyguard/Unsaved workbooks";
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  ::chmod(folder.c_str(), 0700);
  return folder.string() + "/";
}

}  // namespace

int RunChangeWatch(const char* historyLogPath) {
  if (!FollowTheWindow()) return 1;

  ModuleAutomationFactory module;
  std::unique_ptr<OfficeWatch> office;
  try {
    office = module.watch();
  } catch (const std::exception& failure) {
    std::cerr << failure.what() << '\n';
    std::_Exit(2);
  }
  std::mutex out;
  const SendLine send = [&out](const std::string& line) {
    std::lock_guard lock(out);
    std::cout << line << '\n' << std::flush;
  };
  PosixSystem system;
  ProgramWatch program(
      *office,
      [&] { return system.services().passEnvironment(office->automation(), historyLogPath); },
      UnsavedWorkbooksFolder(), send);
  try {
    WatchSocketServer server(
        WatchSocketName(OfficePipe(module.options())),
        [&program](std::string_view request) { return program.watch().answer(request); });
    std::thread([&] {
      AnswerHeartbeat(std::cin, program.watch(), program.options(), send);
      std::_Exit(0);  // the window has ended
    }).detach();
    program.followTheOffice([] { std::this_thread::sleep_for(std::chrono::seconds(2)); });
  } catch (const std::exception& failure) {
    std::cerr << failure.what() << '\n';
  }
  // Tearing the office's runtime down at exit can crash; nothing is left to do.
  std::_Exit(3);
}

std::string ChangeWatchProgram() {
  const std::filesystem::path folder = RunningExecutable().parent_path();
  if (folder.empty()) return "";
  for (const std::filesystem::path& candidate :
       {folder / ChangeWatchProgramName,
        folder / ".." / "libexec" / "tallyguard" / ChangeWatchProgramName}) {
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.lexically_normal().string();
  }
  return "";
}

std::unique_ptr<ChangeWitness> WitnessOf(const OfficeConnectionOptions& options) {
  return std::make_unique<SocketChangeWitness>(WatchSocketName(OfficePipe(options)));
}

}  // namespace tg
