#include "adapters/posix/PosixFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>
#include <utility>

namespace tg {
namespace {

// A failure whose description is the sentence the user reads, without the system's suffix.
class FileError : public std::system_error {
 public:
  FileError(int error, std::string description)
      : std::system_error(error, std::generic_category()), description_(std::move(description)) {}
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::string description_;
};

// "The folder /a/b could not be created: permission denied."
[[noreturn]] void ThrowFileError(std::string_view what, std::string_view path,
                                 std::string_view done) {
  int error = errno;
  std::string reason = std::generic_category().message(error);
  if (!reason.empty()) reason.front() = static_cast<char>(std::tolower(reason.front()));
  std::string description(what);
  description += " ";
  description += path;
  description += " could not be ";
  description += done;
  description += ": ";
  description += reason;
  description += ".";
  throw FileError(error, description);
}

// Whole writes, resumed after an interruption or a short write.
void WriteAll(int fd, std::string_view text, std::string_view path) {
  const char* data = text.data();
  size_t left = text.size();
  while (left > 0) {
    ssize_t written = ::write(fd, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowFileError("The file", path, "written");
    }
    data += written;
    left -= static_cast<size_t>(written);
  }
}

// An earlier write that stopped halfway (a full disk, a crash) left a line without its end.
bool EndsInsideALine(int fd, const struct stat& status) {
  if (status.st_size == 0) return false;
  char last = '\n';
  return ::pread(fd, &last, 1, status.st_size - 1) == 1 && last != '\n';
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Never through a symbolic link and never waiting, and only a regular file of this user: a FIFO
// or a device put at the log's path in a folder shared with others would otherwise hang the
// window or take the lines, and a link or another user's file would be read or written in the
// user's name. O_NONBLOCK only matters for the open; a regular file never blocks afterwards.
// `refused` ends the sentence that reports a file that is not one ("so it was not read").
FileDescriptor OpenPlainFileOfUser(std::string_view path, int flags, std::string_view refused,
                                   struct stat& status) {
  FileDescriptor file(
      ::open(std::string(path).c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
  if (file.get() < 0) {
    // A link at the path fails the open with ELOOP, whose stock text says nothing useful.
    if (errno == ELOOP) {
      throw FileError(ELOOP, "The file " + std::string(path) +
                                 " is a link, not a plain file of this user, so " +
                                 std::string(refused) + ".");
    }
    ThrowFileError("The file", path, "opened");
  }
  if (::fstat(file.get(), &status) != 0) ThrowFileError("The file", path, "examined");
  if (!S_ISREG(status.st_mode) || status.st_uid != ::geteuid()) {
    throw FileError(EACCES, "The file " + std::string(path) +
                                " is not a plain file of this user, so " + std::string(refused) +
                                ".");
  }
  const int flagsNow = ::fcntl(file.get(), F_GETFL);
  if (flagsNow >= 0) ::fcntl(file.get(), F_SETFL, flagsNow & ~O_NONBLOCK);
  return file;
}

}  // namespace

bool PosixFileSystem::canReadModificationTime(std::string_view path) const {
  struct stat status {};
  return ::stat(std::string(path).c_str(), &status) == 0;
}

std::optional<FileIdentity> PosixFileSystem::identity(std::string_view path) const {
  struct stat status {};
  if (::stat(std::string(path).c_str(), &status) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                      static_cast<std::uint64_t>(status.st_ino)};
}

bool PosixFileSystem::isDirectory(std::string_view path) const {
  struct stat status {};
  return ::stat(std::string(path).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

void PosixFileSystem::makeDirectory(std::string_view path) {
  if (::mkdir(std::string(path).c_str(), 0777) != 0) ThrowFileError("The folder", path, "created");
}

void PosixFileSystem::appendText(std::string_view path, std::string_view text) {
  struct stat status {};
  FileDescriptor file =
      OpenPlainFileOfUser(path, O_RDWR | O_APPEND | O_CREAT, "nothing was written to it", status);
  if (EndsInsideALine(file.get(), status)) WriteAll(file.get(), "\r\n", path);
  WriteAll(file.get(), text, path);
  if (::close(file.release()) != 0) ThrowFileError("The file", path, "written");
}

std::string PosixFileSystem::readText(std::string_view path) const {
  struct stat status {};
  FileDescriptor file = OpenPlainFileOfUser(path, O_RDONLY, "it was not read", status);
  std::string content;
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowFileError("The file", path, "read");
    }
    if (got == 0) break;
    content.append(buffer, static_cast<size_t>(got));
  }
  return content;
}

// O_PATH needs no permission on the file, so a read-only log of the user's still passes, and it
// opens a link itself rather than failing, which fstat then shows as no regular file.
void PosixFileSystem::checkPlainFileOfUser(std::string_view path) const {
  struct stat status {};
  OpenPlainFileOfUser(path, O_PATH, "it was left alone", status);
}

void PosixFileSystem::deleteFile(std::string_view path) {
  // A file without write permission counts as read-only: the ordinary deletion refuses it, as the
  // user's other systems do, whoever runs the program.
  std::string name(path);
  struct stat status {};
  if (::lstat(name.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
      (status.st_mode & S_IWUSR) == 0) {
    errno = EACCES;
    ThrowFileError("The read-only file", path, "deleted");
  }
  if (::unlink(name.c_str()) != 0) ThrowFileError("The file", path, "deleted");
}

// The write permission is given back through the opened file, never by its name: a link put at
// the path in the meantime must not hand another file's permissions to the user's chmod.
void PosixFileSystem::forceDeleteFile(std::string_view path) {
  std::string name(path);
  FileDescriptor file(::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat status {};
  if (file.get() >= 0 && ::fstat(file.get(), &status) == 0 && S_ISREG(status.st_mode) &&
      status.st_uid == ::geteuid()) {
    ::fchmod(file.get(), (status.st_mode | S_IWUSR) & 07777);
  }
  if (::unlink(name.c_str()) != 0) ThrowFileError("The file", path, "deleted");
}

void PosixFileSystem::rename(std::string_view from, std::string_view to) {
  if (::rename(std::string(from).c_str(), std::string(to).c_str()) != 0) {
    ThrowFileError("The copy", to, "given its name");
  }
}

}  // namespace tg
