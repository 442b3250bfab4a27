#pragma once
// File operations whose details differ between platforms. Every failing operation throws
// std::system_error (or std::runtime_error) carrying a description for the user.

#include <string>
#include <string_view>

namespace tg {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // True when the file's date and time of last change can be read.
  virtual bool canReadModificationTime(std::string_view path) const = 0;
  virtual bool isDirectory(std::string_view path) const = 0;
  // Creates the last level only; throws when that fails.
  virtual void makeDirectory(std::string_view path) = 0;
  // Opens for append (creating it owner-only), writes, closes. Never follows a link at `path`.
  virtual void appendText(std::string_view path, std::string_view text) = 0;
  virtual std::string readText(std::string_view path) const = 0;
  // Ordinary deletion: fails on a file the user may not delete.
  virtual void deleteFile(std::string_view path) = 0;
  // Gives a file another name in the same folder, replacing what had that name.
  virtual void rename(std::string_view from, std::string_view to) = 0;
  // Deletes also a read-only file.
  virtual void forceDeleteFile(std::string_view path) = 0;
};

}  // namespace tg
