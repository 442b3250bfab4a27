#pragma once
// The United States regional settings as a fixed table, so results are exact in tests.

#include "common/ports/RegionalSettings.h"

namespace tg {

class UnitedStatesRegionalSettings : public RegionalSettings {
 public:
  std::string monthName(int month) const override;
  std::string amDesignator() const override { return am; }
  std::string pmDesignator() const override { return pm; }
  std::string shortDate(const LocalDateTime& when) const override;  // 12/6/2026
  std::string longTime(const LocalDateTime& when) const override;   // 2:00:40 PM

  // Tests may blank these to play a locale without designators.
  std::string am = "AM";
  std::string pm = "PM";
};

}  // namespace tg
