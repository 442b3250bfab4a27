#pragma once

#include <string_view>

#include "common/ports/FileSystem.h"

namespace tg {

// True when the file's date and time of last change can be read; false for any failure.
bool FileExists(const FileSystem& fileSystem, std::string_view path);

}  // namespace tg
