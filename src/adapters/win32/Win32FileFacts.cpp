#include "adapters/win32/Win32FileFacts.h"

#include <windows.h>
// After windows.h, which it needs.
#include <aclapi.h>

#include <string>
#include <vector>

namespace tg {
namespace {

// 100 ns steps between 1601-01-01, where FILETIME counts from, and 1970-01-01.
constexpr std::int64_t FileTimeAt1970 = 116'444'736'000'000'000;

std::int64_t Nanoseconds(const FILETIME& time) {
  const auto steps = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  return (steps - FileTimeAt1970) * 100;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

static_assert(FileAttributeDirectory == FILE_ATTRIBUTE_DIRECTORY);
static_assert(FileAttributeReparsePoint == FILE_ATTRIBUTE_REPARSE_POINT);

// The account this program runs as, and the owner it gives what it creates; read once, as they
// stay for the life of the process. None when the process's token cannot be read.
const std::vector<SidBytes>& OwnSids() {
  static const std::vector<SidBytes> sids = [] {
    std::vector<SidBytes> read;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return read;
    for (TOKEN_INFORMATION_CLASS kind : {TokenUser, TokenOwner}) {
      alignas(SID_AND_ATTRIBUTES) BYTE buffer[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)] = {};
      DWORD size = 0;
      if (!GetTokenInformation(token, kind, buffer, sizeof buffer, &size)) continue;
      PSID sid = kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid
                                   : reinterpret_cast<TOKEN_OWNER*>(buffer)->Owner;
      const auto* bytes = static_cast<const BYTE*>(sid);
      read.emplace_back(bytes, bytes + GetLengthSid(sid));
    }
    CloseHandle(token);
    return read;
  }();
  return sids;
}

}  // namespace

std::optional<SidBytes> Win32FileFacts::ReadOwner(const std::string& path) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                            nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::optional<SidBytes> read;
  if (owner && IsValidSid(owner)) {
    const auto* bytes = static_cast<const BYTE*>(owner);
    read.emplace(bytes, bytes + GetLengthSid(owner));
  }
  LocalFree(descriptor);
  return read;
}

std::optional<FileStamp> Win32FileFacts::stampOf(std::string_view path) const {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(std::string(path).c_str(), GetFileExInfoStandard, &data)) {
    return std::nullopt;
  }
  // A link's stamp is not the file's it points to. Another account's file in a shared folder (its
  // partial copy, its record) is never taken for this user's.
  if (!IsPlainDiskFile({true, data.dwFileAttributes}) ||
      OwnedByAnotherAccount(ownerOf_(std::string(path)), OwnSids())) {
    return std::nullopt;
  }
  return FileStamp{(static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                   Nanoseconds(data.ftLastWriteTime)};
}

std::vector<std::string> Win32FileFacts::namesIn(std::string_view folder) const {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((std::string(folder) + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

std::optional<SpaceFigures> Win32FileFacts::spaceOf(std::string_view folder) const {
  std::string path(folder);
  while (!path.empty()) {
    while (path.size() > 1 && IsSeparator(path.back())) path.pop_back();
    ULARGE_INTEGER available{}, total{};
    // The trailing separator: a share's root ("\\server\share\") is only measured with one.
    if (GetDiskFreeSpaceExA((path + "\\").c_str(), &available, &total, nullptr)) {
      return SpaceFigures{available.QuadPart, total.QuadPart};
    }
    const size_t separator = path.find_last_of("\\/");
    if (separator == std::string::npos) return std::nullopt;
    path.erase(separator);
  }
  return std::nullopt;
}

bool Win32FileFacts::timesFollowSummerTime(std::string_view folder) const {
  char volume[MAX_PATH + 1] = {};
  char fileSystem[MAX_PATH + 1] = {};
  if (!GetVolumePathNameA(std::string(folder).c_str(), volume, sizeof volume) ||
      !GetVolumeInformationA(volume, nullptr, 0, nullptr, nullptr, nullptr, fileSystem,
                             sizeof fileSystem)) {
    return true;
  }
  const std::string name = fileSystem;
  return name.rfind("FAT", 0) == 0 || name == "exFAT";
}

}  // namespace tg
