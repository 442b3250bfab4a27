#pragma once
// Folders and files held in memory, for tests on any platform. Paths are taken as written, with
// either separator; a folder is known without its trailing separators (a drive root as "C:").
// makeDirectory creates one level and appending needs the folder, as on a real disk. A folder
// listed in readOnly takes no new file, and a full disk takes no new bytes.

#include <map>
#include <set>
#include <string>

#include "common/ports/FileSystem.h"

namespace tg {

class MemoryFileSystem : public FileSystem {
 public:
  bool canReadModificationTime(std::string_view path) const override;
  bool isDirectory(std::string_view path) const override;
  // A file's identity is its path once the folder links are followed, as on a real disk.
  std::optional<FileIdentity> identity(std::string_view path) const override;
  void makeDirectory(std::string_view path) override;
  void appendText(std::string_view path, std::string_view text) override;
  // Both refuse a path in notPlain, as the disk refuses a FIFO, a link or another user's file.
  std::string readText(std::string_view path) const override;
  void checkPlainFileOfUser(std::string_view path) const override;
  void deleteFile(std::string_view path) override;  // refuses a read-only file
  void forceDeleteFile(std::string_view path) override;
  void rename(std::string_view from, std::string_view to) override;
  void copyFile(std::string_view from, std::string_view to) override;
  // Writes a whole file as the office's store does: the missing folders first, nested ones too,
  // unless one of them cannot be made. Throws std::system_error as the disk refuses.
  void storeFile(std::string_view path, std::string content);

  bool exists(std::string_view path) const { return files.count(std::string(path)) > 0; }
  // The path with every folder link replaced by the folder it leads to.
  std::string resolve(std::string_view path) const;
  static std::string FolderKey(std::string_view path);

 private:
  // Throws as the disk does for a new entry in the file's folder, or new bytes on a full disk.
  void requireRoomFor(std::string_view file) const;

 public:
  std::set<std::string> directories = {"/"};
  std::map<std::string, std::string> files;
  std::set<std::string> readOnly;  // files that cannot be changed, folders that take no file
  std::set<std::string> notPlain;
  std::map<std::string, std::string> links;  // folder link -> the folder it leads to
  bool appendFails = false;                  // every append fails, as on a full disk
  bool full = false;                         // no room left: every write of new bytes fails
  mutable int testFailures = 0;              // the next so many folder tests fail
};

}  // namespace tg
