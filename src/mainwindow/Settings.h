#pragma once
// The per-user settings store: texts under fixed keys of application "Morvane", section
// "Tallyguard". Defaults are the reader's business and are never written by the store. A key the
// administrator locked reads as the administrator set it and is never written.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "backup/BackupNaming.h"
#include "common/ports/Environment.h"
#include "common/ports/SettingsBackend.h"
#include "common/ports/Shell.h"

namespace tg {

inline constexpr std::string_view SettingsApplication = "Morvane";
inline constexpr std::string_view SettingsSection = "Tallyguard";

namespace SettingKeys {
inline constexpr std::string_view Path = "Path";
inline constexpr std::string_view WhereOption = "WhereOption";
inline constexpr std::string_view BackupOption = "Backup Option";
inline constexpr std::string_view WindowsStartup = "Windows Startup";
inline constexpr std::string_view IncludeDate = "Include Date";
inline constexpr std::string_view OftenIndex = "OftenIndex";
inline constexpr std::string_view StartStopState = "StartStopState";
inline constexpr std::string_view Minimized = "Minimized";
inline constexpr std::string_view KeepCopies = "Keep Copies";
inline constexpr std::string_view ThinCopies = "Thin Copies";
}  // namespace SettingKeys

// The settings an administrator may set for everyone, in the window's order.
inline constexpr std::string_view AdministeredKeys[] = {
    SettingKeys::Path,           SettingKeys::WhereOption, SettingKeys::BackupOption,
    SettingKeys::IncludeDate,    SettingKeys::OftenIndex,  SettingKeys::StartStopState,
    SettingKeys::WindowsStartup, SettingKeys::Minimized,   SettingKeys::KeepCopies,
    SettingKeys::ThinCopies};

inline constexpr std::string_view SettingOn = "On";
// The note on a control whose setting is locked.
inline constexpr std::string_view LockedByAdministrator = "Set by your administrator";
inline constexpr std::string_view SettingOff = "Off";

class Settings {
 public:
  explicit Settings(SettingsBackend& backend) : backend_(backend) {}

  // The stored text, or `defaultText` when the key was never written. A stored empty text stays
  // empty.
  std::string ReadSetting(std::string_view key, std::string_view defaultText) const;
  // Does nothing for a locked key: the user's file must not gain a value that only looks in force;
  // nor for the administrator's default itself, which stays the administrator's to change.
  void WriteSetting(std::string_view key, std::string_view text);
  // The value in force and where it comes from; nothing when the program's own value is. An
  // administrator's value the setting can't take is passed over for the user's own.
  std::optional<StoredSetting> Lookup(std::string_view key) const;
  // One sentence per administrator's value passed over, naming the setting.
  std::vector<std::string> UnusableAdministeredValues() const;
  // Where the value in force comes from; BuiltIn when no store has one.
  SettingSource Source(std::string_view key) const;
  bool IsLocked(std::string_view key) const;
  // The administered settings that are locked, in the window's order.
  std::vector<std::string_view> LockedKeys() const;

 private:
  SettingsBackend& backend_;
};

// An on/off text counts as on only when it is "On" exactly, case included.
bool IsSettingOn(std::string_view text);
std::string_view OnOffText(bool on);

// A stored number as a 16-bit signed integer. Blanks around it and one leading sign are allowed;
// anything else throws std::invalid_argument, a value outside -32768..32767 throws
// std::out_of_range; both say so in plain words.
std::int16_t ToInteger16(std::string_view text);

// The folder with the user's name put in for "$USER" or "${USER}" (POSIX) or "%USERNAME%"
// (Windows, in any case), so one folder set by an administrator gives each user one of their own.
// Without the name in the environment the text stays as it is.
std::string FolderOfUser(std::string_view folder, const Environment& environment, PathStyle style);

// The user's desktop folder followed by a separator; recomputed on every call. Throws
// std::invalid_argument when the desktop cannot be determined.
std::string GetDesktopFolder(const Shell& shell, PathStyle style);

}  // namespace tg
