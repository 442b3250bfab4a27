#pragma once
// File facts over the in-memory file system: a file's size is its text's, its time of last change
// whatever the test says (0 until then); every folder lies on one file system of given figures.

#include <map>
#include <string>

#include "common/ports/FileFacts.h"
#include "memory/MemoryFileSystem.h"

namespace tg {

class MemoryFileFacts : public FileFacts {
 public:
  explicit MemoryFileFacts(const MemoryFileSystem& files) : files_(files) {}

  std::optional<FileStamp> stampOf(std::string_view path) const override {
    const auto file = files_.files.find(std::string(path));
    if (file == files_.files.end()) return std::nullopt;
    const auto modified = modifiedAt.find(file->first);
    return FileStamp{file->second.size(), modified == modifiedAt.end() ? 0 : modified->second};
  }

  std::optional<SpaceFigures> spaceOf(std::string_view) const override { return space; }

  std::vector<std::string> namesIn(std::string_view folder) const override {
    std::vector<std::string> names;
    std::string prefix(folder);
    if (prefix.empty() || prefix.back() != '/') prefix += '/';
    for (const auto& [path, text] : files_.files) {
      if (path.rfind(prefix, 0) == 0 && path.find('/', prefix.size()) == std::string::npos) {
        names.push_back(path.substr(prefix.size()));
      }
    }
    return names;
  }

  bool timesFollowSummerTime(std::string_view) const override { return localTimes; }

  std::map<std::string, std::int64_t> modifiedAt;
  bool localTimes = false;
  std::optional<SpaceFigures> space = SpaceFigures{OneTerabyte, 2 * OneTerabyte};

  static constexpr std::uint64_t OneTerabyte = 1'000'000'000'000;

 private:
  const MemoryFileSystem& files_;
};

}  // namespace tg
