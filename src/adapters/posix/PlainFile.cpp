#include "adapters/posix/PlainFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

namespace tg {

void ThrowFileError(std::string_view what, std::string_view path, std::string_view done) {
  int error = errno;
  std::string reason = std::generic_category().message(error);
  if (!reason.empty())
    reason.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(reason.front())));
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

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

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

std::string ReadAll(int fd, std::string_view path) {
  std::string content;
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowFileError("The file", path, "read");
    }
    if (got == 0) return content;
    content.append(buffer, static_cast<size_t>(got));
  }
}

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

}  // namespace tg
