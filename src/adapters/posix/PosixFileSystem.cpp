#include "adapters/posix/PosixFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>
#include <utility>

namespace tg {
namespace {

[[noreturn]] void ThrowFileError(std::string_view doing, std::string_view path) {
  int error = errno;
  std::string description(doing);
  description += " \"";
  description += path;
  description += "\": ";
  description += std::generic_category().message(error);
  throw std::system_error(error, std::generic_category(), description);
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

}  // namespace

bool PosixFileSystem::canReadModificationTime(std::string_view path) const {
  struct stat status {};
  return ::stat(std::string(path).c_str(), &status) == 0;
}

bool PosixFileSystem::isDirectory(std::string_view path) const {
  struct stat status {};
  return ::stat(std::string(path).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

void PosixFileSystem::makeDirectory(std::string_view path) {
  if (::mkdir(std::string(path).c_str(), 0777) != 0)
    ThrowFileError("Cannot create the folder", path);
}

void PosixFileSystem::appendText(std::string_view path, std::string_view text) {
  // Owner-only, and never through a symbolic link: the log's folder may be shared with others.
  FileDescriptor file(::open(std::string(path).c_str(),
                             O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (file.get() < 0) ThrowFileError("Cannot open the file", path);
  const char* data = text.data();
  size_t left = text.size();
  while (left > 0) {
    ssize_t written = ::write(file.get(), data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowFileError("Cannot write the file", path);
    }
    data += written;
    left -= static_cast<size_t>(written);
  }
  if (::close(file.release()) != 0) ThrowFileError("Cannot write the file", path);
}

std::string PosixFileSystem::readText(std::string_view path) const {
  FileDescriptor file(::open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) ThrowFileError("Cannot open the file", path);
  std::string content;
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowFileError("Cannot read the file", path);
    }
    if (got == 0) break;
    content.append(buffer, static_cast<size_t>(got));
  }
  return content;
}

void PosixFileSystem::deleteFile(std::string_view path) {
  // A file without write permission counts as read-only: the ordinary deletion refuses it, as the
  // user's other systems do, whoever runs the program.
  std::string name(path);
  struct stat status {};
  if (::lstat(name.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
      (status.st_mode & S_IWUSR) == 0) {
    errno = EACCES;
    ThrowFileError("Cannot delete the read-only file", path);
  }
  if (::unlink(name.c_str()) != 0) ThrowFileError("Cannot delete the file", path);
}

void PosixFileSystem::forceDeleteFile(std::string_view path) {
  std::string name(path);
  struct stat status {};
  if (::lstat(name.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
    ::chmod(name.c_str(), (status.st_mode | S_IWUSR) & 07777);
  }
  if (::unlink(name.c_str()) != 0) ThrowFileError("Cannot delete the file", path);
}

void PosixFileSystem::rename(std::string_view from, std::string_view to) {
  if (::rename(std::string(from).c_str(), std::string(to).c_str()) != 0) {
    ThrowFileError("Cannot give the copy its name", to);
  }
}

}  // namespace tg
