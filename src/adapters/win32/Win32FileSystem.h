#pragma once
// Files through the Win32 API: ANSI paths, identity by volume serial number and file index,
// read-only files refused by the ordinary deletion and removed by the forced one.

#include <functional>
#include <optional>
#include <utility>

#include "common/FileTrust.h"
#include "common/ports/FileSystem.h"

namespace tg {

class Win32FileSystem : public FileSystem {
 public:
  // What an opened file is (a HANDLE's): nothing when the system can't tell.
  using NatureReader = std::function<std::optional<FileNature>(void* file)>;
  static std::optional<FileNature> ReadNature(void* file);

  // `natureOf` is the system's own but for tests that need a link, which Wine cannot make.
  explicit Win32FileSystem(NatureReader natureOf = ReadNature) : natureOf_(std::move(natureOf)) {}

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

 private:
  NatureReader natureOf_;
};

}  // namespace tg
