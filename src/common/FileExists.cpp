#include "common/FileExists.h"

#include <exception>

namespace tg {

bool FileExists(const FileSystem& fileSystem, std::string_view path) {
  try {
    return fileSystem.canReadModificationTime(path);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace tg
