#pragma once

#include "common/ports/Clock.h"

namespace tg {

// A clock that shows what the test sets; `secondsSinceStart` advances only when told.
class FixedClock : public Clock {
 public:
  explicit FixedClock(LocalDateTime when = {2026, 12, 6, 13, 58, 16}) : when_(when) {}
  LocalDateTime now() const override { return when_; }
  double secondsSinceStart() const override { return elapsed_; }
  void set(LocalDateTime when) { when_ = when; }
  void advance(double seconds) { elapsed_ += seconds; }

 private:
  LocalDateTime when_;
  double elapsed_ = 0;
};

}  // namespace tg
