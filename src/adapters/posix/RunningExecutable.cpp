#include "adapters/posix/RunningExecutable.h"

namespace tg {

std::filesystem::path RunningExecutable() {
  std::error_code failed;
  std::filesystem::path running = std::filesystem::read_symlink("/proc/self/exe", failed);
  return failed ? std::filesystem::path() : running;
}

}  // namespace tg
