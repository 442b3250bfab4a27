#include "adapters/posix/PosixPrivateState.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <utility>

#include "adapters/posix/PlainFile.h"
#include "adapters/posix/XdgStateHome.h"

namespace tg {
namespace {

// A plain file of this user, as every file of the user's is opened, that nobody else may change
// either: the program deletes files on its word.
FileDescriptor OpenTrusted(const std::string& path, int flags) {
  struct stat status {};
  FileDescriptor file = OpenPlainFileOfUser(path, flags, "it is not used", status);
  if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    throw std::runtime_error("The file " + path + " may be changed by others, so it is not used.");
  }
  return file;
}

class FlockLock : public PrivateState::Lock {
 public:
  explicit FlockLock(FileDescriptor file) : file_(std::move(file)) {}  // closing lets it go

 private:
  FileDescriptor file_;
};

}  // namespace

std::string PosixPrivateState::DefaultFolder() { return XdgStateHome() + "/Tallyguard"; }

void PosixPrivateState::ensureFolder() const {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(folder_).parent_path(), ignored);
  if (::mkdir(folder_.c_str(), 0700) != 0 && errno != EEXIST) {
    ThrowFileError("The folder", folder_, "created");
  }
  struct stat status {};
  if (::lstat(folder_.c_str(), &status) != 0) ThrowFileError("The folder", folder_, "read");
  if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()) {
    throw std::runtime_error("The folder " + folder_ +
                             " is not a folder of yours, so Tallyguard keeps nothing there.");
  }
  // A folder of ours that others may enter is closed to them again.
  if ((status.st_mode & 077) != 0 && ::chmod(folder_.c_str(), 0700) != 0) {
    ThrowFileError("The folder", folder_, "made private");
  }
}

std::string PosixPrivateState::pathOf(std::string_view name) const {
  return folder_ + "/" + std::string(name);
}

std::unique_ptr<PrivateState::Lock> PosixPrivateState::lock(std::string_view name,
                                                            std::chrono::milliseconds wait) {
  ensureFolder();
  const std::string path = pathOf(std::string(name) + ".lock");
  FileDescriptor file = OpenTrusted(path, O_RDWR | O_CREAT);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) ThrowFileError("The lock", path, "taken");
    if (std::chrono::steady_clock::now() >= deadline) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return std::make_unique<FlockLock>(std::move(file));
}

std::optional<std::string> PosixPrivateState::read(std::string_view name) {
  const std::string path = pathOf(name);
  try {
    FileDescriptor file = OpenTrusted(path, O_RDONLY);
    return ReadAll(file.get(), path);
  } catch (const FileError& failure) {
    if (failure.code().value() == ENOENT) return std::nullopt;
    throw;
  }
}

// A replacement takes moments; a temporary file of one that is older than this was left by a
// process killed halfway, and nobody will ever rename it.
constexpr std::chrono::minutes LeftBehind{10};

void PosixPrivateState::clearLeftTemporaries(std::string_view name) const {
  namespace fs = std::filesystem;
  const std::string prefix = "." + std::string(name) + ".";
  std::error_code failed;
  const auto now = fs::file_time_type::clock::now();
  for (const fs::directory_entry& entry : fs::directory_iterator(folder_, failed)) {
    const std::string file = entry.path().filename().string();
    if (!file.starts_with(prefix) || file.size() != prefix.size() + 6) continue;
    std::error_code unread;
    const auto written = fs::last_write_time(entry.path(), unread);
    if (!unread && entry.is_regular_file(unread) && now - written > LeftBehind) {
      fs::remove(entry.path(), unread);
    }
  }
}

void PosixPrivateState::replace(std::string_view name, std::string_view text) {
  ensureFolder();
  clearLeftTemporaries(name);
  const std::string path = pathOf(name);
  std::string temporary = pathOf("." + std::string(name) + ".XXXXXX");
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) ThrowFileError("The file", path, "written");
  try {
    FileDescriptor file(fd);
    WriteAll(fd, text, path);
    if (::fsync(fd) != 0) ThrowFileError("The file", path, "written");
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    errno = error;
    ThrowFileError("The file", path, "replaced");
  }
}

}  // namespace tg
