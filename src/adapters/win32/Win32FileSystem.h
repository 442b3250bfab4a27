#pragma once
// Files through the Win32 API: ANSI paths, identity by volume serial number and file index,
// read-only files refused by the ordinary deletion and removed by the forced one.

#include "common/ports/FileSystem.h"

namespace tg {

class Win32FileSystem : public FileSystem {
 public:
  bool canReadModificationTime(std::string_view path) const override;
  bool isDirectory(std::string_view path) const override;
  std::optional<FileIdentity> identity(std::string_view path) const override;
  void makeDirectory(std::string_view path) override;
  void appendText(std::string_view path, std::string_view text) override;
  std::string readText(std::string_view path) const override;
  void checkPlainFileOfUser(std::string_view path) const override;
  void deleteFile(std::string_view path) override;
  void rename(std::string_view from, std::string_view to) override;
  void copyFile(std::string_view from, std::string_view to) override;
  void forceDeleteFile(std::string_view path) override;
};

}  // namespace tg
