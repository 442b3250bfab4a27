#pragma once

#include <compare>
#include <cstdint>

namespace tg {

// A moment of the local clock, as the user's calendar shows it.
struct LocalDateTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  int second = 0;
  auto operator<=>(const LocalDateTime&) const = default;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime now() const = 0;
  // Seconds since some fixed moment; only differences are meaningful.
  virtual double secondsSinceStart() const = 0;
  // A file's time of last change (nanoseconds since 1970-01-01 UTC, as FileStamp holds it) as
  // now() would have read at that moment.
  virtual LocalDateTime localTimeOf(std::int64_t fileNanoseconds) const = 0;
};

}  // namespace tg
