#include "adapters/win32/RunKeyAutostart.h"

#include <windows.h>

namespace tg {

std::string RunKeyAutostart::valueName() const {
  const auto slash = executable_.find_last_of("\\/");
  return slash == std::string::npos ? executable_ : executable_.substr(slash + 1);
}

std::string RunKeyAutostart::valueData() const { return "\"" + executable_ + "\""; }

// Failures stay silent: the check box and its setting say on or off regardless.
void RunKeyAutostart::enable() {
  if (executable_.empty()) return;
  HKEY key = nullptr;
  // A fresh profile may not have the Run key yet.
  if (RegCreateKeyExA(HKEY_CURRENT_USER, RunKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  const std::string name = valueName();
  const std::string data = valueData();
  RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                 static_cast<DWORD>(data.size() + 1));
  RegCloseKey(key);
}

void RunKeyAutostart::disable() {
  if (executable_.empty()) return;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, RunKeyPath, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    return;
  }
  RegDeleteValueA(key, valueName().c_str());
  RegCloseKey(key);
}

}  // namespace tg
