#include "adapters/win32/RegistrySettingsBackend.h"

#include <windows.h>

#include <vector>

namespace tg {

std::string RegistrySettingsBackend::keyPath(std::string_view application,
                                             std::string_view section) const {
  return root_ + "\\" + std::string(application) + "\\" + std::string(section);
}

std::optional<std::string> RegistrySettingsBackend::read(std::string_view application,
                                                         std::string_view section,
                                                         std::string_view key) const {
  const std::string path = keyPath(application, section);
  const std::string name(key);
  DWORD type = 0;
  DWORD size = 0;
  // RRF_RT_REG_SZ: only text counts, and the answer always ends in its NUL.
  if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_REG_SZ, &type, nullptr,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<char> buffer(size + 1, '\0');
  if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_REG_SZ, &type,
                   buffer.data(), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::string(buffer.data());
}

void RegistrySettingsBackend::write(std::string_view application, std::string_view section,
                                    std::string_view key, std::string_view text) {
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
