#include "mainwindow/Settings.h"

#include <limits>
#include <stdexcept>

namespace tg {

std::string Settings::ReadSetting(std::string_view key, std::string_view defaultText) const {
  std::optional<std::string> stored = backend_.read(SettingsApplication, SettingsSection, key);
  return stored ? *stored : std::string(defaultText);
}

void Settings::WriteSetting(std::string_view key, std::string_view text) {
  const std::optional<StoredSetting> stored =
      backend_.lookup(SettingsApplication, SettingsSection, key);
  if (stored && stored->source == SettingSource::Policy) return;
  // The window stores every value again as it fills its controls: an administrator's default
  // stored so would become the user's own choice, and a later change of the default would never
  // reach this user. Only a value that differs from it is the user's.
  if (stored && stored->source == SettingSource::SystemDefault && stored->text == text) return;
  backend_.write(SettingsApplication, SettingsSection, key, text);
}

SettingSource Settings::Source(std::string_view key) const {
  const std::optional<StoredSetting> stored =
      backend_.lookup(SettingsApplication, SettingsSection, key);
  return stored ? stored->source : SettingSource::BuiltIn;
}

std::vector<std::string_view> Settings::LockedKeys() const {
  std::vector<std::string_view> locked;
  for (std::string_view key : AdministeredKeys) {
    if (IsLocked(key)) locked.push_back(key);
  }
  return locked;
}

bool Settings::IsLocked(std::string_view key) const {
  return backend_.locked(SettingsApplication, SettingsSection, key);
}

std::string_view SourceName(SettingSource source) {
  switch (source) {
    case SettingSource::User:
      return "user";
    case SettingSource::SystemDefault:
      return "system default";
    case SettingSource::Policy:
      return "policy";
    default:
      return "built-in";
  }
}

bool IsSettingOn(std::string_view text) { return text == SettingOn; }

std::string_view OnOffText(bool on) { return on ? SettingOn : SettingOff; }

namespace {

std::string NotANumber(std::string_view text) {
  return "The stored setting \"" + std::string(text) + "\" is not a whole number.";
}

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::int16_t ToInteger16(std::string_view text) {
  std::string_view digits = TrimBlanks(text);
  bool negative = false;
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty()) throw std::invalid_argument(NotANumber(text));
  long magnitude = 0;
  for (char digit : digits) {
    if (digit < '0' || digit > '9') throw std::invalid_argument(NotANumber(text));
    // Long runs of digits must not wrap round before the range test below.
    if (magnitude <= 100000) magnitude = magnitude * 10 + (digit - '0');
  }
  const long value = negative ? -magnitude : magnitude;
  if (value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max()) {
    throw std::out_of_range("The stored setting \"" + std::string(text) +
                            "\" is too large a number.");
  }
  return static_cast<std::int16_t>(value);
}

std::string GetDesktopFolder(const Shell& shell, PathStyle style) {
  std::optional<std::string> desktop = shell.desktopFolder();
  if (!desktop) throw std::invalid_argument("The desktop folder could not be found.");
  return *desktop + Separator(style);
}

}  // namespace tg
