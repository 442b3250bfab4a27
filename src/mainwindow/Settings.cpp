#include "mainwindow/Settings.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <stdexcept>

namespace tg {

namespace {

bool IsCount(std::string_view text, int least, int most) {
  if (text.empty() || text.size() > 4) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value >= least && value <= most;
}

// Whether the setting takes the text as the window would store it: an administrator's typo must
// not lock the user into a value the window can't show, nor pass as one it can.
bool SettingTakes(std::string_view key, std::string_view text) {
  using namespace SettingKeys;
  if (key == IncludeDate || key == StartStopState || key == WindowsStartup || key == Minimized) {
    return text == SettingOn || text == SettingOff;
  }
  if (key == WhereOption || key == BackupOption) return text == "1" || text == "2";
  if (key == OftenIndex) return IsCount(text, 1, 12);
  if (key == KeepCopies) return IsCount(text, 0, 9999);
  if (key == ThinCopies) return text == "0" || text == "1";
  if (key == Path) return !text.empty();
  return true;
}

bool Administered(SettingSource source) {
  return source == SettingSource::Policy || source == SettingSource::SystemDefault;
}

}  // namespace

std::optional<StoredSetting> Settings::Lookup(std::string_view key) const {
  std::optional<StoredSetting> stored = backend_.lookup(SettingsApplication, SettingsSection, key);
  if (!stored || !Administered(stored->source) || SettingTakes(key, stored->text)) return stored;
  if (std::optional<std::string> mine =
          backend_.userValue(SettingsApplication, SettingsSection, key)) {
    return StoredSetting{std::move(*mine), SettingSource::User};
  }
  return std::nullopt;
}

std::vector<std::string> Settings::UnusableAdministeredValues() const {
  std::vector<std::string> told;
  for (std::string_view key : AdministeredKeys) {
    const std::optional<StoredSetting> stored =
        backend_.lookup(SettingsApplication, SettingsSection, key);
    if (!stored || !Administered(stored->source) || SettingTakes(key, stored->text)) continue;
    told.push_back("The administrator's " +
                   std::string(stored->source == SettingSource::Policy ? "locked " : "default ") +
                   "value \"" + stored->text + "\" of " + std::string(key) +
                   " is not one it takes, so it was ignored");
  }
  return told;
}

std::string FolderOfUser(std::string_view folder, const Environment& environment, PathStyle style) {
  const bool posix = style == PathStyle::Posix;
  const std::optional<std::string> name = environment.variable(posix ? "USER" : "USERNAME");
  if (!name || name->empty()) return std::string(folder);
  const std::vector<std::string_view> marks =
      posix ? std::vector<std::string_view>{"${USER}", "$USER"}
            : std::vector<std::string_view>{"%USERNAME%"};
  std::string text(folder);
  for (std::string_view mark : marks) {
    for (size_t at = 0; at + mark.size() <= text.size();) {
      const bool found = posix
                             ? text.compare(at, mark.size(), mark) == 0
                             : std::equal(mark.begin(), mark.end(),
                                          text.begin() + static_cast<long>(at), [](char a, char b) {
                                            return std::toupper(static_cast<unsigned char>(a)) ==
                                                   std::toupper(static_cast<unsigned char>(b));
                                          });
      // "$USERS" is no mark: a name goes on after it.
      const bool whole = !posix || mark.back() == '}' || at + mark.size() == text.size() ||
                         !(std::isalnum(static_cast<unsigned char>(text[at + mark.size()])) ||
                           text[at + mark.size()] == '_');
      if (!found || !whole) {
        ++at;
        continue;
      }
      text.replace(at, mark.size(), *name);
      at += name->size();
    }
  }
  return text;
}

std::string Settings::ReadSetting(std::string_view key, std::string_view defaultText) const {
  std::optional<StoredSetting> stored = Lookup(key);
  return stored ? stored->text : std::string(defaultText);
}

void Settings::WriteSetting(std::string_view key, std::string_view text) {
  const std::optional<StoredSetting> stored = Lookup(key);
  if (stored && stored->source == SettingSource::Policy) return;
  // The window stores every value again as it fills its controls: an administrator's default
  // stored so would become the user's own choice, and a later change of the default would never
  // reach this user. Only a value that differs from it is the user's.
  if (stored && stored->source == SettingSource::SystemDefault && stored->text == text) return;
  backend_.write(SettingsApplication, SettingsSection, key, text);
}

SettingSource Settings::Source(std::string_view key) const {
  const std::optional<StoredSetting> stored = Lookup(key);
  return stored ? stored->source : SettingSource::BuiltIn;
}

std::vector<std::string_view> Settings::LockedKeys() const {
  std::vector<std::string_view> locked;
  for (std::string_view key : AdministeredKeys) {
    if (IsLocked(key)) locked.push_back(key);
  }
  return locked;
}

bool Settings::IsLocked(std::string_view key) const { return Source(key) == SettingSource::Policy; }

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
