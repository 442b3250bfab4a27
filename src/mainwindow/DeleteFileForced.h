#pragma once

#include <string_view>

#include "common/ports/FileSystem.h"
#include "common/ports/MessageLoop.h"

namespace tg {

// Lets pending messages run once, then deletes the file; when the ordinary deletion fails (a
// read-only or missing file), deletes it by force. Reports nothing: every failure is swallowed.
void DeleteFileForced(MessageLoop& messageLoop, FileSystem& fileSystem, std::string_view path);

}  // namespace tg
