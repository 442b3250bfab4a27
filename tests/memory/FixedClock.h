#pragma once

#include <chrono>

#include "common/ports/Clock.h"

namespace tg {

// A clock that shows what the test sets; `secondsSinceStart` advances only when told. File times
// read on it as UTC moved by `utcOffset`, the time zone a test gives it.
class FixedClock : public Clock {
 public:
  explicit FixedClock(LocalDateTime when = {2026, 12, 6, 13, 58, 16}) : when_(when) {}
  LocalDateTime now() const override { return when_; }
  double secondsSinceStart() const override { return elapsed_; }
  LocalDateTime localTimeOf(std::int64_t fileNanoseconds) const override {
    using namespace std::chrono;
    const sys_seconds at =
        floor<seconds>(sys_time<nanoseconds>(nanoseconds(fileNanoseconds))) + utcOffset;
    const sys_days day = floor<days>(at);
    const year_month_day date(day);
    const hh_mm_ss<seconds> time(at - day);
    return {static_cast<int>(date.year()),
            static_cast<int>(unsigned(date.month())),
            static_cast<int>(unsigned(date.day())),
            static_cast<int>(time.hours().count()),
            static_cast<int>(time.minutes().count()),
            static_cast<int>(time.seconds().count())};
  }
  void set(LocalDateTime when) { when_ = when; }
  void advance(double seconds) { elapsed_ += seconds; }

  std::chrono::seconds utcOffset{0};

 private:
  LocalDateTime when_;
  double elapsed_ = 0;
};

}  // namespace tg
