#pragma once

#include <functional>
#include <string>
#include <utility>

#include "common/FileTrust.h"
#include "common/ports/FileFacts.h"

namespace tg {

class Win32FileFacts : public FileFacts {
 public:
  // Who owns the file at a path: nothing when that can't be read or its file system keeps no
  // owners (FAT).
  using OwnerReader = std::function<std::optional<SidBytes>(const std::string& path)>;
  static std::optional<SidBytes> ReadOwner(const std::string& path);

  // `ownerOf` is the system's own but for tests that need a file of another account, which
  // Wine cannot make.
  explicit Win32FileFacts(OwnerReader ownerOf = ReadOwner) : ownerOf_(std::move(ownerOf)) {}

  // Times count from 1970, as the POSIX program's do. Nothing for a file another account owns.
  std::optional<FileStamp> stampOf(std::string_view path) const override;
  std::vector<std::string> namesIn(std::string_view folder) const override;
  // A folder that does not exist yet (the office makes missing folders) is measured by the
  // nearest one above it that does.
  std::optional<SpaceFigures> spaceOf(std::string_view folder) const override;
  // FAT and exFAT keep local times; a volume that can't be asked is taken to keep them too.
  bool timesFollowSummerTime(std::string_view folder) const override;

 private:
  OwnerReader ownerOf_;
};

}  // namespace tg
