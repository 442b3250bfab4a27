#pragma once

#include "common/ports/Clock.h"

namespace tg {

// The local clock of the machine, in the user's time zone.
class SystemClock : public Clock {
 public:
  LocalDateTime now() const override;
  double secondsSinceStart() const override;
  LocalDateTime localTimeOf(std::int64_t fileNanoseconds) const override;
};

}  // namespace tg
