#include "adapters/posix/SystemClock.h"

#include <chrono>
#include <ctime>

namespace tg {

LocalDateTime SystemClock::now() const {
  std::time_t seconds = std::time(nullptr);
  std::tm local{};
  localtime_r(&seconds, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

double SystemClock::secondsSinceStart() const {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace tg
