#include "mainwindow/DeleteFileForced.h"

#include <exception>

namespace tg {

void DeleteFileForced(MessageLoop& messageLoop, FileSystem& fileSystem, std::string_view path) {
  messageLoop.yield();
  try {
    fileSystem.deleteFile(path);
    return;
  } catch (const std::exception&) {
  }
  try {
    fileSystem.forceDeleteFile(path);
  } catch (const std::exception&) {
  }
}

}  // namespace tg
