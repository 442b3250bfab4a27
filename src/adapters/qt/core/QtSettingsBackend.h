#pragma once
// The settings store on Linux: QSettings with the application name as organisation and the
// section as application (~/.config/Morvane/Tallyguard.conf), keys in a group named after the
// section. Every write is synced at once, so another process sees it.
//
// Under the user's file lie the administrator's: Morvane/Tallyguard.conf in each folder of
// XDG_CONFIG_DIRS (/etc/xdg when unset), read as KDE reads its own (see SystemSettingsFile.h).
// A value there is the default for a user with none of their own; one marked "[$i]" is locked:
// in force whatever the user's file says, and never written. An earlier folder is the more
// important, as XDG has it; a lock in any folder still wins over a default in another.

#include <string>

#include "common/ports/SettingsBackend.h"

namespace tg {

class QtSettingsBackend : public SettingsBackend {
 public:
  std::optional<std::string> read(std::string_view application, std::string_view section,
                                  std::string_view key) const override;
  void write(std::string_view application, std::string_view section, std::string_view key,
             std::string_view text) override;
  std::optional<StoredSetting> lookup(std::string_view application, std::string_view section,
                                      std::string_view key) const override;
  std::optional<std::string> userValue(std::string_view application, std::string_view section,
                                       std::string_view key) const override;
};

}  // namespace tg
