#include "adapters/posix/SystemClock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace tg {
namespace {

// A file's time reads in the time zone's rule for its own date, summer time included, and a
// moment before a whole second belongs to the second before.
TEST(SystemClock, AFileTimeReadsAsTheLocalClockShowedItThen) {
  const char* const before = std::getenv("TZ");
  const std::optional<std::string> zone =
      before ? std::optional<std::string>(before) : std::nullopt;
  ::setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
  ::tzset();
  constexpr std::int64_t Second = 1'000'000'000;
  const SystemClock clock;
  // 2026-10-01 09:00 and 2026-12-05 16:00 UTC: summer time, then winter time in New York.
  EXPECT_EQ(clock.localTimeOf(1790845200 * Second), (LocalDateTime{2026, 10, 1, 5, 0, 0}));
  EXPECT_EQ(clock.localTimeOf(1796486400 * Second), (LocalDateTime{2026, 12, 5, 11, 0, 0}));
  EXPECT_EQ(clock.localTimeOf(1796486400 * Second - 1), (LocalDateTime{2026, 12, 5, 10, 59, 59}));
  EXPECT_EQ(clock.localTimeOf(-1), (LocalDateTime{1969, 12, 31, 18, 59, 59}));
  if (zone) {
    ::setenv("TZ", zone->c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
}

}  // namespace
}  // namespace tg
