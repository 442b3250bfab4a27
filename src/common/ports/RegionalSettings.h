#pragma once

#include <string>

#include "common/ports/Clock.h"

namespace tg {

// The user's regional date and time settings.
class RegionalSettings {
 public:
  virtual ~RegionalSettings() = default;
  virtual std::string monthName(int month) const = 0;  // full name, month 1..12
  virtual std::string amDesignator() const = 0;        // may be empty
  virtual std::string pmDesignator() const = 0;        // may be empty
  virtual std::string shortDate(const LocalDateTime& when) const = 0;
  virtual std::string longTime(const LocalDateTime& when) const = 0;
};

}  // namespace tg
