#include "adapters/win32/RegistrySettingsBackend.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace tg {

namespace {

enum class Accepted { TextOnly, TextOrNumber };

// The value as text, or nothing when it is absent or of a type not accepted.
std::optional<std::string> ValueText(HKEY root, REGSAM view, const std::string& path,
                                     const std::string& name, Accepted accepted) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::optional<std::string> text;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    // Room for a NUL the stored text may lack.
    std::vector<BYTE> data(size + 2, 0);
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &size) == ERROR_SUCCESS) {
      if (type == REG_SZ) {
        text = std::string(reinterpret_cast<const char*>(data.data()));
      } else if (type == REG_DWORD && size == sizeof(DWORD) && accepted == Accepted::TextOrNumber) {
        DWORD number = 0;
        memcpy(&number, data.data(), sizeof number);
        text = std::to_string(number);
      }
    }
  }
  RegCloseKey(key);
  return text;
}

}  // namespace

std::string RegistrySettingsBackend::keyPath(std::string_view application,
                                             std::string_view section) const {
  return root_ + "\\" + std::string(application) + "\\" + std::string(section);
}

std::string RegistrySettingsBackend::policyPath(std::string_view application,
                                                std::string_view section) const {
  return root_ + "\\Policies\\" + std::string(application) + "\\" + std::string(section);
}

std::optional<StoredSetting> RegistrySettingsBackend::lookup(std::string_view application,
                                                             std::string_view section,
                                                             std::string_view key) const {
  const std::string name(key);
  if (auto text = ValueText(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, policyPath(application, section),
                            name, Accepted::TextOrNumber)) {
    return StoredSetting{std::move(*text), SettingSource::Policy};
  }
  const std::string path = keyPath(application, section);
  if (auto text = ValueText(HKEY_CURRENT_USER, 0, path, name, Accepted::TextOnly)) {
    return StoredSetting{std::move(*text), SettingSource::User};
  }
  if (auto text =
          ValueText(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, path, name, Accepted::TextOrNumber)) {
    return StoredSetting{std::move(*text), SettingSource::SystemDefault};
  }
  return std::nullopt;
}

std::optional<std::string> RegistrySettingsBackend::userValue(std::string_view application,
                                                              std::string_view section,
                                                              std::string_view key) const {
  return ValueText(HKEY_CURRENT_USER, 0, keyPath(application, section), std::string(key),
                   Accepted::TextOnly);
}

std::optional<std::string> RegistrySettingsBackend::read(std::string_view application,
                                                         std::string_view section,
                                                         std::string_view key) const {
  std::optional<StoredSetting> found = lookup(application, section, key);
  if (!found) return std::nullopt;
  return std::move(found->text);
}

void RegistrySettingsBackend::write(std::string_view application, std::string_view section,
                                    std::string_view key, std::string_view text) {
  if (locked(application, section, key)) return;
  const std::string path = keyPath(application, section);
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS) {
    return;
  }
  const std::string name(key);
  const std::string data(text);
  RegSetValueExA(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                 static_cast<DWORD>(data.size() + 1));
  RegCloseKey(handle);
}

}  // namespace tg
