#include "memory/UnitedStatesRegionalSettings.h"

#include <array>
#include <cstdio>

namespace tg {

std::string UnitedStatesRegionalSettings::monthName(int month) const {
  static const std::array<const char*, 12> names = {
      "January", "February", "March",     "April",   "May",      "June",
      "July",    "August",   "September", "October", "November", "December"};
  return (month >= 1 && month <= 12) ? names[month - 1] : "";
}

std::string UnitedStatesRegionalSettings::shortDate(const LocalDateTime& when) const {
  return std::to_string(when.month) + "/" + std::to_string(when.day) + "/" +
         std::to_string(when.year);
}

std::string UnitedStatesRegionalSettings::longTime(const LocalDateTime& when) const {
  int hour12 = when.hour % 12 == 0 ? 12 : when.hour % 12;
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d:%02d", hour12, when.minute, when.second);
  std::string result = text;
  const std::string& designator = when.hour < 12 ? am : pm;
  if (!designator.empty()) result += " " + designator;
  return result;
}

}  // namespace tg
