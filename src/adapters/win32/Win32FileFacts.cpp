#include "adapters/win32/Win32FileFacts.h"

#include <windows.h>

#include <string>

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

}  // namespace

std::optional<FileStamp> Win32FileFacts::stampOf(std::string_view path) const {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(std::string(path).c_str(), GetFileExInfoStandard, &data)) {
    return std::nullopt;
  }
  // A link's stamp is not the file's it points to.
  if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) {
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

}  // namespace tg
