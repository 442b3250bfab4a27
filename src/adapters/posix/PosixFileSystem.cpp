#include "adapters/posix/PosixFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "adapters/posix/PlainFile.h"
#include "backup/Calc.h"

namespace tg {
namespace {

// An earlier write that stopped halfway (a full disk, a crash) left a line without its end.
bool EndsInsideALine(int fd, const struct stat& status) {
  if (status.st_size == 0) return false;
  char last = '\n';
  return ::pread(fd, &last, 1, status.st_size - 1) == 1 && last != '\n';
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
  // On the disk before it returns: a copy is deleted only once its line is there to tell.
  if (::fdatasync(file.get()) != 0) ThrowFileError("The file", path, "written");
  if (::close(file.release()) != 0) ThrowFileError("The file", path, "written");
}

std::string PosixFileSystem::readText(std::string_view path) const {
  struct stat status {};
  FileDescriptor file = OpenPlainFileOfUser(path, O_RDONLY, "it was not read", status);
  return ReadAll(file.get(), path);
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

namespace {

// A link is written through, as an editor saves: the file it leads to gets the bytes, and the
// link stays (a synced or shared file behind it gets the restored version).
std::string WrittenThroughLinks(std::string_view to) {
  std::error_code failed;
  const std::filesystem::path resolved = std::filesystem::canonical(std::string(to), failed);
  return failed ? std::string(to) : resolved.string();
}

// What the file written takes on: the replaced file's mode (and owner, where this account may
// give it), or for a new file what the user's umask allows.
void TakeOverModeAndOwner(int fd, const std::string& target) {
  struct stat replaced {};
  if (::stat(target.c_str(), &replaced) == 0) {
    ::fchmod(fd, replaced.st_mode & 07777);
    if (replaced.st_uid != ::geteuid() || replaced.st_gid != ::getegid()) {
      [[maybe_unused]] const int ignored = ::fchown(fd, replaced.st_uid, replaced.st_gid);
    }
    return;
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
}

}  // namespace

// Written in the target's folder under a hidden name and renamed over the target once whole: a
// full disk or a crash leaves the target as it was, and never half a spreadsheet under its name.
void PosixFileSystem::copyFile(std::string_view from, std::string_view to) {
  struct stat status {};
  FileDescriptor source = OpenPlainFileOfUser(from, O_RDONLY, "it was not copied", status);
  const std::string target = WrittenThroughLinks(to);
  // Named as a backup pass names a copy not yet whole, so one left by a kill is cleared by the
  // next pass into that folder as that pass's own would be.
  const size_t slash = target.rfind('/');
  std::string partial = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) +
                        std::string(PartialCopyPrefix) + "tallyguard-save-XXXXXX" +
                        std::string(PartialCopySuffix);
  FileDescriptor written(
      ::mkostemps(partial.data(), static_cast<int>(PartialCopySuffix.size()), O_CLOEXEC));
  if (written.get() < 0) ThrowFileError("The file", to, "written");
  try {
    TakeOverModeAndOwner(written.get(), target);
    char buffer[1 << 16];
    for (;;) {
      const ssize_t count = ::read(source.get(), buffer, sizeof buffer);
      if (count < 0 && errno == EINTR) continue;
      if (count < 0) ThrowFileError("The copy", from, "read");
      if (count == 0) break;
      WriteAll(written.get(), std::string_view(buffer, static_cast<size_t>(count)), to);
    }
    if (::fsync(written.get()) != 0 || ::close(written.release()) != 0)
      ThrowFileError("The file", to, "written");
    if (::rename(partial.c_str(), target.c_str()) != 0) ThrowFileError("The file", to, "written");
  } catch (...) {
    ::unlink(partial.c_str());
    throw;
  }
}

}  // namespace tg
