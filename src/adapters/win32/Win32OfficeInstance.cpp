#include "adapters/win32/Win32OfficeInstance.h"

// clang-format off
#include <windows.h>
#include <shlobj.h>
#include <wincrypt.h>
// clang-format on

#include <cctype>
#include <cstring>
#include <fstream>
#include <vector>

#include "adapters/win32/WideText.h"
#include "adapters/win32/WindowsPlatform.h"
#include "backup/Calc.h"
#include "common/OfficeProfile.h"

namespace tg {
namespace {

std::optional<std::string> ClassesValue(const std::string& key) {
  wchar_t value[2 * MAX_PATH] = L"";
  LONG size = sizeof value;
  if (RegQueryValueW(HKEY_CLASSES_ROOT, WideFromAnsi(key).c_str(), value, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return AnsiFromWide(value);
}

// "C:\Program Files\LibreOffice\program\soffice.exe" --nodefault --nologo -> the program.
std::string ProgramOfCommand(const std::string& command) {
  if (!command.empty() && command.front() == '"') {
    const size_t end = command.find('"', 1);
    return command.substr(1, end == std::string::npos ? std::string::npos : end - 1);
  }
  // Unquoted, a folder may still hold blanks: the program ends with its ".exe".
  std::string lower = command;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const size_t exe = lower.find(".exe");
  return exe == std::string::npos ? command.substr(0, command.find(' '))
                                  : command.substr(0, exe + 4);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string RoamingAppData() {
  wchar_t folder[MAX_PATH] = L"";
  if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    return AnsiFromWide(folder);
  }
  wchar_t windows[MAX_PATH] = L"";  // the office's own fallback
  GetWindowsDirectoryW(windows, MAX_PATH);
  return AnsiFromWide(windows);
}

Md5Digest Md5(std::string_view bytes) {
  Md5Digest md5{};
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
    return md5;
  }
  HCRYPTHASH hash = 0;
  DWORD length = md5.size();
  if (CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) {
    CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()),
                  static_cast<DWORD>(bytes.size()), 0);
    CryptGetHashParam(hash, HP_HASHVAL, md5.data(), &length, 0);
    CryptDestroyHash(hash);
  }
  CryptReleaseContext(provider, 0);
  return md5;
}

constexpr const char* PipeFolder = "\\\\.\\pipe\\";

// The office names its profile by the folder's URL without a final "/".
std::string WithoutFinalSlash(std::string url) {
  while (url.size() > 8 && url.back() == '/') url.pop_back();
  return url;
}

}  // namespace

std::optional<std::string> RegisteredOfficeProgram() {
  const std::optional<std::string> classId =
      ClassesValue(std::string(OfficeServiceManagerId) + "\\CLSID");
  if (!classId) return std::nullopt;
  const std::optional<std::string> command = ClassesValue("CLSID\\" + *classId + "\\LocalServer32");
  if (!command || command->empty()) return std::nullopt;
  return ProgramOfCommand(*command);
}

std::string OfficeUserIdent(void* sid) {
  if (!sid || !IsValidSid(sid)) return "";
  const SID_IDENTIFIER_AUTHORITY& authority = *GetSidIdentifierAuthority(sid);
  std::string ident = "S-1-";
  char part[32];
  if (authority.Value[0] != 0 || authority.Value[1] != 0) {
    std::snprintf(part, sizeof part, "0x%02hx%02hx%02hx%02hx%02hx%02hx",
                  static_cast<unsigned short>(authority.Value[0]),
                  static_cast<unsigned short>(authority.Value[1]),
                  static_cast<unsigned short>(authority.Value[2]),
                  static_cast<unsigned short>(authority.Value[3]),
                  static_cast<unsigned short>(authority.Value[4]),
                  static_cast<unsigned short>(authority.Value[5]));
  } else {
    std::snprintf(part, sizeof part, "%lu",
                  static_cast<unsigned long>(authority.Value[5]) |
                      static_cast<unsigned long>(authority.Value[4]) << 8 |
                      static_cast<unsigned long>(authority.Value[3]) << 16 |
                      static_cast<unsigned long>(authority.Value[2]) << 24);
  }
  ident += part;
  // The office writes no more than five sub-authorities; an account with more shares its
  // first five with others, and so does the office's pipe name.
  const int count = *GetSidSubAuthorityCount(sid) < 5 ? *GetSidSubAuthorityCount(sid) : 5;
  for (int i = 0; i < count; ++i) {
    std::snprintf(part, sizeof part, "-%lu",
                  static_cast<unsigned long>(*GetSidSubAuthority(sid, static_cast<DWORD>(i))));
    ident += part;
  }
  return ident;
}

std::string OfficeUserIdent() {
  std::vector<unsigned char> sid = CurrentUserSidBytes();
  return sid.empty() ? "" : OfficeUserIdent(sid.data());
}

std::string DefaultOfficeProfileUrl(const std::string& programPath) {
  std::string chosen = WindowsEnvironment().variable("UserInstallation").value_or("");
  if (chosen.empty()) {
    std::ifstream file(FolderOf(programPath) + "\\bootstrap.ini");  // UTF-8 is our code page
    chosen = BootstrapValue(file, "UserInstallation");
  }
  if (chosen.empty()) chosen = "$SYSUSERCONFIG/LibreOffice/4";
  return WithoutFinalSlash(ExpandedProfileUrl(chosen, OfficeFileUrl(RoamingAppData())));
}

std::string SingleInstancePipe(const std::string& profileUrl) {
  return std::string(PipeFolder) + "OSL_PIPE_" + OfficeUserIdent() + "_" +
         SingleInstancePipeName(ProfileDigest(WithoutFinalSlash(profileUrl), Md5));
}

std::optional<std::uint32_t> PipeServer(const std::string& pipePath) {
  const std::wstring path = WideFromAnsi(pipePath);
  // The office makes a new instance of its pipe after each connection: a moment's wait covers
  // a connection that took the last one.
  for (int attempt = 0; attempt < 2; ++attempt) {
    HANDLE pipe = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (pipe != INVALID_HANDLE_VALUE) {
      ULONG server = 0;
      const bool known = GetNamedPipeServerProcessId(pipe, &server) && server != 0;
      CloseHandle(pipe);
      if (known) return static_cast<std::uint32_t>(server);
      return std::nullopt;
    }
    if (GetLastError() != ERROR_PIPE_BUSY || !WaitNamedPipeW(path.c_str(), 500)) break;
  }
  return std::nullopt;
}

namespace {

// The single-instance pipe of the registered office's profile.
std::optional<std::string> UserOfficePipe() {
  const std::optional<std::string> program = RegisteredOfficeProgram();
  if (!program) return std::nullopt;
  return SingleInstancePipe(DefaultOfficeProfileUrl(*program));
}

}  // namespace

bool OfficeHoldsProfile(const std::string& pipePath) {
  if (pipePath.rfind(PipeFolder, 0) != 0) return false;
  HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE,
                            WideFromAnsi(pipePath.substr(std::strlen(PipeFolder))).c_str());
  if (!mutex) return false;
  CloseHandle(mutex);
  return true;
}

std::optional<std::uint32_t> UserOffice() {
  const std::optional<std::string> pipe = UserOfficePipe();
  if (!pipe) return std::nullopt;
  return PipeServer(*pipe);
}

bool UserOfficeRuns() {
  const std::optional<std::string> pipe = UserOfficePipe();
  return pipe && OfficeHoldsProfile(*pipe);
}

}  // namespace tg
