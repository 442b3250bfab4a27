#include "adapters/posix/RunningExecutable.h"

#include <string>

namespace tg {

namespace {

// The kernel's name for a program file that was removed or replaced while it runs.
constexpr std::string_view RemovedMark = " (deleted)";

}  // namespace

// An upgrade replaces the program file under the running program; what is to start at the next
// logon is the new file at the installed path, not the name of the one that is gone.
std::filesystem::path RunningExecutable() {
  std::error_code failed;
  std::filesystem::path running = std::filesystem::read_symlink("/proc/self/exe", failed);
  if (failed) return {};
  const std::string text = running.string();
  if (text.ends_with(RemovedMark) && !std::filesystem::exists(running, failed)) {
    return text.substr(0, text.size() - RemovedMark.size());
  }
  return running;
}

}  // namespace tg
