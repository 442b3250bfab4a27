#pragma once

#include "common/ports/FileFacts.h"

namespace tg {

class Win32FileFacts : public FileFacts {
 public:
  // Times count from 1970, as the POSIX program's do. Nothing for a file another account owns.
  std::optional<FileStamp> stampOf(std::string_view path) const override;
  std::vector<std::string> namesIn(std::string_view folder) const override;
  // A folder that does not exist yet (the office makes missing folders) is measured by the
  // nearest one above it that does.
  std::optional<SpaceFigures> spaceOf(std::string_view folder) const override;
  // FAT and exFAT keep local times; a volume that can't be asked is taken to keep them too.
  bool timesFollowSummerTime(std::string_view folder) const override;
};

}  // namespace tg
