#include "adapters/posix/PosixFileFacts.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <string>

namespace tg {

std::optional<FileStamp> PosixFileFacts::stampOf(std::string_view path) const {
  struct stat status {};
  // Another user's file is never taken for one this program wrote.
  if (::lstat(std::string(path).c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
      status.st_uid != ::geteuid()) {
    return std::nullopt;
  }
  return FileStamp{
      static_cast<std::uint64_t>(status.st_size),
      static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

std::vector<std::string> PosixFileFacts::namesIn(std::string_view folder) const {
  std::vector<std::string> names;
  DIR* listing = ::opendir(std::string(folder).c_str());
  if (!listing) return names;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(listing);
  return names;
}

std::optional<SpaceFigures> PosixFileFacts::spaceOf(std::string_view folder) const {
  std::string path(folder);
  while (!path.empty()) {
    struct statvfs figures {};
    if (::statvfs(path.c_str(), &figures) == 0) {
      // f_bavail: what an ordinary user may still write, without the blocks kept for root.
      return SpaceFigures{static_cast<std::uint64_t>(figures.f_bavail) * figures.f_frsize,
                          static_cast<std::uint64_t>(figures.f_blocks) * figures.f_frsize};
    }
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || path == "/") return std::nullopt;
    path.erase(slash == 0 ? 1 : slash);
  }
  return std::nullopt;
}

}  // namespace tg
