#pragma once
// Regional settings from the C library's LC_TIME locale data (the user's LC_TIME / LC_ALL / LANG).

#include <clocale>

#include "common/ports/RegionalSettings.h"

namespace tg {

class LocaleRegionalSettings : public RegionalSettings {
 public:
  // `localeName` "" means the user's environment.
  explicit LocaleRegionalSettings(const char* localeName = "");
  ~LocaleRegionalSettings() override;
  LocaleRegionalSettings(const LocaleRegionalSettings&) = delete;
  LocaleRegionalSettings& operator=(const LocaleRegionalSettings&) = delete;

  std::string monthName(int month) const override;
  std::string amDesignator() const override;
  std::string pmDesignator() const override;
  std::string shortDate(const LocalDateTime& when) const override;
  std::string longTime(const LocalDateTime& when) const override;

 private:
  std::string item(int item) const;
  std::string format(const char* pattern, const LocalDateTime& when) const;
  locale_t locale_;
};

}  // namespace tg
