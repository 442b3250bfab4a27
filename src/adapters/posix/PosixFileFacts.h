#pragma once

#include "common/ports/FileFacts.h"

namespace tg {

class PosixFileFacts : public FileFacts {
 public:
  std::optional<FileStamp> stampOf(std::string_view path) const override;
  std::vector<std::string> namesIn(std::string_view folder) const override;
  // A folder that does not exist yet (the office makes missing folders) is measured by the
  // nearest one above it that does.
  std::optional<SpaceFigures> spaceOf(std::string_view folder) const override;
};

}  // namespace tg
