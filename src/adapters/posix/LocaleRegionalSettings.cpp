#include "adapters/posix/LocaleRegionalSettings.h"

#include <langinfo.h>

#include <ctime>

namespace tg {
namespace {

std::tm ToTm(const LocalDateTime& when) {
  std::tm value{};
  value.tm_year = when.year - 1900;
  value.tm_mon = when.month - 1;
  value.tm_mday = when.day;
  value.tm_hour = when.hour;
  value.tm_min = when.minute;
  value.tm_sec = when.second;
  value.tm_isdst = -1;
  return value;
}

}  // namespace

LocaleRegionalSettings::LocaleRegionalSettings(const char* localeName) {
  locale_ = newlocale(LC_TIME_MASK, localeName, static_cast<locale_t>(0));
  // An unknown locale name falls back to the C library's default rather than failing start-up.
  if (locale_ == static_cast<locale_t>(0)) {
    locale_ = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
  }
}

LocaleRegionalSettings::~LocaleRegionalSettings() { freelocale(locale_); }

std::string LocaleRegionalSettings::item(int which) const {
  return nl_langinfo_l(static_cast<nl_item>(which), locale_);
}

std::string LocaleRegionalSettings::monthName(int month) const {
  if (month < 1 || month > 12) return "";
  return item(MON_1 + month - 1);
}

std::string LocaleRegionalSettings::amDesignator() const { return item(AM_STR); }
std::string LocaleRegionalSettings::pmDesignator() const { return item(PM_STR); }

std::string LocaleRegionalSettings::format(const char* pattern, const LocalDateTime& when) const {
  std::tm value = ToTm(when);
  char text[256];
  size_t length = strftime_l(text, sizeof text, pattern, &value, locale_);
  return std::string(text, length);
}

std::string LocaleRegionalSettings::shortDate(const LocalDateTime& when) const {
  return format("%x", when);
}

std::string LocaleRegionalSettings::longTime(const LocalDateTime& when) const {
  return format("%X", when);
}

}  // namespace tg
