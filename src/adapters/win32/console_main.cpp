// Tallyguard.com, the console twin of Tallyguard.exe in the same folder. A prompt prefers .com to
// .exe, so "Tallyguard --backup-now" typed in cmd (or run by the Task Scheduler) comes here: the
// window program does the work with this console's input and output, and this twin waits for it
// and hands its exit status on, which a window program started straight from a prompt cannot
// do. Anything that starts the window is handed over at once, so no console waits on it.

#include <windows.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace {

HANDLE Started = nullptr;       // the window program, while this twin waits for it
UINT OutputCodePageBefore = 0;  // the console's own, given back at the end

// Ctrl+C or a closed console ends this twin; the window program, which has no console of its
// own, would go on unseen, so it ends too (and with it its backup helper, which lives in its job).
BOOL WINAPI EndStartedToo(DWORD) {
  if (Started != nullptr) TerminateProcess(Started, STATUS_CONTROL_C_EXIT);
  if (OutputCodePageBefore != 0) SetConsoleOutputCP(OutputCodePageBefore);
  return FALSE;  // the usual end of this twin follows
}

// Tallyguard.exe beside this file.
std::wstring WindowProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return L"";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const auto dot = path.find_last_of(L".\\");
  if (dot != std::wstring::npos && path[dot] == L'.') path.resize(dot);
  return path + L".exe";
}

// What followed this twin's own name on its command line, exactly as typed, so the window program
// reads the same arguments. The name ends as the system's own splitting ends it: at the closing
// quote when it starts with one, else at the first blank or tab.
std::wstring ArgumentsAsTyped() {
  const wchar_t* line = GetCommandLineW();
  if (*line == L'"') {
    ++line;
    while (*line != L'\0' && *line != L'"') ++line;
    if (*line == L'"') ++line;
  } else {
    while (*line != L'\0' && *line != L' ' && *line != L'\t') ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

// This twin's standard handle as one the window program inherits; nothing when there is none.
HANDLE Inheritable(DWORD which) {
  const HANDLE own = GetStdHandle(which);
  HANDLE copy = nullptr;
  if (own == nullptr || own == INVALID_HANDLE_VALUE ||
      !DuplicateHandle(GetCurrentProcess(), own, GetCurrentProcess(), &copy, 0, TRUE,
                       DUPLICATE_SAME_ACCESS)) {
    return nullptr;
  }
  return copy;
}

void Say(const char* text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(lstrlenA(text)), &written,
            nullptr);
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::wstring program = WindowProgramPath();
  std::wstring commandLine = L"\"" + program + L"\" " + ArgumentsAsTyped();
  const bool answersHere =
      tg::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc)).kind !=
      tg::CommandKind::StartWindow;

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (answersHere) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = Inheritable(STD_INPUT_HANDLE);
    startup.hStdOutput = Inheritable(STD_OUTPUT_HANDLE);
    startup.hStdError = Inheritable(STD_ERROR_HANDLE);
    // The program's texts are UTF-8 (folder and document names in any language); the console
    // shows them as such while it runs.
    OutputCodePageBefore = GetConsoleOutputCP();
    if (OutputCodePageBefore != 0) SetConsoleOutputCP(CP_UTF8);
    SetConsoleCtrlHandler(EndStartedToo, TRUE);
  }
  PROCESS_INFORMATION process{};
  const BOOL created = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr,
                                      answersHere, 0, nullptr, nullptr, &startup, &process);
  const DWORD error = GetLastError();
  for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
    if (handle != nullptr) CloseHandle(handle);
  }
  if (!created) {
    if (OutputCodePageBefore != 0) SetConsoleOutputCP(OutputCodePageBefore);
    Say(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
            ? "Tallyguard.exe is missing beside Tallyguard.com; install Tallyguard again.\n"
            : "Tallyguard.exe could not be started.\n");
    return tg::ExitCodes::SomethingFailed;
  }
  CloseHandle(process.hThread);
  DWORD status = 0;
  if (answersHere) {
    Started = process.hProcess;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &status);
    Started = nullptr;
    if (OutputCodePageBefore != 0) SetConsoleOutputCP(OutputCodePageBefore);
  }
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}
