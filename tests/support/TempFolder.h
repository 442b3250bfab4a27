#pragma once
// A real folder under the system's temporary folder, removed with everything in it.

#include <filesystem>
#include <string>

namespace tg::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string operator/(std::string_view name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::string ReadWholeFile(const std::string& path);
// Creates the missing folders above `path` too.
void WriteWholeFile(const std::string& path, const std::string& content);

}  // namespace tg::testing
