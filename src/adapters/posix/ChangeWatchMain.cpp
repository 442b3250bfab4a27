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

// The options the window's last heartbeat brought; none before the first.
class WindowOptions {
 public:
  void take(std::optional<PassOptions> options) {
    std::lock_guard lock(mutex_);
    options_ = std::move(options);
  }
  std::optional<PassOptions> now() const {
    std::lock_guard lock(mutex_);
    return options_;
  }

 private:
  mutable std::mutex mutex_;
  std::optional<PassOptions> options_;
};

// The window asks "ping" four times a second; "pong" says the watch's lock can still be had.
// The window's end (its stream closed) ends the watch.
void AnswerHeartbeat(ChangeWatch& watch, WindowOptions& options, const SendLine& send) {
  std::string line;
  while (std::getline(std::cin, line)) {
    const std::optional<std::optional<PassOptions>> ping = ParsePing(line);
    if (!ping) continue;
    options.take(*ping);
    if (watch.answering(std::chrono::milliseconds(500))) send(std::string(WatchAnswer::Pong));
  }
  std::_Exit(0);
}

}  // namespace

int RunChangeWatch(const char* historyLogPath) {
  // The watch never outlives the window: whatever ends the window ends it too.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  const char* window = std::getenv(WindowProcessVariable);
  if (window && std::to_string(::getppid()) != window) return 1;
  std::signal(SIGPIPE, SIG_IGN);

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
  ClosingCopySurface surface(send, UnsavedWorkbooksFolder());
  WindowOptions options;
  // Without the window's options no copy is made: it could land where the user never chose.
  ChangeWatch watch(
      *office,
      [&](const ObjectRef& model) {
        const std::optional<PassOptions> chosen = options.now();
        if (!chosen) return;
        RunClosingCopy(system.services().passEnvironment(office->automation(), historyLogPath),
                       PassSurface{[chosen] { return *chosen; }, surface, surface, surface}, model);
      },
      [&send] { send(std::string(WatchingLine)); });
  try {
    WatchSocketServer server(WatchSocketName(OfficePipe(module.options())),
                             [&watch](std::string_view request) { return watch.answer(request); });
    std::thread(AnswerHeartbeat, std::ref(watch), std::ref(options), send).detach();
    for (;;) {
      try {
        office->watch(watch);
      } catch (const OfficeNotRunning&) {
      } catch (const std::exception& failure) {
        std::cerr << failure.what() << '\n';
      }
      // An office that comes back is watched afresh: every document then counts as changed.
      watch.forgetAll();
      std::this_thread::sleep_for(std::chrono::seconds(2));
    }
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
