#pragma once
// Opening the user's files safely: never through a link, never waiting on a FIFO, only a regular
// file of this user; and whole reads and writes with failures the user can read.

#include <sys/stat.h>

#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace tg {

// A failure whose description is the sentence the user reads, without the system's suffix.
class FileError : public std::system_error {
 public:
  FileError(int error, std::string description)
      : std::system_error(error, std::generic_category()), description_(std::move(description)) {}
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::string description_;
};

// "The folder /a/b could not be created: permission denied.", from errno.
[[noreturn]] void ThrowFileError(std::string_view what, std::string_view path,
                                 std::string_view done);

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Never through a symbolic link and never waiting, and only a regular file of this user: a FIFO
// or a device put at the path in a folder shared with others would otherwise hang the program,
// and a link or another user's file would be read or written in the user's name. O_NONBLOCK only
// matters for the open; a regular file never blocks afterwards. `refused` ends the sentence that
// reports a file that is not one ("so it was not read"). A missing file throws FileError ENOENT.
FileDescriptor OpenPlainFileOfUser(std::string_view path, int flags, std::string_view refused,
                                   struct stat& status);

// Whole reads and writes, resumed after an interruption or a short write.
std::string ReadAll(int fd, std::string_view path);
void WriteAll(int fd, std::string_view text, std::string_view path);

}  // namespace tg
