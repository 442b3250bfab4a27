#pragma once
// The running processes of a program, for tests that look whether one was started or is gone,
// and end them.

#include <tlhelp32.h>
#include <windows.h>

#include <vector>

namespace tg::testing {

inline std::vector<DWORD> ProcessesNamed(const char* name) {
  std::vector<DWORD> found;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (lstrcmpiA(entry.szExeFile, name) == 0) found.push_back(entry.th32ProcessID);
  }
  CloseHandle(snapshot);
  return found;
}

// Ends every running process of the program `name`, and waits for each end.
inline void EndProcessesNamed(const char* name) {
  for (DWORD id : ProcessesNamed(name)) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (!process) continue;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
  }
}

// The test office of the project's own, as COM starts it.
inline constexpr const char* FixtureOfficeName = "TallyguardFixtureSuite.exe";

}  // namespace tg::testing
