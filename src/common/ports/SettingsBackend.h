#pragma once
// The per-user store behind the settings: texts under application, section and key.

#include <optional>
#include <string>
#include <string_view>

namespace tg {

class SettingsBackend {
 public:
  virtual ~SettingsBackend() = default;
  virtual std::optional<std::string> read(std::string_view application, std::string_view section,
                                          std::string_view key) const = 0;
  // Written at once, so another process sees it.
  virtual void write(std::string_view application, std::string_view section, std::string_view key,
                     std::string_view text) = 0;
};

}  // namespace tg
