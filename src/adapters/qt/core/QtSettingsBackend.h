#pragma once
// The settings store on Linux: QSettings with the application name as organisation and the
// section as application (~/.config/Morvane/Tallyguard.conf), keys in a group named after the
// section. Every write is synced at once, so another process sees it.

#include "common/ports/SettingsBackend.h"

namespace tg {

class QtSettingsBackend : public SettingsBackend {
 public:
  std::optional<std::string> read(std::string_view application, std::string_view section,
                                  std::string_view key) const override;
  void write(std::string_view application, std::string_view section, std::string_view key,
             std::string_view text) override;
};

}  // namespace tg
