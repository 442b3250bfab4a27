#include "adapters/win32/Win32OfficePresence.h"

// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <algorithm>

namespace tg {
namespace {

bool SameName(const std::string& one, const char* other) {
  return lstrcmpiA(one.c_str(), other) == 0;
}

DWORD SessionOf(DWORD processId) {
  DWORD session = 0;
  return ProcessIdToSessionId(processId, &session) ? session : MAXDWORD;
}

}  // namespace

std::vector<std::string> OfficeProcessNames() { return {"soffice.bin", "soffice.exe"}; }

std::vector<std::uint32_t> SessionProcessesNamed(const std::vector<std::string>& names) {
  std::vector<std::uint32_t> found;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return found;
  const DWORD ourSession = SessionOf(GetCurrentProcessId());
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    const bool named = std::any_of(names.begin(), names.end(), [&](const std::string& name) {
      return SameName(name, entry.szExeFile);
    });
    // Another user's office on a shared machine is not this user's.
    if (named && SessionOf(entry.th32ProcessID) == ourSession) {
      found.push_back(entry.th32ProcessID);
    }
  }
  CloseHandle(snapshot);
  return found;
}

bool Win32OfficePresence::officeRuns() const { return !SessionProcessesNamed(names_).empty(); }

}  // namespace tg
