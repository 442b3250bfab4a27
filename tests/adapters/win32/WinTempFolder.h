#pragma once
// A fresh folder under the user's TEMP for one test, removed with everything in it afterwards.

#include <windows.h>

#include <filesystem>
#include <string>

namespace tg::testing {

class WinTempFolder {
 public:
  WinTempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    char name[MAX_PATH];
    GetTempFileNameA(base, "tg", 0, name);
    DeleteFileA(name);
    CreateDirectoryA(name, nullptr);
    path_ = name;
  }
  ~WinTempFolder() {
    // Read-only files stop remove_all; clear them first.
    std::error_code ignored;
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
      SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::filesystem::remove_all(path_, ignored);
  }
  WinTempFolder(const WinTempFolder&) = delete;
  WinTempFolder& operator=(const WinTempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

}  // namespace tg::testing
