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

std::string Win32Shell::BackgroundBrowserCommand(std::string_view url) {
  return "explorer \"" + std::string(url) + "\"";
}

std::string Win32Shell::FileManagerCommand(std::string_view path) {
  return "explorer.exe /select,\"" + std::string(path) + "\"";
}

bool Win32Shell::StartCommandLine(const std::string& commandLine, WORD show) {
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

void Win32Shell::openInTextEditor(std::string_view path) {
  if (!startCommandLine(TextEditorCommand(path), SW_SHOWNORMAL)) {
    throw WinError(GetLastError(), Descriptions::NothingOpens(path));
  }
}

void Win32Shell::openWebAddress(std::string_view url) {
  const std::string quoted = "\"" + std::string(url) + "\"";
  shellExecute(owner_, "", quoted.c_str(), "", "C:\\", SW_SHOW);
}

void Win32Shell::openWebAddressInBackground(std::string_view url) {
  if (!startCommandLine(BackgroundBrowserCommand(url), SW_SHOWMINIMIZED)) {
    throw WinError(GetLastError(), Descriptions::NothingOpens(url));
  }
}

// ShellExecute answers a number above 32 when it started something.
void Win32Shell::openDocument(std::string_view path) {
  const std::string file(path);
  const HINSTANCE started =
      shellExecute(owner_, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(started) <= 32) {
    throw WinError(GetLastError(), Descriptions::NothingOpens(path));
  }
}

void Win32Shell::showInFileManager(std::string_view path) {
  if (startCommandLine(FileManagerCommand(path), SW_SHOWNORMAL)) return;
  const std::string file(path);
  openDocument(file.substr(0, file.find_last_of("\\/") + 1));
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
