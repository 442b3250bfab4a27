#include "adapters/win32/Win32OfficeDocuments.h"

#include <stdexcept>

#include "adapters/win32/WinError.h"
#include "app/CommandLine.h"
#include "app/CopyCommands.h"

namespace tg {
namespace {

struct OwnedHandle {
  HANDLE handle = nullptr;
  ~OwnedHandle() {
    if (handle) CloseHandle(handle);
  }
};

// Runs what the thread's windows are sent and posted (paint, timers, requests of a second start)
// until the process ends or the time is up; the user's clicks and keys wait in the queue until
// the opener is done, so a button pressed twice does not open the copy twice. False when the
// time ran out.
bool WaitAnswering(HANDLE process, DWORD milliseconds) {
  const DWORD started = GetTickCount();
  bool quitAsked = false;
  int quitCode = 0;
  for (;;) {
    const DWORD waited = GetTickCount() - started;
    if (waited >= milliseconds) break;
    const DWORD woken =
        MsgWaitForMultipleObjects(1, &process, FALSE, milliseconds - waited,
                                  QS_POSTMESSAGE | QS_PAINT | QS_SENDMESSAGE | QS_TIMER);
    if (woken == WAIT_OBJECT_0) break;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0,
                        PM_REMOVE | PM_QS_POSTMESSAGE | PM_QS_PAINT | PM_QS_SENDMESSAGE)) {
      if (message.message == WM_QUIT) {  // for the main loop, once this wait is over
        quitAsked = true;
        quitCode = static_cast<int>(message.wParam);
        continue;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  if (quitAsked) PostQuitMessage(quitCode);
  return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

// What the opener wrote to its error output: its reason, on one line.
std::string ReadReason(HANDLE pipe) {
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

// The child's standard output goes to a file of its own, deleted once read: a long list of
// changes would fill a pipe that is read only after the child has ended.
HANDLE OutputFile(SECURITY_ATTRIBUTES& inheritable) {
  char folder[MAX_PATH + 1] = {};
  char path[MAX_PATH + 1] = {};
  if (!GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, "tgo", 0, path)) {
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileA(path, GENERIC_READ | GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable,
                     CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

// The child writes its lines as a prompt shows them, ending in CR LF; they are read as the
// program's own lines, ending in LF. A CR inside a line never comes: the child escapes it.
std::string ReadOutput(HANDLE file) {
  std::string text;
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return text;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  std::string lines;
  lines.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lines += text[i];
  }
  return lines;
}

}  // namespace

// This program, started with `arguments`, does the talking; how it ended. Throws when it could
// not be started or did not end within the wait.
ChildAnswer Win32OfficeDocuments::ask(const std::vector<std::string>& arguments) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  OwnedHandle reading, writing;
  OwnedHandle output{OutputFile(inheritable)};
  if (output.handle == INVALID_HANDLE_VALUE) {
    output.handle = nullptr;
    throw WinError(GetLastError(), "the office could not be asked.");
  }
  // Large enough for any reason the opener gives, so it never waits for this side to read.
  if (!CreatePipe(&reading.handle, &writing.handle, &inheritable, 65536)) {
    throw WinError(GetLastError(), "the office could not be asked.");
  }
  SetHandleInformation(reading.handle, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdError = writing.handle;
  startup.hStdOutput = output.handle;
  std::string commandLine = "\"" + executable_ + "\"";
  // Paths hold no quotes on Windows; an option is quoted as harmlessly.
  for (const std::string& argument : arguments) commandLine += " \"" + argument + "\"";
  PROCESS_INFORMATION created{};
  // The office comes to the front with the copy: this window, in front since the user's click,
  // hands that right on.
  AllowSetForegroundWindow(ASFW_ANY);
  if (!CreateProcessA(executable_.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                      CREATE_NO_WINDOW, nullptr, nullptr, &startup, &created)) {
    throw WinError(GetLastError(), "the office could not be asked.");
  }
  CloseHandle(created.hThread);
  OwnedHandle opener{created.hProcess};
  CloseHandle(writing.handle);  // the opener's end only: its end closes the pipe
  writing.handle = nullptr;

  const HCURSOR before = SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
  const bool ended = WaitAnswering(opener.handle, waitMilliseconds_);
  SetCursor(before);
  if (!ended) {
    TerminateProcess(opener.handle, 1);
    WaitForSingleObject(opener.handle, 2000);
    throw std::runtime_error("the office did not answer within a minute.");
  }
  DWORD exitCode = 1;
  GetExitCodeProcess(opener.handle, &exitCode);
  const std::string reason = ReadReason(reading.handle);
  return {static_cast<int>(exitCode), reason.empty() ? "the office could not be asked." : reason,
          ReadOutput(output.handle)};
}

bool Win32OfficeDocuments::openReadOnly(std::string_view path) {
  return OpenedByAnswer(ask({OpenReadOnlyFlag, std::string(path)}));
}

bool Win32OfficeDocuments::hasOpen(std::string_view path) {
  return HasOpenByAnswer(ask({HasOpenFlag, std::string(path)}));
}

std::string Win32OfficeDocuments::restore(std::string_view copy) {
  return RestoredByAnswer(ask({RestoreFlag, std::string(copy)}));
}

std::vector<CellChange> Win32OfficeDocuments::compare(std::string_view earlier,
                                                      std::string_view later, bool formulas) {
  std::vector<std::string> arguments{DiffFlag};
  if (formulas) arguments.emplace_back(FormulasFlag);
  arguments.emplace_back(earlier);
  if (!later.empty()) arguments.emplace_back(later);
  return ChangesByAnswer(ask(arguments));
}

void Win32OfficeDocuments::showCell(std::string_view workbook, std::string_view sheet,
                                    std::string_view cell) {
  ShownByAnswer(ask({ShowCellFlag, std::string(workbook), std::string(sheet), std::string(cell)}));
}

}  // namespace tg
