#pragma once
// The store behind the settings: texts under application, section and key. The user's own values
// may sit on top of an administrator's: defaults the user's value replaces, and locked values it
// never does.

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tg {

// Where the value in force comes from. BuiltIn: no store has one, the program's own default
// applies.
enum class SettingSource { BuiltIn, User, SystemDefault, Policy };

// A value as the store holds it, and where it was found.
struct StoredSetting {
  std::string text;
  SettingSource source = SettingSource::User;
};

class SettingsBackend {
 public:
  virtual ~SettingsBackend() = default;
  // The value in force: a locked value over the user's, the user's over a default.
  virtual std::optional<std::string> read(std::string_view application, std::string_view section,
                                          std::string_view key) const = 0;
  // Written at once, so another process sees it. A store that knows a key is locked keeps the
  // locked value and writes nothing.
  virtual void write(std::string_view application, std::string_view section, std::string_view key,
                     std::string_view text) = 0;
  // The value in force with its source. A store with no administrator's layer holds the user's
  // values only.
  virtual std::optional<StoredSetting> lookup(std::string_view application,
                                              std::string_view section,
                                              std::string_view key) const {
    std::optional<std::string> text = read(application, section, key);
    if (!text) return std::nullopt;
    return StoredSetting{std::move(*text), SettingSource::User};
  }
  // The user's own value alone, under an administrator's: what is in force when the
  // administrator's value can't be used. A store with no administrator's layer never needs it.
  virtual std::optional<std::string> userValue(std::string_view /*application*/,
                                               std::string_view /*section*/,
                                               std::string_view /*key*/) const {
    return std::nullopt;
  }
  bool locked(std::string_view application, std::string_view section, std::string_view key) const {
    const std::optional<StoredSetting> found = lookup(application, section, key);
    return found && found->source == SettingSource::Policy;
  }
};

// "user", "system default", "policy" or "built-in", as the command line prints them.
std::string_view SourceName(SettingSource source);

}  // namespace tg
