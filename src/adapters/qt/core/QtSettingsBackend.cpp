#include "adapters/qt/core/QtSettingsBackend.h"

#include <QSettings>
#include <QString>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "common/SystemSettingsFile.h"

namespace tg {

namespace {

QString ToQt(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A fresh QSettings per access reads the file as it is now, whichever process wrote it. Qt's own
// fallback to the system folders is off: it would take "Key[$i]" for a key of that name and let
// the user's value win over a lock.
struct UserFile {
  UserFile(std::string_view application, std::string_view section)
      : settings(ToQt(application), ToQt(section)) {
    settings.setFallbacksEnabled(false);
    settings.beginGroup(ToQt(section));
  }
  QSettings settings;
};

// XDG_CONFIG_DIRS in order; only absolute folders count, as XDG says.
std::vector<std::string> SystemConfigFolders() {
  const char* variable = std::getenv("XDG_CONFIG_DIRS");
  const std::string list = variable && *variable ? variable : "/etc/xdg";
  std::vector<std::string> folders;
  for (size_t start = 0; start <= list.size();) {
    size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    const std::string folder = list.substr(start, end - start);
    if (!folder.empty() && folder.front() == '/') folders.push_back(folder);
    start = end + 1;
  }
  return folders;
}

std::optional<StoredSetting> SystemSetting(std::string_view application, std::string_view section,
                                           std::string_view key) {
  std::optional<StoredSetting> fallback;
  for (const std::string& folder : SystemConfigFolders()) {
    std::ifstream file(folder + "/" + std::string(application) + "/" + std::string(section) +
                       ".conf");
    if (!file) continue;
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    const auto values = ReadSystemSettings(text, section);
    const auto found = values.find(key);
    if (found == values.end()) continue;
    if (found->second.locked) return StoredSetting{found->second.text, SettingSource::Policy};
    if (!fallback) fallback = StoredSetting{found->second.text, SettingSource::SystemDefault};
  }
  return fallback;
}

}  // namespace

std::optional<StoredSetting> QtSettingsBackend::lookup(std::string_view application,
                                                       std::string_view section,
                                                       std::string_view key) const {
  std::optional<StoredSetting> system = SystemSetting(application, section, key);
  if (system && system->source == SettingSource::Policy) return system;
  UserFile user(application, section);
  const QString name = ToQt(key);
  if (user.settings.contains(name)) {
    return StoredSetting{user.settings.value(name).toString().toStdString(), SettingSource::User};
  }
  return system;
}

std::optional<std::string> QtSettingsBackend::userValue(std::string_view application,
                                                        std::string_view section,
                                                        std::string_view key) const {
  UserFile user(application, section);
  const QString name = ToQt(key);
  if (!user.settings.contains(name)) return std::nullopt;
  return user.settings.value(name).toString().toStdString();
}

std::optional<std::string> QtSettingsBackend::read(std::string_view application,
                                                   std::string_view section,
                                                   std::string_view key) const {
  std::optional<StoredSetting> found = lookup(application, section, key);
  if (!found) return std::nullopt;
  return std::move(found->text);
}

void QtSettingsBackend::write(std::string_view application, std::string_view section,
                              std::string_view key, std::string_view text) {
  if (locked(application, section, key)) return;
  UserFile user(application, section);
  user.settings.setValue(ToQt(key), ToQt(text));
  user.settings.endGroup();
  user.settings.sync();
}

}  // namespace tg
