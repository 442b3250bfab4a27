#include "adapters/posix/SystemClock.h"

#include <chrono>
#include <ctime>

namespace tg {

namespace {

LocalDateTime LocalAt(std::time_t seconds) {
  std::tm local{};
  localtime_r(&seconds, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace

LocalDateTime SystemClock::now() const { return LocalAt(std::time(nullptr)); }

// Whole seconds, rounded down: a file written a moment before midnight belongs to its own day.
LocalDateTime SystemClock::localTimeOf(std::int64_t fileNanoseconds) const {
  constexpr std::int64_t PerSecond = 1'000'000'000;
  std::int64_t seconds = fileNanoseconds / PerSecond;
  if (fileNanoseconds % PerSecond < 0) --seconds;
  return LocalAt(static_cast<std::time_t>(seconds));
}

double SystemClock::secondsSinceStart() const {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace tg
