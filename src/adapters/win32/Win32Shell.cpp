#include "adapters/win32/Win32Shell.h"

// windows.h first: the shell headers build on it.
// clang-format off
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
// clang-format on

#include <vector>

#include "adapters/win32/WinError.h"
#include "common/Descriptions.h"

namespace tg {

std::string Win32Shell::TextEditorCommand(std::string_view path) {
  return "notepad \"" + std::string(path) + "\"";
}

void Win32Shell::openInTextEditor(std::string_view path) {
  std::string command = TextEditorCommand(path);
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    throw WinError(GetLastError(), Descriptions::NothingOpens(path));
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

void Win32Shell::openWebAddress(std::string_view url) {
  const std::string address(url);
  // ShellExecuteA answers a number above 32 on success.
  auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) {
    throw WinError(static_cast<DWORD>(result), Descriptions::NothingOpens(url));
  }
}

std::optional<std::string> Win32Shell::desktopFolder() const {
  PIDLIST_ABSOLUTE location = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &location))) return std::nullopt;
  char path[MAX_PATH] = {};
  const bool found = SHGetPathFromIDListA(location, path);
  CoTaskMemFree(location);
  if (!found) return std::nullopt;
  return std::string(path);
}

std::string Win32Shell::programFolder() const {
  const auto slash = executable_.find_last_of('\\');
  if (slash == std::string::npos) {
    throw std::runtime_error("The program's own folder could not be found.");
  }
  return executable_.substr(0, slash);
}

void Win32Shell::endProgram() { ExitProcess(0); }

}  // namespace tg
