#pragma once
// File operations whose details differ between platforms. Every failing operation throws
// std::system_error (or std::runtime_error) carrying a description for the user.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tg {

// Which file a path leads to: two paths name one file when these agree, whatever links, "..",
// doubled separators, hard links or a case-blind mount stand between them.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // True when the file's date and time of last change can be read.
  virtual bool canReadModificationTime(std::string_view path) const = 0;
  virtual bool isDirectory(std::string_view path) const = 0;
  // The file at `path`, links followed; nothing when no file is there.
  virtual std::optional<FileIdentity> identity(std::string_view path) const = 0;
  // Creates the last level only; throws when that fails.
  virtual void makeDirectory(std::string_view path) = 0;
  // Appends one line of the history log: opens for append without waiting (creating the file
  // owner-only), never through a link, and only into a regular file of this user; the text starts
  // on a line of its own even when an earlier write stopped halfway through a line; flushes to
  // the disk and closes.
  virtual void appendText(std::string_view path, std::string_view text) = 0;
  // The whole file, read under the same rule as appendText: without waiting, never through a
  // link, and only from a regular file of this user; anything else throws with a plain report.
  virtual std::string readText(std::string_view path) const = 0;
  // Throws, with a plain report, unless the path names (not through a link) a regular file of this
  // user; looks without waiting and without reading. For a file handed on by name (to an editor)
  // or deleted on the user's word.
  virtual void checkPlainFileOfUser(std::string_view path) const = 0;
  // Ordinary deletion: fails on a file the user may not delete.
  virtual void deleteFile(std::string_view path) = 0;
  // Gives a file another name in the same folder, replacing what had that name.
  virtual void rename(std::string_view from, std::string_view to) = 0;
  // A new file `to` with the bytes of the user's regular file `from` (never read through a link):
  // written beside `to` under another name and renamed over it when whole, so a failure leaves
  // what was at `to` as it was. A link at `to` is written through to the file it leads to, and
  // the file replaced keeps its mode (a new one gets what the user's umask allows). Throws with
  // a plain report.
  virtual void copyFile(std::string_view from, std::string_view to) = 0;
  // Deletes also a read-only file.
  virtual void forceDeleteFile(std::string_view path) = 0;
};

}  // namespace tg
