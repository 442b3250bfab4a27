#pragma once
// What the program needs to know of a file and of a file system before it removes an old copy or
// stores a new one.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tg {

// Size and time of last change of one file, to the nanosecond: enough to tell a copy this
// program wrote from a file put in its place since.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t modifiedNanoseconds = 0;
  bool operator==(const FileStamp&) const = default;
};

// Bytes an ordinary user may still write, and the file system's whole size.
struct SpaceFigures {
  std::uint64_t available = 0;
  std::uint64_t total = 0;
};

class FileFacts {
 public:
  virtual ~FileFacts() = default;
  // The stamp of a regular file of this user, never through a link; std::nullopt for anything
  // else or nothing.
  virtual std::optional<FileStamp> stampOf(std::string_view path) const = 0;
  // The names of the entries of `folder` (no path); nothing when it cannot be listed.
  virtual std::vector<std::string> namesIn(std::string_view folder) const = 0;
  // The figures of the file system that holds `folder`; std::nullopt when they cannot be read.
  virtual std::optional<SpaceFigures> spaceOf(std::string_view folder) const = 0;
  // True where the file system keeps local times (FAT on Windows): a file's time read back then
  // moves with the summer-time shift, and two moments an hour apart can read the same.
  virtual bool timesFollowSummerTime(std::string_view /*folder*/) const { return false; }
};

}  // namespace tg
